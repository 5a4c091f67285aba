// One tab page of the main window: a borderless child dialog made from its
// layout on the tab strip. The object owns its window: deleting the page
// destroys the window, and a page keeps nothing across its lifetimes but what
// the registry or the device holds.
#ifndef ORVIK_SETTINGS_PAGE_H
#define ORVIK_SETTINGS_PAGE_H

#include <windows.h>

class CSettingsPage {
public:
    virtual ~CSettingsPage();
    CSettingsPage(const CSettingsPage&) = delete;
    CSettingsPage& operator=(const CSettingsPage&) = delete;

    // Creates the window from the layout as a child of `parent`, hidden, and
    // runs OnInitDialog once. 1 or 0.
    int Create(HWND parent);
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    explicit CSettingsPage(int layoutId) : m_nLayoutId(layoutId) {}

    // Once, when the window and its controls exist: the page reads its values.
    virtual void OnInitDialog() {}
    // Every other message, with the dialog procedure's rules: TRUE when handled.
    // Enter and Escape (IDOK and IDCANCEL) never reach it: a page has no
    // accept or cancel action.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    int m_nLayoutId;
};

#endif
