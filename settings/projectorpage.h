// The "Projector" tab: the device's keyboard projector on or off, and its
// brightness in normal and in standby mode.
#ifndef ORVIK_SETTINGS_PROJECTORPAGE_H
#define ORVIK_SETTINGS_PROJECTORPAGE_H

#include "page.h"
#include "valueranges.h"

class CProjectorPage : public CSettingsPage {
public:
    CProjectorPage();

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnSwitchClicked(bool on);
    void OnTrackbarReleased();
    void OnRestoreDefaults();
    void ShowProjector();

    ValueRange m_normalRange = NORMAL_LEVEL_FALLBACK;
    ValueRange m_standbyRange = STANDBY_LEVEL_FALLBACK;
    unsigned char m_bySwitch = 0;
    unsigned char m_byNormalLevel = 0;
    unsigned char m_byStandbyLevel = 0;
};

#endif
