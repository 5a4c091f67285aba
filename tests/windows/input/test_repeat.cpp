// Key repeat, with the timer window on its own thread as in the driver and
// this thread as the depacketizer, sending a key-held event every 50 ms.
// Timer times under Wine on a busy machine vary, so nothing here compares
// times: the tests inject a marker key of their own after a call into the
// driver has returned, and check what came before and after it (input
// reaches the window in the order it was injected), or wait until the
// repeats stop coming and count them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/keyrepeat.h"
#include "../../../driver/input/launchkeys.h"
#include "../support/timerwindowthread.h"
#include "../support/wait.h"
#include "fixture.h"

namespace {

const unsigned short HOLD_MS = 250;
// Long enough that the key-held events before a marker never reach it.
const unsigned short LONG_HOLD_MS = 2000;
const unsigned short REPEAT_MS = 50;
const DWORD HELD_EVENT_PERIOD_MS = 50;
const int EARLY_HELD_EVENTS = 4;  // well inside LONG_HOLD_MS, several repeat intervals
const int REPEATING_HELD_EVENTS = 20;
const int MAX_HELD_EVENTS = 200;  // a bound for a repeat that never starts, not a pace
// A repeat ends within two watch periods of the last key-held event.
const int STOP_REPEATS = 2 * REPEAT_WATCH_INTERVAL_MS / REPEAT_MS + 1;
const DWORD STEADY_MS = 3 * REPEAT_WATCH_INTERVAL_MS;
const DWORD STOP_TIMEOUT_MS = 5000;
// Logged like any key ("kd 85"); nothing under test types it.
const BYTE MARKER_KEY = VK_F22;
const char* const MARKER_DOWN = "kd 85";
const char* const MARKER_UP = "ku 85";

std::string KeyDown(unsigned char key) {
    char text[8];
    std::snprintf(text, sizeof text, "kd %02X", key);
    return text;
}

long CountOf(const Messages& messages, const std::string& text) {
    return static_cast<long>(std::count(messages.begin(), messages.end(), text));
}

// Injected after a call into the driver returned, the marker reaches the
// window after all input that the driver injected before it returned.
void InjectMarker() {
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = MARKER_KEY;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(2u, SendInput(2, inputs, sizeof(INPUT)));
}

// The log cut at each marker, markers left out: the part before the first
// marker, the part between the first and the second, ...
std::vector<Messages> SplitAtMarkers(const Messages& log) {
    std::vector<Messages> parts(1);
    for (const std::string& message : log) {
        if (message == MARKER_DOWN) parts.emplace_back();
        else if (message != MARKER_UP) parts.back().push_back(message);
    }
    return parts;
}

class KeyRepeat : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        ApplyKeyRepeatSettings(1, 1000 / REPEAT_MS, HOLD_MS);
        ASSERT_TRUE(timerWindow_.Start());
    }
    void TearDown() override {
        timerWindow_.Stop();
        InputTest::TearDown();
    }

    static void SendHeldEvents(unsigned char key, int count) {
        for (int i = 0; i < count; ++i) {
            Dispatch({Held(key)});
            Sleep(HELD_EVENT_PERIOD_MS);
        }
    }

    // Key-held events until the window has received `downs` key-downs of
    // `key` (its press and repeats). False when they never came.
    bool HoldUntilKeyDowns(unsigned char key, size_t downs) {
        for (int sent = 0; recorder_.Count(KeyDown(key)) < downs; ++sent) {
            if (sent == MAX_HELD_EVENTS) return false;
            SendHeldEvents(key, 1);
        }
        return true;
    }

    // True once no key-down of `key` came for a few watch periods.
    bool WaitUntilRepeatEnds(unsigned char key) {
        return WaitUntilSteady([this, key] { return recorder_.Count(KeyDown(key)); }, STEADY_MS, STOP_TIMEOUT_MS);
    }

    TimerWindowThread timerWindow_;
};

const Messages kTypedA = {"kd 41", "ch 61", "ku 41"};

