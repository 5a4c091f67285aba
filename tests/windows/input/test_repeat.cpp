// Key repeat, with the timer window on its own thread as in the driver and
// this thread as the depacketizer, sending a key-held event every 50 ms.
// Timer times under Wine on a busy machine vary, so every time bound below
// carries a generous slack; the counts follow from the intervals.
#include <windows.h>

#include <algorithm>

#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/keyrepeat.h"
#include "../../../driver/input/launchkeys.h"
#include "../support/timerwindowthread.h"
#include "fixture.h"

namespace {

const unsigned short HOLD_MS = 250;
const unsigned short REPEAT_MS = 50;
const DWORD HELD_EVENT_PERIOD_MS = 50;
const double SLACK_MS = 150;  // timer and scheduling latency allowed on every bound
const double WATCH_STOP_MAX_MS = 2 * REPEAT_WATCH_INTERVAL_MS;

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

    // Key-held events for `durationMs`, one every 50 ms; returns when the last was sent.
    static double SendHeldEvents(unsigned char key, double durationMs) {
        const double start = NowMs();
        double last = start;
        while (NowMs() - start < durationMs) {
            Dispatch({Held(key)});
            last = NowMs();
            Sleep(HELD_EVENT_PERIOD_MS);
        }
        return last;
    }

    // Times at which the window received a WM_KEYDOWN for `hexKey` ("41").
    static std::vector<double> KeyDownTimes(const std::vector<RecordedMessage>& log, const char* hexKey) {
        std::vector<double> times;
        for (const RecordedMessage& message : log)
            if (message.text == std::string("kd ") + hexKey) times.push_back(message.atMs);
        return times;
    }

    static Messages Texts(const std::vector<RecordedMessage>& log) {
        Messages texts;
        for (const RecordedMessage& message : log) texts.push_back(message.text);
        return texts;
    }

    TimerWindowThread timerWindow_;
};

TEST_F(KeyRepeat, StartsAfterTheHoldIntervalRepeatsAndStopsWhenHeldEventsStop) {
    const double pressedAt = NowMs();
    Dispatch({Press('A')});
    const double lastHeld = SendHeldEvents('A', 1000);
    Sleep(static_cast<DWORD>(WATCH_STOP_MAX_MS + 2 * SLACK_MS));
    const std::vector<RecordedMessage> log = recorder_.TakeTimed();

    // The press and every repeat are whole keystrokes.
    const Messages texts = Texts(log);
    ASSERT_EQ(0u, texts.size() % 3);
    for (size_t i = 0; i < texts.size(); i += 3)
        ASSERT_EQ((Messages{"kd 41", "ch 61", "ku 41"}), Messages(texts.begin() + i, texts.begin() + i + 3));

    std::vector<double> repeats = KeyDownTimes(log, "41");
    repeats.erase(repeats.begin());  // the press itself
    const double repeatingMs = lastHeld - pressedAt - HOLD_MS;
    ASSERT_GE(repeats.size(), 5u);
    EXPECT_LE(repeats.size(), static_cast<size_t>((repeatingMs + WATCH_STOP_MAX_MS) / REPEAT_MS) + 3);
    EXPECT_GE(repeats.front() - pressedAt, HOLD_MS - 20) << "no repeat before the hold interval";
    const double meanGap = (repeats.back() - repeats.front()) / static_cast<double>(repeats.size() - 1);
    EXPECT_GE(meanGap, REPEAT_MS * 0.6);
    Sleep(static_cast<DWORD>(WATCH_STOP_MAX_MS + 2 * SLACK_MS));
    EXPECT_EQ(Messages{}, Texts(recorder_.TakeTimed()))
        << "repeat ended without a release once key-held events stopped";
}

TEST_F(KeyRepeat, AfterStoppingForLackOfHeldEventsTheNextHeldKeyRepeatsAgain) {
    Dispatch({Press('A')});
    SendHeldEvents('A', 500);
    Sleep(static_cast<DWORD>(WATCH_STOP_MAX_MS + SLACK_MS));
    ASSERT_GE(KeyDownTimes(recorder_.TakeTimed(), "41").size(), 2u);

    Dispatch({Press('B')});
    SendHeldEvents('B', 600);
    Sleep(static_cast<DWORD>(WATCH_STOP_MAX_MS + SLACK_MS));
    EXPECT_GE(KeyDownTimes(recorder_.TakeTimed(), "42").size(), 3u) << "the press and at least two repeats";
}

TEST_F(KeyRepeat, ReleaseOfTheRepeatedKeyStopsItAtOnce) {
    Dispatch({Press('A')});
    SendHeldEvents('A', 500);
    const double releasedAt = NowMs();
    Dispatch({Release('A')});
    // Held events that still come must neither keep nor restart the repeat.
    SendHeldEvents('A', 400);
    const std::vector<double> downs = KeyDownTimes(recorder_.TakeTimed(), "41");
    ASSERT_GE(downs.size(), 2u) << "it was repeating before the release";
    EXPECT_LE(std::count_if(downs.begin(), downs.end(), [releasedAt](double at) { return at > releasedAt; }), 1)
        << "at most the repeat already on its way comes after the release";
}

TEST_F(KeyRepeat, PressOfAnotherKeyStopsTheRepeatAndTheNewKeyWaitsForItsOwnHold) {
    Dispatch({Press('A')});
    SendHeldEvents('A', 500);
    const double otherPressedAt = NowMs();
    Dispatch({Press('B')});
    SendHeldEvents('B', 200);
    Sleep(static_cast<DWORD>(HOLD_MS + WATCH_STOP_MAX_MS + SLACK_MS));
    const std::vector<RecordedMessage> log = recorder_.TakeTimed();
    const std::vector<double> aDowns = KeyDownTimes(log, "41");
    ASSERT_GE(aDowns.size(), 2u) << "it was repeating before the other press";
    EXPECT_LE(std::count_if(aDowns.begin(), aDowns.end(), [otherPressedAt](double at) { return at > otherPressedAt; }),
              1)
        << "at most the repeat already on its way comes after the other press";
    const std::vector<double> bDowns = KeyDownTimes(log, "42");
    ASSERT_GE(bDowns.size(), 1u);
    if (bDowns.size() > 1) {
        EXPECT_GE(bDowns[1] - otherPressedAt, HOLD_MS - 20) << "B repeats only after its own hold interval";
    }
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
        SendHeldEvents(row.heldKey, HOLD_MS + 400);
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

volatile LONG gExtensionTimer = 0;
HANDLE gExtensionCalled = nullptr;

int RecordExtensionTimer(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_TIMER) return 0;
    gExtensionTimer = static_cast<LONG>(wParam);
    *result = 0;
    SetEvent(gExtensionCalled);
    return 1;
}

TEST_F(KeyRepeat, TimersBeyondKeyRepeatsGoToTheExtension) {
    const UINT_PTR OTHER_TIMER = 4;  // the tray's retry timer in the driver
    gExtensionCalled = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    gpfnTimerWndExtension = RecordExtensionTimer;
    PostMessageA(ghTimerWnd, WM_TIMER, OTHER_TIMER, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(gExtensionCalled, 2000));
    EXPECT_EQ(static_cast<LONG>(OTHER_TIMER), gExtensionTimer);

    gExtensionTimer = 0;
    PostMessageA(ghTimerWnd, WM_TIMER, TMR_WATCH, 0);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(gExtensionCalled, 300))
        << "key repeat's own timers are not offered";
    gpfnTimerWndExtension = nullptr;
    CloseHandle(gExtensionCalled);
}

}  // namespace
