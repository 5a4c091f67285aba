// What the Mouse, Power Save and Projector pages share: reading a device
// value while the page opens, and trackbars and control groups that follow
// the page's values.
#ifndef ORVIK_SETTINGS_DEVICEVALUE_H
#define ORVIK_SETTINGS_DEVICEVALUE_H

#include <windows.h>

#include <cstddef>

#include "../common/settingsvalues.h"
#include "valueranges.h"

// What a page does when the user gives up on a silent device while it opens
// (Cancel or Turn Off in the connection error dialog).
enum GiveUpAction {
    STOP_OPENING,  // the page stays as far as it got
    END_PROGRAM,   // the program is asked to end; the page stops opening too
};

// Reads a device value for `page` (a command without payload; its reply is read in the
// width the command table gives) into `held` when the device answers; left
// as it was when it does not. 1: the page goes on opening; 0: the user gave up.
int QueryHeldValue(HWND page, unsigned short opcode, DWORD* held, GiveUpAction giveUp);

template <typename Held>
int QueryHeldValue(HWND page, unsigned short opcode, Held* held, GiveUpAction giveUp) {
    DWORD value = *held;
    const int goOn = QueryHeldValue(page, opcode, &value, giveUp);
    *held = static_cast<Held>(value);  // a narrower value holds the reply's first bytes
    return goOn;
}

// A trackbar of `page` let go: when the user moved it off the held value,
// sends its position (immediate-change retry prompt) and, once the device
// took it, holds it.
void SendTrackbarIfMoved(HWND page, int trackbarId, unsigned short opcode, const ValueRange& range,
                         unsigned char* held);

// Range and ticks of a trackbar.
void SetUpTrackbar(HWND trackbar, const ValueRange& range, TickRule ticks);
long GetTrackbarPosition(HWND trackbar);
void MoveTrackbar(HWND trackbar, long position);

// Enables or disables the dialog's controls named in `ids`.
void EnableDialogItems(HWND dialog, const int* ids, size_t count, bool enable);
template <size_t N>
void EnableDialogItems(HWND dialog, const int (&ids)[N], bool enable) {
    EnableDialogItems(dialog, ids, N, enable);
}

// Reads a factory value (0 when absent).
DWORD ReadDefault(const SettingValue& value);

#endif
