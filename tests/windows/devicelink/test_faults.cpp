// Fault paths end to end: whatever way the link goes down (unplug, switch-off,
// re-initialisation, port change, a device error), nothing stays pressed,
// nothing is typed late or twice, nothing leaks, and switching on again types
// normally.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "../../../common/uiseam.h"
#include "../../../driver/devicelink/commands.h"
#include "../../../driver/input/keystate.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/service/controlserver.h"
#include "../../../driver/service/lifecycle.h"
#include "../../../driver/service/serviceevents.h"
#include "../../../driver/service/tray.h"
#include "../support/dialogpresser.h"
#include "../support/handlecount.h"
#include "../support/pointer.h"
#include "../support/typinglink.h"
#include "../support/wait.h"
#include "../support/windowthread.h"

namespace {

using Messages = std::vector<std::string>;

const Messages kTypedA = {"kd 41", "ch 61", "ku 41"};

// Every key and button that the system sees down, as "vk XX" texts.
Messages KeysDown() {
    Messages down;
    char text[16];
    for (int key = 1; key < 255; ++key) {
        if (!(GetAsyncKeyState(key) & 0x8000)) continue;
        std::snprintf(text, sizeof text, "vk %02X", key);
        down.push_back(text);
    }
    return down;
}

class FaultTest : public TypingLinkTest {
protected:
    FaultTest() : TypingLinkTest("Orvik fault test") {}
    void TearDown() override {
        SetStartSettleTime(START_SETTLE_MS);
        TypingLinkTest::TearDown();
    }

