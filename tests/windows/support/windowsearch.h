// The windows of a process seen from outside it: its visible dialogs and
// message boxes, what they say, and how many top-level windows it shows.
#ifndef ORVIK_TESTS_WINDOWSEARCH_H
#define ORVIK_TESTS_WINDOWSEARCH_H

#include <windows.h>

#include <string>

// Its text, whatever process it belongs to.
std::string WindowText(HWND window);
// A visible dialog or message box of the process with this caption (null:
// any caption), other than `except`; 0 when there is none.
HWND FindVisibleDialog(DWORD processId, const char* caption = nullptr, HWND except = nullptr);
// The message of a dialog or message box: its longest static text.
std::string LongestStaticText(HWND dialog);
int VisibleTopLevelWindows(DWORD processId);

#endif
