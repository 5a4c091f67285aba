// A static text that works as a web link: coloured and underlined, shrunk to
// its text, a hand pointer and a tooltip with the address, highlighted while
// the pointer is over it, and opened in the browser when clicked.
#ifndef ORVIK_SETTINGS_LINKLABEL_H
#define ORVIK_SETTINGS_LINKLABEL_H

#include <windows.h>

#include <string>

class CLinkLabel {
public:
    CLinkLabel() = default;
    ~CLinkLabel();
    CLinkLabel(const CLinkLabel&) = delete;
    CLinkLabel& operator=(const CLinkLabel&) = delete;

    // Takes over the static control `label`; its text is the address.
    void Attach(HWND label);
    // The parent's answer to WM_CTLCOLORSTATIC for the label.
    HBRUSH OnCtlColor(HDC dc) const;
    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SetUnderlinedFont();
    void ShrinkToText();
    void LoadHandCursor();
    void CreateTooltip();
    void OnMouseMove(LPARAM position);
    void Open();
    void Repaint();

    HWND m_hWnd = nullptr;
    WNDPROC m_pPreviousProc = nullptr;
    HFONT m_hFont = nullptr;
    HCURSOR m_hHand = nullptr;
    HWND m_hTooltip = nullptr;
    std::string m_address;
    bool m_bVisited = false;
    bool m_bHover = false;
};

#endif