    // Button presses must land on the recorder, not on whatever lies under
    // the pointer.
    void PointAtRecorder() {
        RECT area;
        ASSERT_TRUE(GetWindowRect(recorder.Handle(), &area));
        SettlePointerAt((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    }

    // Holds down all that the device can hold: a drag with button key 1,
    // Shift, Ctrl, Tab, the Fn layer with its latched Alt, the arrow layer,
    // and a key that repeats.
    void HoldEverything() {
        PointAtRecorder();
        Type({"press 09", "press 01", "move 5 5", "press A0", "press 11", "special press 27", "special press 26",
              "press 5B"});
        // The repeating key comes after the marker, a newer key that would end
        // its repeat; the device reports it held until it repeats, so that
        // the repeat runs when the link goes down.
        ASSERT_TRUE(sim.Run("press 45"));
        for (int held = 0; KeyDownsOfE() < 2; ++held) {
            ASSERT_LT(held, 100) << "the key never repeated";
            ASSERT_TRUE(sim.RunPaced({"hold 45"}, 1));
        }
        ASSERT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000) << "the drag is in progress";
        ASSERT_TRUE(IsFnLayerOn());
        ASSERT_TRUE(IsArrowLayerOn());
    }

    // E typed with or without the latched Alt.
    size_t KeyDownsOfE() { return recorder.Count("kd 45") + recorder.Count("skd 45"); }

    // The release of everything held goes out under the same lock that key
    // repeat types under, and forgets the repeat key: no E may follow it. A
    // repeat left running would end only by its watch, a few watch periods
    // on; the link is down, so no marker from the device can tell, and the
    // count of E must settle first.
    void ExpectNothingHeld(const char* how) {
        EXPECT_TRUE(WaitUntilSteady([this] { return KeyDownsOfE(); }, 3 * REPEAT_WATCH_INTERVAL_MS, 5000))
            << how << ": repeating stopped";
        const Messages seen = recorder.Take();
        const auto released = std::find(seen.begin(), seen.end(), "lup");
        ASSERT_NE(seen.end(), released) << how << ": the button released";
        EXPECT_EQ(seen.end(), std::find_if(released, seen.end(), [](const std::string& m) {
                      return m == "kd 45" || m == "skd 45";
                  })) << how << ": nothing repeats after the release";
        EXPECT_EQ(Messages{}, KeysDown()) << how;
        EXPECT_FALSE(IsFnLayerOn()) << how;
        EXPECT_FALSE(IsArrowLayerOn()) << how;
        EXPECT_FALSE(IsKeyHeld(VK_LMENU)) << how << ": the latched Alt";
        EXPECT_EQ(0, RepeatKey()) << how;
    }

};

TEST_F(FaultTest, EveryWayTheLinkGoesDownReleasesEverythingAndTypingResumes) {
    const struct {
        const char* name;
        std::function<void(SimClient&)> down, up;
    } ways[] = {
        {"unplug",
         [](SimClient& s) {
             ASSERT_TRUE(s.Run("unplug"));
             ASSERT_TRUE(WaitUntil([] { return GetConnectionState() == 0; }));
         },
         [](SimClient& s) {
             ASSERT_TRUE(s.Run("set powerstate FB"));
             ASSERT_TRUE(s.Run("plug"));
             ASSERT_TRUE(WaitUntil([] { return GetConnectionState() == 1; }, 5000)) << "the link healed";
         }},
        {"switch-off", [](SimClient&) { ASSERT_EQ(0, DoConnectionSequence()); },
         [](SimClient&) { ASSERT_EQ(1, DoConnectionSequence()); }},
        {"re-initialisation",
         [](SimClient&) {
             DeInitializeKeyBoard();
             ASSERT_EQ(1, InitSequence());
         },
         [](SimClient&) {}},
        {"port change", [](SimClient&) { ASSERT_EQ(PORT_CHANGED, ChangeLinkPort(6)); },
         [](SimClient&) { ASSERT_EQ(PORT_CHANGED, ChangeLinkPort(5)); }},
    };
    for (const auto& way : ways) {
        HoldEverything();
        way.down(sim);
        ExpectNothingHeld(way.name);
        way.up(sim);
        // The key arrives alone, and the system sees nothing held. (Its
        // character is left out: under Wine the recorder thread's own key
        // state may lag behind the system's.)
        Messages typed = Type({"press 41"});
        typed.erase(std::remove_if(typed.begin(), typed.end(), [](const std::string& m) { return m[0] == 'c'; }),
                    typed.end());
        EXPECT_EQ((Messages{"kd 41", "ku 41"}), typed) << way.name << ": typing is normal again";
        EXPECT_EQ(Messages{}, KeysDown()) << way.name;
    }
}

BOOL WINAPI SlowClick(LPCSTR, HMODULE, DWORD) {
    Sleep(60);  // keeps the depacketizer busy, so that the groups behind wait in the queue
    return TRUE;
}

// Shift and button key 1 are held while 30 key groups wait behind slow click
// sounds: each way the link stops drops the waiting groups, releases exactly
// what was held, and types nothing after the releases.
TEST_F(FaultTest, EveryStopDropsWhatWaitsAndReleasesWhatIsHeld) {
    const struct {
        const char* name;
        std::function<void(SimClient&)> stop, restart;
    } ways[] = {
        {"switch-off", [](SimClient&) { DisableConnection(); }, [](SimClient&) { ASSERT_EQ(1, EnableConnection()); }},
        {"unplug",
         [](SimClient& s) {
             ASSERT_TRUE(s.Run("unplug"));
             ASSERT_TRUE(WaitUntil([] { return GetConnectionState() == 0; }));
         },
         [](SimClient& s) {
             ASSERT_TRUE(s.Run("plug"));
             ASSERT_EQ(1, EnableConnection());
         }},
        {"INIT_CMD", [](SimClient&) { ASSERT_EQ(1, RestartDeviceLink()); }, [](SimClient&) {}},
    };
    g_ui.playSoundA = SlowClick;
    GetAudioDataFromRegistry();
    bSoundEnabled = 1;
    for (const auto& way : ways) {
        PointAtRecorder();
        Type({"press A0", "press 01"});
        ASSERT_TRUE(IsKeyHeld(VK_LSHIFT) && IsKeyHeld(VK_LBUTTON)) << way.name;
        recorder.Take();
        ASSERT_TRUE(sim.Run("type abcdefghijklmno"));
        way.stop(sim);
        const Messages seen = recorder.Take();
        const auto released = std::find(seen.begin(), seen.end(), "ku 10");
        ASSERT_NE(seen.end(), released) << way.name << ": Shift released";
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), "lup")) << way.name << ": the button released";
        EXPECT_EQ(seen.end(), std::find_if(released, seen.end(), [](const std::string& m) { return m[0] == 'k' && m[1] == 'd'; }))
            << way.name << ": nothing typed after the releases";
        EXPECT_LT(std::count_if(seen.begin(), seen.end(), [](const std::string& m) { return m.compare(0, 2, "kd") == 0; }), 15)
            << way.name << ": the waiting groups were dropped";
        EXPECT_EQ(Messages{}, KeysDown()) << way.name;
        way.restart(sim);
        EXPECT_EQ(kTypedA, Type({"press 41"})) << way.name << ": typing goes on";
    }
    bSoundEnabled = 0;
    g_ui.playSoundA = PlaySoundA;
}