TEST_F(KeyRepeat, StartsAfterTheHoldIntervalRepeatsAndStopsWhenHeldEventsStop) {
    ApplyKeyRepeatSettings(1, 1000 / REPEAT_MS, LONG_HOLD_MS);
    Dispatch({Press('A')});
    SendHeldEvents('A', EARLY_HELD_EVENTS);
    InjectMarker();
    ASSERT_TRUE(HoldUntilKeyDowns('A', 2)) << "it never repeated";
    SendHeldEvents('A', REPEATING_HELD_EVENTS);
    ASSERT_TRUE(WaitUntilRepeatEnds('A')) << "repeat ended without a release once key-held events stopped";
    const std::vector<Messages> parts = SplitAtMarkers(recorder_.Take());
    ASSERT_EQ(2u, parts.size());
    EXPECT_EQ(kTypedA, parts[0]) << "no repeat before the hold interval";

    // The press and every repeat are whole keystrokes.
    Messages typed = parts[0];
    typed.insert(typed.end(), parts[1].begin(), parts[1].end());
    ASSERT_EQ(0u, typed.size() % 3);
    for (size_t i = 0; i < typed.size(); i += 3)
        ASSERT_EQ(kTypedA, Messages(typed.begin() + i, typed.begin() + i + 3));

    // A repeat at most every repeat interval, key-held events no more often:
    // twice their number leaves room for a slow test thread.
    const long repeats = CountOf(parts[1], "kd 41");
    EXPECT_GE(repeats, 5);
    EXPECT_LE(repeats, 2 * (REPEATING_HELD_EVENTS + 1) + STOP_REPEATS);
}

TEST_F(KeyRepeat, AfterStoppingForLackOfHeldEventsTheNextHeldKeyRepeatsAgain) {
    Dispatch({Press('A')});
    ASSERT_TRUE(HoldUntilKeyDowns('A', 2)) << "A repeated";
    ASSERT_TRUE(WaitUntilRepeatEnds('A')) << "A stopped for lack of key-held events";

    Dispatch({Press('B')});
    EXPECT_TRUE(HoldUntilKeyDowns('B', 3)) << "the press and at least two repeats";
}

TEST_F(KeyRepeat, ReleaseOfTheRepeatedKeyStopsItAtOnce) {
    Dispatch({Press('A')});
    ASSERT_TRUE(HoldUntilKeyDowns('A', 2)) << "it was repeating before the release";
    Dispatch({Release('A')});
    InjectMarker();
    // Held events that still come must neither keep nor restart the repeat.
    SendHeldEvents('A', (HOLD_MS + 2 * REPEAT_WATCH_INTERVAL_MS) / HELD_EVENT_PERIOD_MS);
    const std::vector<Messages> parts = SplitAtMarkers(recorder_.Take());
    ASSERT_EQ(2u, parts.size());
    EXPECT_EQ(Messages{}, parts[1]) << "no repeat comes after the release";
}

TEST_F(KeyRepeat, PressOfAnotherKeyStopsTheRepeatAndTheNewKeyWaitsForItsOwnHold) {
    Dispatch({Press('A')});
    ASSERT_TRUE(HoldUntilKeyDowns('A', 2)) << "it was repeating before the other press";
    ApplyKeyRepeatSettings(1, 1000 / REPEAT_MS, LONG_HOLD_MS);
    Dispatch({Press('B')});
    InjectMarker();
    SendHeldEvents('B', EARLY_HELD_EVENTS);
    InjectMarker();
    ASSERT_TRUE(HoldUntilKeyDowns('B', 2)) << "B repeats after its own hold interval";
    const std::vector<Messages> parts = SplitAtMarkers(recorder_.Take());
    ASSERT_EQ(3u, parts.size());
    EXPECT_EQ(0, CountOf(parts[1], "kd 41") + CountOf(parts[2], "kd 41")) << "no A comes after the other press";
    EXPECT_EQ(0, CountOf(parts[1], "kd 42")) << "B repeats only after its own hold interval";
    EXPECT_EQ(1, CountOf(parts[0], "kd 42")) << "B's press";
}

struct NoRepeatRow {
    const char* name;
    std::vector<DeviceEvent> presses;
    unsigned char heldKey;
    bool repeatEnabled;
};

