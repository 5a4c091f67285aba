#include "devicevalue.h"

#include <commctrl.h>

#include <cstring>

#include "../common/packet.h"
#include "../common/settingsstore.h"
#include "controlclient.h"
#include "retryloops.h"

int QueryHeldValue(HWND page, unsigned short opcode, DWORD* held, GiveUpAction giveUp) {
    unsigned short responseLength = 0;
    GetLength(opcode, nullptr, &responseLength);  // an opcode not in the table gets no reply at all
    bool gaveUp = false;
    const auto stop = [&gaveUp, giveUp] {
        gaveUp = true;
        if (giveUp == END_PROGRAM) PostQuitMessage(0);
    };
    // Zeroed each time: nothing of an earlier reply can be read as this one.
    unsigned char reply[REPLY_AREA_SIZE];
    std::memset(reply, 0, sizeof reply);
    if (QueryWithErrorDialog(page, opcode, reply, stop, stop)) *held = ReplyValue(reply, responseLength);
    return !gaveUp;
}

void SendTrackbarIfMoved(HWND page, int trackbarId, unsigned short opcode, const ValueRange& range,
                         unsigned char* held) {
    const long position = GetTrackbarPosition(GetDlgItem(page, trackbarId));
    if (!PositionDiffersFromHeld(position, *held, range)) return;
    if (SendWithRetryPrompt(page, opcode, static_cast<DWORD>(position), RETRY_IMMEDIATE_CHANGE))
        *held = static_cast<unsigned char>(position);
}

void SetUpTrackbar(HWND trackbar, const ValueRange& range, TickRule ticks) {
    SendMessageA(trackbar, TBM_SETRANGEMIN, FALSE, range.min);
    SendMessageA(trackbar, TBM_SETRANGEMAX, FALSE, range.max);
    SendMessageA(trackbar, TBM_CLEARTICS, FALSE, 0);
    for (long position : TickPositions(range, ticks)) SendMessageA(trackbar, TBM_SETTIC, 0, position);
    InvalidateRect(trackbar, nullptr, TRUE);
}

long GetTrackbarPosition(HWND trackbar) { return static_cast<long>(SendMessageA(trackbar, TBM_GETPOS, 0, 0)); }

void MoveTrackbar(HWND trackbar, long position) { SendMessageA(trackbar, TBM_SETPOS, TRUE, position); }

void EnableDialogItems(HWND dialog, const int* ids, size_t count, bool enable) {
    for (size_t i = 0; i < count; ++i) EnableWindow(GetDlgItem(dialog, ids[i]), enable);
}

DWORD ReadDefault(const SettingValue& value) { return ReadDwordSetting(value, BY_SETTINGS); }
