// Prints the text of a control inside a top-level window, found by their
// window classes: the run script reads back what notepad received this way
// ("windowtext Notepad Edit"). Exits 1 when there is no such window.
// "windowtext --texts TITLE" prints, one a line, the texts of the visible
// controls of the top-level windows whose title begins with TITLE (which page
// a wizard shows).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void PrintText(HWND window) {
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    std::printf("%s\n", text.data());
}

BOOL CALLBACK PrintVisibleText(HWND window, LPARAM) {
    if (IsWindowVisible(window) && SendMessageA(window, WM_GETTEXTLENGTH, 0, 0) > 0) PrintText(window);
    return TRUE;
}

struct TitledWindows {
    const char* title;
    int count;
};

// A wizard's title may end in a blank on some of its pages, so a title that
// begins with the one asked for counts.
BOOL CALLBACK PrintTextsOfTitled(HWND window, LPARAM parameter) {
    auto* found = reinterpret_cast<TitledWindows*>(parameter);
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    if (std::strncmp(title, found->title, std::strlen(found->title)) == 0) {
        EnumChildWindows(window, PrintVisibleText, 0);
        ++found->count;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: windowtext TOP-LEVEL-CLASS CONTROL-CLASS | windowtext --texts TITLE\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--texts") == 0) {
        TitledWindows found{argv[2], 0};
        EnumWindows(PrintTextsOfTitled, reinterpret_cast<LPARAM>(&found));
        if (!found.count) std::fprintf(stderr, "windowtext: no window titled %s\n", argv[2]);
        return found.count ? 0 : 1;
    }
    HWND window = FindWindowA(argv[1], nullptr);
    HWND control = window ? FindWindowExA(window, nullptr, argv[2], nullptr) : nullptr;
    if (!control) {
        std::fprintf(stderr, "windowtext: no %s window with a %s control\n", argv[1], argv[2]);
        return 1;
    }
    PrintText(control);
    return 0;
}