// Keys that must never repeat, and any key while repeat is off: after the
// presses, held events for longer than the hold interval add nothing.
TEST_F(KeyRepeat, KeysThatNeverRepeat) {
    const NoRepeatRow kRows[] = {
        {"repeat switched off", {Press('A')}, 'A', false},
        {"Left Alt made by Fn+Win", {PressSpecial(SPECIAL_FN), Press(VK_LWIN)}, VK_LWIN, true},
        {"Right Alt made by Fn+Space", {PressSpecial(SPECIAL_FN), Press(VK_SPACE)}, VK_SPACE, true},
        {"F1 made by Fn+1", {PressSpecial(SPECIAL_FN), Press('1')}, '1', true},
        {"Up made by the arrow layer", {PressSpecial(SPECIAL_ARROW_LAYER), Press('I')}, 'I', true},
        {"Win key", {Press(VK_LWIN)}, VK_LWIN, true},
        {"special key", {PressSpecial(5)}, 255, true},
        {"Left Alt", {Press(VK_LMENU)}, VK_LMENU, true},
        // Repeated as press and release, a modifier would let go of itself
        // while the user holds it for the next key.
        {"Left Shift", {Press(VK_LSHIFT)}, VK_LSHIFT, true},
        {"Ctrl", {Press(VK_CONTROL)}, VK_CONTROL, true},
    };
    for (const NoRepeatRow& row : kRows) {
        SCOPED_TRACE(row.name);
        ResetKeyboardState();
        ApplyKeyRepeatSettings(row.repeatEnabled, 1000 / REPEAT_MS, HOLD_MS);
        for (const DeviceEvent& press : row.presses) Dispatch({press});
        recorder_.Take();
        SendHeldEvents(row.heldKey, (HOLD_MS + 400) / HELD_EVENT_PERIOD_MS);
        EXPECT_EQ(Messages{}, recorder_.Take()) << row.name;
        ReleaseModifiersAndCaps();
        recorder_.Take();
    }
}

TEST_F(KeyRepeat, TimerWindowEndsItsThreadOnDestroy) {
    SendMessageA(ghTimerWnd, WM_DESTROY, 0, 0);
    EXPECT_TRUE(timerWindow_.Ended(2000)) << "WM_DESTROY must post the quit message";
    EXPECT_EQ(nullptr, ghTimerWnd) << "nothing may be posted to the old window any more";
}

const LONG MAX_OFFERED = 8;
volatile LONG gOfferedCount = 0;
volatile LONG gOfferedTimers[MAX_OFFERED];

int RecordExtensionTimer(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_TIMER) return 0;
    const LONG index = InterlockedIncrement(&gOfferedCount) - 1;
    if (index < MAX_OFFERED) gOfferedTimers[index] = static_cast<LONG>(wParam);
    *result = 0;
    return 1;
}

// Posted messages arrive in order: once the timer posted after key repeat's
// own was offered, key repeat's would have been offered before it.
TEST_F(KeyRepeat, TimersBeyondKeyRepeatsGoToTheExtension) {
    const LONG OTHER_TIMER = 4;  // the tray's retry timer in the driver
    gOfferedCount = 0;
    gpfnTimerWndExtension = RecordExtensionTimer;
    for (UINT_PTR timer : {static_cast<UINT_PTR>(OTHER_TIMER), TMR_HOLD, TMR_REPEAT, TMR_WATCH,
                           static_cast<UINT_PTR>(OTHER_TIMER)})
        PostMessageA(ghTimerWnd, WM_TIMER, timer, 0);
    EXPECT_TRUE(WaitUntil([] { return gOfferedCount >= 2; }, 2000)) << "the other timer was offered";
    gpfnTimerWndExtension = nullptr;
    EXPECT_EQ(2, gOfferedCount) << "key repeat's own timers are not offered";
    EXPECT_EQ(OTHER_TIMER, gOfferedTimers[0]);
    EXPECT_EQ(OTHER_TIMER, gOfferedTimers[1]);
}

}  // namespace
