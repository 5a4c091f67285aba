// The "Power Save" tab: whether the device saves power, when it enters
// standby, how long a touch wakes it and when it then turns itself off.
// All four live in the device, which counts milliseconds; the fields show
// seconds, milliseconds and minutes.
#ifndef ORVIK_SETTINGS_POWERSAVEPAGE_H
#define ORVIK_SETTINGS_POWERSAVEPAGE_H

#include "page.h"
#include "valueranges.h"

class CPowerSavePage : public CSettingsPage {
public:
    CPowerSavePage();

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static const int ROW_COUNT = 3;  // standby delay, wake touch, switch-off delay

    void OnEnableClicked();
    void OnScrollEnded();
    void OnRestoreDefaults();
    void ShowPowerSave();
    void ShowField(int row);
    void EnableRows(bool enable);

    ValueRange m_ranges[ROW_COUNT];       // in the fields' units
    DWORD m_dwHeldMs[ROW_COUNT] = {};     // the device's values
    unsigned char m_bySwitch = 0;
};

#endif
