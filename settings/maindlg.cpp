#include "maindlg.h"

#include <commctrl.h>

#include "../common/registry.h"
#include "aboutpage.h"
#include "connectionpage.h"
#include "keyboardpage.h"
#include "mousepage.h"
#include "powersavepage.h"
#include "projectorpage.h"
#include "resource.h"
#include "soundspage.h"

namespace {

const char* const kTabLabels[TAB_COUNT] = {"Connection", "Projector",  "Keyboard", "Mouse",
                                           "Power Save", "Sounds",     "About"};

}  // namespace

std::unique_ptr<CSettingsPage> CreatePageForTab(int tab) {
    switch (tab) {
    case TAB_CONNECTION: return std::unique_ptr<CSettingsPage>(new CConnectionPage);
    case TAB_PROJECTOR: return std::unique_ptr<CSettingsPage>(new CProjectorPage);
    case TAB_KEYBOARD: return std::unique_ptr<CSettingsPage>(new CKeyboardPage);
    case TAB_MOUSE: return std::unique_ptr<CSettingsPage>(new CMousePage);
    case TAB_POWER_SAVE: return std::unique_ptr<CSettingsPage>(new CPowerSavePage);
    case TAB_SOUNDS: return std::unique_ptr<CSettingsPage>(new CSoundsPage);
    case TAB_ABOUT: return std::unique_ptr<CSettingsPage>(new CAboutPage);
    default: return nullptr;
    }
}

INT_PTR CMainDlg::DoModal() {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CMainDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CMainDlg* self = reinterpret_cast<CMainDlg*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        self->m_hWnd = dialog;
        self->OnInitDialog();
        return TRUE;
    }
    CMainDlg* self = reinterpret_cast<CMainDlg*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_COMMAND:
        return self->OnCommand(LOWORD(wParam));
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->idFrom == IDC_MAIN_TABS &&
            reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE)
            self->SwitchPage();
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        self->m_pPage.reset();
        return FALSE;
    default:
        return FALSE;
    }
}

void CMainDlg::OnInitDialog() {
    char title[REG_STRING_MAX];
    GetDisplayName(title, sizeof title);
    SetWindowTextA(m_hWnd, title);
    m_hTabs = GetDlgItem(m_hWnd, IDC_MAIN_TABS);
    // Tab and arrow keys reach into the page shown on the strip.
    SetWindowLongPtrA(m_hTabs, GWL_EXSTYLE, GetWindowLongPtrA(m_hTabs, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kTabLabels[tab]);
        SendMessageA(m_hTabs, TCM_INSERTITEMA, tab, reinterpret_cast<LPARAM>(&item));
    }
    m_nCurrentTab = -1;
    m_pPage.reset();
    SwitchPage();
}

// Enter does nothing. Escape closes the window only from the tab strip: in
// a page it belongs to the page, which has no cancel action.
INT_PTR CMainDlg::OnCommand(int id) {
    if (id == IDCANCEL && !FocusInPage()) EndDialog(m_hWnd, IDCANCEL);
    return id == IDOK || id == IDCANCEL;
}

bool CMainDlg::FocusInPage() const {
    HWND focus = GetFocus();
    return m_pPage && focus && (focus == m_pPage->GetSafeHwnd() || IsChild(m_pPage->GetSafeHwnd(), focus));
}

void CMainDlg::SwitchPage() {
    m_pPage.reset();
    RECT firstTab = {};
    SendMessageA(m_hTabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&firstTab));
    m_nCurrentTab = static_cast<int>(SendMessageA(m_hTabs, TCM_GETCURSEL, 0, 0));
    m_pPage = CreatePageForTab(m_nCurrentTab);
    if (!m_pPage || !m_pPage->Create(m_hTabs)) return;
    SetWindowPos(m_pPage->GetSafeHwnd(), nullptr, firstTab.left + 1, firstTab.bottom + 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_pPage->GetSafeHwnd(), SW_SHOWNA);
}
