// The "Mouse" tab: touch sensitivity and tapping speed, kept by the device;
// tap to click, kept by the driver; and the system's own mouse settings.
#ifndef ORVIK_SETTINGS_MOUSEPAGE_H
#define ORVIK_SETTINGS_MOUSEPAGE_H

#include "page.h"
#include "valueranges.h"

class CMousePage : public CSettingsPage {
public:
    CMousePage();
    ~CMousePage() override;

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Inside this page only Space, End, Home and the arrows act (and Ctrl+Tab,
    // which switches pages): every other key press aimed at it reaches the
    // dialog handling as key code 0.
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
    static HWND s_hFilteredPage;

    void OnTrackbarReleased();
    void OnTapClicked();
    void OnRestoreDefaults();
    void ShowTapToClick(bool on);
    void MoveTrackbars();

    ValueRange m_touchRange = MOUSE_SENSITIVITY_FALLBACK;
    ValueRange m_speedRange = TAP_SPEED_FALLBACK;
    unsigned char m_bySensitivity = 0;
    unsigned char m_byTapSpeed = 0;
    HHOOK m_hKeyFilter = nullptr;
};

#endif
