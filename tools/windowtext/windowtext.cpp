// Prints the text of a control inside a top-level window, found by their
// window classes: the run script reads back what notepad received this way
// ("windowtext Notepad Edit"). Exits 1 when there is no such window.
#include <windows.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: windowtext TOP-LEVEL-CLASS CONTROL-CLASS\n");
        return 2;
    }
    HWND window = FindWindowA(argv[1], nullptr);
    HWND control = window ? FindWindowExA(window, nullptr, argv[2], nullptr) : nullptr;
    if (!control) {
        std::fprintf(stderr, "windowtext: no %s window with a %s control\n", argv[1], argv[2]);
        return 1;
    }
    const LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    std::printf("%s\n", text.data());
    return 0;
}