// Button key 1 held for a drag: the device reports it held every 50 ms until
// its release, which must bring the button up.
TEST_F(FaultTest, ADragWithKeyHeldEventsEndsWithTheButtonUpAtTheRelease) {
    PointAtRecorder();
    std::vector<std::string> drag = {"press 01"};
    for (int i = 0; i < 40; ++i) drag.push_back(i % 8 ? "hold 01" : "move 2 2");
    drag.push_back("release 01");
    for (const std::string& command : drag) ASSERT_TRUE(sim.Run(command));
    const Messages seen = Type({});
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ("ldown", seen.front());
    EXPECT_EQ("lup", seen.back()) << "the release brought the button up";
    EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    EXPECT_FALSE(IsKeyHeld(VK_LBUTTON));
}

TEST_F(FaultTest, KeysThatMustNeverRepeatDoNot) {
    recorder.Close();
    RecorderWindow application;
    ASSERT_TRUE(application.Open("Orvik closing application", true));
    ASSERT_TRUE(sim.Run("special press 26"));
    ASSERT_TRUE(sim.Run("press 0D"));
    ASSERT_TRUE(sim.RunPaced({"hold 0D"}, 20));  // Fn+Enter held for a second
    EXPECT_TRUE(application.WaitUntilClosed(3000));
    ASSERT_TRUE(recorder.Open("Orvik fault test"));
    ASSERT_TRUE(sim.RunPaced({"hold 0D"}, 10));
    EXPECT_EQ(Messages{}, Type({"release 0D", "special release 26"})) << "no Enter typed into the next window";

    PointAtRecorder();
    ASSERT_TRUE(sim.Run("press 01"));
    ASSERT_TRUE(sim.RunPaced({"move 1 0", "hold 01"}, 20));  // a drag held for two seconds
    const Messages drag = Type({"release 01"});
    EXPECT_EQ(1, std::count(drag.begin(), drag.end(), "ldown"));
    EXPECT_EQ(1, std::count(drag.begin(), drag.end(), "lup"));
    for (const std::string& message : drag)
        EXPECT_TRUE(message == "ldown" || message == "lup" || message == "drag" || message == "move") << message;
}

TEST_F(FaultTest, FailedHandshakeAtSwitchOnLeavesTheLinkUpAndSaysSo) {
    ASSERT_EQ(0, DoConnectionSequence());
    ASSERT_TRUE(sim.Run("fail 023F"));
    messages.clear();
    EXPECT_EQ(1, DoConnectionSequence()) << "the device started: the link is up";
    EXPECT_EQ(1, GetConnectionState());
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(0u, messages[0].text.find("Unable to set Tavelin information."));
    EXPECT_EQ(kTypedA, Type({"press 41"}));
    ASSERT_TRUE(sim.Run("fail off"));
    EXPECT_EQ(0, DoConnectionSequence());
    EXPECT_EQ(0u, PortHeldNow());
    EXPECT_EQ(1, DoConnectionSequence());
    EXPECT_EQ(kTypedA, Type({"press 41"}));

    ASSERT_TRUE(sim.Run("silent 0680"));  // the device does not start: fully closed
    EXPECT_EQ(0, DoConnectionSequence());
    DialogPresser cancel({IDCANCEL});
    EXPECT_EQ(0, DoConnectionSequence());
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(0u, PortHeldNow());
    ASSERT_TRUE(sim.Run("silent off"));
    EXPECT_EQ(1, DoConnectionSequence());
    EXPECT_EQ(kTypedA, Type({"press 41"}));
}

