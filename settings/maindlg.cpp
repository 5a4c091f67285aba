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

// Posted by the key filter: wParam 1 for the next tab, -1 for the one before.
const UINT WM_STEP_TAB = WM_APP + 1;

bool IsKeyDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

HWND CMainDlg::s_hFilteredWindow = nullptr;

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
    case WM_STEP_TAB:
        self->StepTab(static_cast<int>(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        if (self->m_hTabKeyFilter) UnhookWindowsHookEx(self->m_hTabKeyFilter);
        s_hFilteredWindow = nullptr;
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
    s_hFilteredWindow = m_hWnd;
    m_hTabKeyFilter = SetWindowsHookExA(WH_GETMESSAGE, TabKeyFilter, nullptr, GetCurrentThreadId());
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

LRESULT CALLBACK CMainDlg::TabKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    MSG* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_KEYDOWN && message->wParam == VK_TAB &&
        IsKeyDown(VK_CONTROL) && s_hFilteredWindow &&
        (message->hwnd == s_hFilteredWindow || IsChild(s_hFilteredWindow, message->hwnd))) {
        PostMessageA(s_hFilteredWindow, WM_STEP_TAB, static_cast<WPARAM>(IsKeyDown(VK_SHIFT) ? -1 : 1), 0);
        message->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The strip keeps the focus, so that Escape then closes the window.
void CMainDlg::StepTab(int step) {
    const int count = static_cast<int>(SendMessageA(m_hTabs, TCM_GETITEMCOUNT, 0, 0));
    if (count <= 0) return;
    const int current = static_cast<int>(SendMessageA(m_hTabs, TCM_GETCURSEL, 0, 0));
    SendMessageA(m_hTabs, TCM_SETCURSEL, ((current + step) % count + count) % count, 0);
    SwitchPage();
    SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hTabs), TRUE);
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
    MapWindowPoints(m_hTabs, m_hWnd, reinterpret_cast<POINT*>(&firstTab), 2);
    m_pPage = CreatePageForTab(m_nCurrentTab);
    if (!m_pPage || !m_pPage->Create(m_hWnd)) return;
    // Above the strip, which covers the same area.
    SetWindowPos(m_pPage->GetSafeHwnd(), HWND_TOP, firstTab.left + 1, firstTab.bottom + 2, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(m_pPage->GetSafeHwnd(), SW_SHOWNA);
}
