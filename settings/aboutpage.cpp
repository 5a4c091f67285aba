#include "aboutpage.h"

#include "resource.h"

CAboutPage::CAboutPage() : CSettingsPage(IDD_ABOUT) {}

void CAboutPage::OnInitDialog() { m_link.Attach(GetDlgItem(m_hWnd, IDC_ABOUT_LINK)); }

INT_PTR CAboutPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == m_link.GetSafeHwnd())
        return reinterpret_cast<INT_PTR>(m_link.OnCtlColor(reinterpret_cast<HDC>(wParam)));
    return CSettingsPage::OnMessage(message, wParam, lParam);
}
