// The main window: a modal dialog whose tab strip shows one page at a time.
// A page lives only while its tab is selected; every switch builds the new
// page afresh, so that it reads the device's current values.
//
// The pages lie over the strip as its siblings, so that the strip itself is
// a tab stop (a container of controls is not). Ctrl+Tab and Ctrl+Shift+Tab
// switch pages from anywhere in the window.
#ifndef ORVIK_SETTINGS_MAINDLG_H
#define ORVIK_SETTINGS_MAINDLG_H

#include <windows.h>

#include <memory>

#include "page.h"

// The tabs, in order.
enum SettingsTab {
    TAB_CONNECTION,
    TAB_PROJECTOR,
    TAB_KEYBOARD,
    TAB_MOUSE,
    TAB_POWER_SAVE,
    TAB_SOUNDS,
    TAB_ABOUT,
    TAB_COUNT
};

class CMainDlg {
public:
    // Runs the window until the user closes it or the program is asked to quit.
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    INT_PTR OnCommand(int id);
    void SwitchPage();
    void StepTab(int step);
    bool FocusInPage() const;
    // Where the dialog handling would take Ctrl+Tab for Tab, the page
    // switch is asked for instead.
    static LRESULT CALLBACK TabKeyFilter(int code, WPARAM wParam, LPARAM lParam);
    static HWND s_hFilteredWindow;

    HWND m_hWnd = nullptr;
    HWND m_hTabs = nullptr;
    std::unique_ptr<CSettingsPage> m_pPage;
    int m_nCurrentTab = -1;
    HHOOK m_hTabKeyFilter = nullptr;
};

// The page object of a tab, its window not yet created.
std::unique_ptr<CSettingsPage> CreatePageForTab(int tab);

#endif
