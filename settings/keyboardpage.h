// The "Keyboard" tab: the device's key sensitivity and the driver's key
// repeat. Sensitivity goes to the device as a device command; key repeat to
// the driver as a control message, and into the registry once it took it.
#ifndef ORVIK_SETTINGS_KEYBOARDPAGE_H
#define ORVIK_SETTINGS_KEYBOARDPAGE_H

#include "page.h"
#include "typingsettings.h"

class CKeyboardPage : public CSettingsPage {
public:
    CKeyboardPage();

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetUpSensitivityRange();
    void LoadKeyRepeat();
    void EnableRepeatControls(bool enable);
    void OnSensitivityMoved();
    void OnRepeatScrolled(HWND upDown);
    bool TakeFieldValue(int field, const RepeatLimits& limits, unsigned short* held);
    void OnRepeatEnableClicked();
    void OnRestoreDefaults();
    void SendKeyRepeat();

    unsigned char m_nSensitivity = 0;
    bool m_bRepeatEnabled = false;
    unsigned short m_nRepeatRate = 0;
    unsigned short m_nRepeatDelay = 0;
};

// The key repeat limits of the installation, absent ones replaced.
RepeatLimits RepeatRateLimits();
RepeatLimits RepeatDelayLimits();

#endif
