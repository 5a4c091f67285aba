// Where the pointer is before a test's device moves or clicks it.
#ifndef ORVIK_TESTS_POINTER_H
#define ORVIK_TESTS_POINTER_H

// Puts the pointer at (x, y) and waits until it stays there: under Wine, X
// now and then reports an earlier position late, which moves it back.
void SettlePointerAt(int x, int y);

#endif
