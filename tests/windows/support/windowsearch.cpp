#include "windowsearch.h"

#include <cstring>

namespace {

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

bool HasClass(HWND window, const char* name) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return _stricmp(className, name) == 0;
}

struct DialogSearch {
    DWORD processId;
    const char* caption;
    HWND except;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    DialogSearch* search = reinterpret_cast<DialogSearch*>(parameter);
    if (ProcessOf(window) != search->processId || !HasClass(window, "#32770") || !IsWindowVisible(window) ||
        window == search->except)
        return TRUE;
    if (search->caption && WindowText(window) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK KeepLongestStatic(HWND child, LPARAM parameter) {
    std::string* longest = reinterpret_cast<std::string*>(parameter);
    if (!HasClass(child, "Static")) return TRUE;
    const std::string text = WindowText(child);
    if (text.size() > longest->size()) *longest = text;
    return TRUE;
}

struct WindowCount {
    DWORD processId;
    int count;
};

BOOL CALLBACK CountVisibleWindow(HWND window, LPARAM parameter) {
    WindowCount* search = reinterpret_cast<WindowCount*>(parameter);
    if (ProcessOf(window) == search->processId && IsWindowVisible(window)) ++search->count;
    return TRUE;
}

}  // namespace

std::string WindowText(HWND window) {
    // Through the Unicode message: the ANSI one reads only the first
    // character of another process's control under Wine.
    wchar_t text[1024] = {};
    SendMessageW(window, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text));
    char narrow[2048];
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

HWND FindVisibleDialog(DWORD processId, const char* caption, HWND except) {
    DialogSearch search = {processId, caption, except, nullptr};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string LongestStaticText(HWND dialog) {
    std::string longest;
    EnumChildWindows(dialog, KeepLongestStatic, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

int VisibleTopLevelWindows(DWORD processId) {
    WindowCount search = {processId, 0};
    EnumWindows(CountVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.count;
}