TEST_F(FaultTest, PortChangeWhileOffChecksThePortAndStaysOff) {
    ASSERT_EQ(0, DoConnectionSequence());
    EXPECT_EQ(PORT_CHANGED, ChangeLinkPort(6));
    EXPECT_EQ(0, GetConnectionState());
    EXPECT_EQ(0u, PortHeldNow());
    HANDLE port = CreateFileA("\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, port) << "the checked port was closed again";
    CloseHandle(port);
    EXPECT_EQ(1, DoConnectionSequence());
    EXPECT_EQ(kTypedA, Type({"press 41"}));
}

TEST_F(FaultTest, AfterALayoutLoadErrorNothingQueuesAndSwitchingOnRecovers) {
    ASSERT_TRUE(sim.Run("notice E5"));
    ASSERT_TRUE(WaitUntil([] { return GetConnectionState() == 0; })) << "the state shows it";
    SendPastTheReader({"press 41", "move 3 3", "press 42"});
    EXPECT_EQ(Messages{}, recorder.Take()) << "input stops";
    messages.clear();
    ASSERT_EQ(1, EnableConnection());
    EXPECT_EQ(kTypedA, Type({"press 41"}));
}

TEST_F(FaultTest, KeysTappedWhileTheConnectionWasOffAreNeverTyped) {
    ASSERT_EQ(0, DoConnectionSequence());
    ASSERT_TRUE(sim.Run("press 42"));
    ASSERT_TRUE(sim.Run("press 43"));
    ASSERT_EQ(1, DoConnectionSequence());
    EXPECT_EQ(kTypedA, Type({"press 41"})) << "only what comes after switching on";
}

TEST_F(FaultTest, NoiseOnTheLineCostsNoGoodKey) {
    const Bytes noise[] = {
        {0xA5},
        {0xA5, 0xA5, 1, 0, 0, 0, 1, 0, 0, 200, 0},
        {0xA5, 0xA5, 1, 0, 0, 0, 1, 0, 0, 0xA0, 0x0F},
        {0xA5, 0xA5, 0xA5, 0x13, 0xD0, 0x07, 0xA5},
    };
    Messages expected;
    for (int i = 0; i < 40; ++i) {
        const unsigned char key = static_cast<unsigned char>('A' + i % 26);
        // One simulator line each: its lines are limited in length.
        ASSERT_TRUE(sim.Run("raw " + Hex(Concat({noise[i % 4], KeyEvent(1, key, false)}))));
        char text[3][8];
        std::snprintf(text[0], 8, "kd %02X", key);
        std::snprintf(text[1], 8, "ch %02X", key + 0x20);
        std::snprintf(text[2], 8, "ku %02X", key);
        expected.insert(expected.end(), {text[0], text[1], text[2]});
    }
    EXPECT_EQ(expected, Type({}));
}

// Handles this process holds.
DWORD HandleCount() { return static_cast<DWORD>(ProcessHandleCount(GetCurrentProcessId())); }

// (Replugs that heal are counted by the heal tests.)
TEST_F(FaultTest, SessionEventsAndTogglesLeakNoHandle) {
    const DWORD before = HandleCount();
    // Wine's comm-event waits come and go with a few handles of their own:
    // the count is compared with a margin that one leak per cycle exceeds.
    const DWORD MARGIN = 5;
    std::vector<HANDLE> probes(50);
    for (HANDLE& probe : probes) probe = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_GE(HandleCount(), before + 50 - MARGIN) << "the count sees every handle";
    for (HANDLE probe : probes) CloseHandle(probe);
    for (int i = 0; i < 200; ++i) {
        SetSessionEventForControlCode(i % 2 ? 130 : 131);  // lock, unlock
        ASSERT_TRUE(WaitUntil([i] { return WaitForSingleObject(g_hSessionEvents[i % 2 ? 2 : 3], 0) != WAIT_OBJECT_0; }));
    }
    // The device answers at once: the settle time before the handshake only
    // stretches two hundred switch-ons into minutes.
    SetStartSettleTime(10);  // back in TearDown
    for (int i = 0; i < 100 && !HasFailure(); ++i) {
        ASSERT_EQ(0, DoConnectionSequence());
        ASSERT_EQ(1, DoConnectionSequence());
    }
    EXPECT_LE(HandleCount(), before + MARGIN) << "a cycle that leaks leaves a hundred or more behind";
    EXPECT_EQ(kTypedA, Type({"press 41"}));
}

// A settings window whose thread has stopped pumping messages.
class HungWindow {
public:
    HungWindow() : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        thread_.Start(
            [] {
                return CreateWindowExA(0, "STATIC", "Orvik hung settings", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr);
            },
            [this] { WaitForSingleObject(release_, INFINITE); });  // no message is ever taken
    }
    ~HungWindow() {
        SetEvent(release_);
        thread_.Stop();
        CloseHandle(release_);
    }
    HWND Window() const { return thread_.Window(); }

private:
    HANDLE release_;
    WindowThread thread_;
};

DWORD WINAPI RunDeinit(LPVOID) { return static_cast<DWORD>(Deinit()); }

TEST_F(FaultTest, StopDoesNotHangOnASettingsWindowThatDoesNotAnswer) {
    HungWindow settings;
    ASSERT_TRUE(IsWindow(settings.Window()));
    hSettingsWnd = settings.Window();
    HANDLE stop = CreateThread(nullptr, 0, RunDeinit, nullptr, 0, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(stop, 30000)) << "the stop finished";
    CloseHandle(stop);
    EXPECT_EQ(nullptr, hSettingsWnd);
    EXPECT_EQ(0u, PortHeldNow());
    EXPECT_EQ(0, InitSequence()) << "a stopped link is not started again behind the stop";
    hSettingsWnd = reinterpret_cast<HWND>(0x4321);  // not a window: nothing is sent to it
    EXPECT_EQ(1, Deinit());
}

}  // namespace
