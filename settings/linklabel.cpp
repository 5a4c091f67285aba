#include "linklabel.h"

#include <commctrl.h>
#include <shellapi.h>

#include "../common/registry.h"
#include "../common/uiseam.h"
#include "linkopen.h"

namespace {

const COLORREF UNVISITED_COLOUR = RGB(0, 0, 238);
const COLORREF VISITED_COLOUR = RGB(85, 26, 139);
const int HELP_HAND_CURSOR = 106;  // the hand in winhlp32.exe
const char* const LABEL_PROPERTY = "CLinkLabel";
const char* const HTM_OPEN_SUFFIX = "\\shell\\open\\command";

// The default value of an HKEY_CLASSES_ROOT key; false when it cannot be read.
bool ReadClassesText(const std::string& subkey, char* text, LONG size) {
    return RegQueryValueA(HKEY_CLASSES_ROOT, subkey.c_str(), text, &size) == ERROR_SUCCESS;
}

// Runs the program registered for ".htm" pages with the address; the
// result of the start, or `previous` when no such program is registered.
long OpenWithHtmProgram(const std::string& address, long previous) {
    char programId[REG_STRING_MAX], command[2 * REG_STRING_MAX];
    if (!ReadClassesText(".htm", programId, sizeof programId)) return previous;
    if (!ReadClassesText(std::string(programId) + HTM_OPEN_SUFFIX, command, sizeof command)) return previous;
    std::string commandLine = BrowserCommandForAddress(command, address);
    if (commandLine.empty()) return LinkStartResult(false, ERROR_FILE_NOT_FOUND);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    const BOOL started =
        CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    const long result = LinkStartResult(started != FALSE, GetLastError());
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return result;
}

}  // namespace

CLinkLabel::~CLinkLabel() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pPreviousProc));
        RemovePropA(m_hWnd, LABEL_PROPERTY);
    }
    if (m_hTooltip) DestroyWindow(m_hTooltip);
    if (m_hFont) DeleteObject(m_hFont);
    if (m_hHand) DestroyCursor(m_hHand);
}

void CLinkLabel::Attach(HWND label) {
    m_hWnd = label;
    char address[REG_STRING_MAX] = {};
    GetWindowTextA(label, address, sizeof address);
    m_address = address;
    SetPropA(label, LABEL_PROPERTY, this);
    m_pPreviousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
    SetUnderlinedFont();
    ShrinkToText();
    LoadHandCursor();
    CreateTooltip();
}

HBRUSH CLinkLabel::OnCtlColor(HDC dc) const {
    SetTextColor(dc, m_bHover ? GetSysColor(COLOR_HIGHLIGHT) : m_bVisited ? VISITED_COLOUR : UNVISITED_COLOUR);
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void CLinkLabel::SetUnderlinedFont() {
    LOGFONTA font = {};
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    GetObjectA(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfUnderline = TRUE;
    m_hFont = CreateFontIndirectA(&font);
    SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
}

// The label keeps its alignment within the space the layout gave it.
void CLinkLabel::ShrinkToText() {
    HWND parent = GetParent(m_hWnd);
    RECT area;
    GetWindowRect(m_hWnd, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ previous = SelectObject(dc, m_hFont);
    SIZE text = {};
    GetTextExtentPoint32A(dc, m_address.c_str(), static_cast<int>(m_address.size()), &text);
    SelectObject(dc, previous);
    ReleaseDC(m_hWnd, dc);
    const LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    const int width = static_cast<int>(area.right - area.left);
    int left = area.left, top = area.top;
    if ((style & SS_TYPEMASK) == SS_CENTER) left += (width - text.cx) / 2;
    else if ((style & SS_TYPEMASK) == SS_RIGHT) left = area.right - text.cx;
    if (style & SS_CENTERIMAGE) top += (area.bottom - area.top - text.cy) / 2;
    SetWindowPos(m_hWnd, nullptr, left, top, text.cx, text.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A copy, so that the help program's module need not stay loaded.
void CLinkLabel::LoadHandCursor() {
    char path[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof "\\winhlp32.exe" > MAX_PATH) return;
    lstrcatA(path, "\\winhlp32.exe");
    HMODULE help = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!help) return;
    HCURSOR hand = LoadCursorA(help, MAKEINTRESOURCEA(HELP_HAND_CURSOR));
    if (hand) m_hHand = CopyCursor(hand);
    FreeLibrary(help);
}

void CLinkLabel::CreateTooltip() {
    m_hTooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(m_hWnd), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (!m_hTooltip) return;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent(m_hWnd);
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = const_cast<char*>(m_address.c_str());
    SendMessageA(m_hTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK CLinkLabel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CLinkLabel* self = static_cast<CLinkLabel*>(GetPropA(window, LABEL_PROPERTY));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CLinkLabel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_hTooltip && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed = {m_hWnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        SendMessageA(m_hTooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
    case WM_SETCURSOR:
        if (!m_hHand) break;
        SetCursor(m_hHand);
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        return 0;
    case WM_LBUTTONUP:
        if (m_bHover) Open();
        return 0;
    default:
        break;
    }
    return CallWindowProcA(m_pPreviousProc, m_hWnd, message, wParam, lParam);
}

// The label holds the mouse while the pointer is over it, so that it learns
// when the pointer leaves.
void CLinkLabel::OnMouseMove(LPARAM position) {
    RECT client;
    GetClientRect(m_hWnd, &client);
    const POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    const bool inside = PtInRect(&client, point) != 0;
    if (inside == m_bHover) return;
    m_bHover = inside;
    if (inside) SetCapture(m_hWnd);
    else ReleaseCapture();
    Repaint();
}

void CLinkLabel::Open() {
    long result = static_cast<long>(reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", m_address.c_str(), nullptr, nullptr, SW_SHOWNORMAL)));
    if (result <= 32) result = OpenWithHtmProgram(m_address, result);
    m_bVisited = result > 32;
    Repaint();
    if (m_bVisited) return;
    MessageBeep(MB_ICONEXCLAMATION);
    const std::string text = "Unable to open hyperlink:\n\n" + HyperlinkFailureReason(result);
    g_ui.messageBoxA(GetParent(m_hWnd), text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

void CLinkLabel::Repaint() {
    // The background shows through: the parent paints it first.
    RECT area;
    GetWindowRect(m_hWnd, &area);
    MapWindowPoints(nullptr, GetParent(m_hWnd), reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(GetParent(m_hWnd), &area, TRUE);
}
