#include "page.h"

CSettingsPage::~CSettingsPage() {
    if (m_hWnd) {
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);  // no message reaches a half-destroyed object
        DestroyWindow(m_hWnd);
    }
}

int CSettingsPage::Create(HWND parent) {
    if (m_hWnd) return 0;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nLayoutId), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR CSettingsPage::OnMessage(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK CSettingsPage::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CSettingsPage* page = reinterpret_cast<CSettingsPage*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        page->m_hWnd = dialog;
        page->OnInitDialog();
        return TRUE;
    }
    CSettingsPage* page = reinterpret_cast<CSettingsPage*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!page) return FALSE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) return TRUE;
    return page->OnMessage(message, wParam, lParam);
}
