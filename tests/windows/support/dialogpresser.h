// A thread that presses the buttons of the next dialogs and message boxes
// this process shows, one answer per dialog, in order, and records what each
// one showed. The code under test runs the real modal loops meanwhile.
#ifndef ORVIK_TESTS_DIALOGPRESSER_H
#define ORVIK_TESTS_DIALOGPRESSER_H

#include <windows.h>

#include <string>
#include <vector>

struct ShownDialog {
    std::string caption;
    std::string text;  // the longest static text: the message
    HWND owner;
    bool ownerDisabled;  // the dialog was modal to its owner
};

class DialogPresser {
public:
    static const int CLOSE_BOX = -1;  // the title bar's close box instead of a button

    // Button identifiers (IDRETRY, IDCANCEL, ...) or CLOSE_BOX.
    explicit DialogPresser(std::vector<int> answers);
    ~DialogPresser();
    DialogPresser(const DialogPresser&) = delete;
    DialogPresser& operator=(const DialogPresser&) = delete;

    // What the dialogs answered so far showed.
    std::vector<ShownDialog> Shown();
    std::vector<std::string> Captions();

private:
    static DWORD WINAPI Run(LPVOID self);
    void Answer(HWND dialog, int answer);

    std::vector<int> answers_;
    std::vector<ShownDialog> shown_;
    CRITICAL_SECTION lock_;
    volatile LONG stop_ = 0;
    HANDLE thread_;
};

#endif
