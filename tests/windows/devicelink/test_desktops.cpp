// The depacketizer follows the session: each session event attaches it to
// the desktop that should receive input. The desktop it is on is read from
// the thread itself, inside the click-sound seam that it calls after typing.
#include <gtest/gtest.h>

#include "../../../common/uiseam.h"
#include "../../../driver/devicelink/commands.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/service/serviceevents.h"
#include "../support/driverlink.h"

namespace {

std::string gDesktopOfLastClick;

std::string DesktopName(HDESK desktop) {
    char name[128] = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationA(desktop, UOI_NAME, name, sizeof name, &needed)) return "?";
    return name;
}

BOOL WINAPI NoteDesktopOfClick(LPCSTR, HMODULE, DWORD) {
    gDesktopOfLastClick = DesktopName(GetThreadDesktop(GetCurrentThreadId()));
    return TRUE;
}

class DesktopTest : public DriverLinkTest {
protected:
    void SetUp() override {
        DriverLinkTest::SetUp();
        // Wine has no logon desktop of its own; the driver only opens it.
        winlogon_ = CreateDesktopA("Winlogon", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ASSERT_NE(nullptr, winlogon_);
        GetAudioDataFromRegistry();
        bSoundEnabled = 1;
        g_ui.playSoundA = NoteDesktopOfClick;
        ASSERT_TRUE(sim.Run("set powerstate FB"));
        ASSERT_EQ(1, InitSequence());
    }
    void TearDown() override {
        g_ui.playSoundA = PlaySoundA;
        bSoundEnabled = 0;
        DriverLinkTest::TearDown();
        CloseDesktop(winlogon_);
    }

    // Signals the session event, then a key press; returns the desktop that
    // the depacketizer typed it on.
    std::string DesktopAfter(SessionEvent event) {
        SetEvent(g_hSessionEvents[event]);
        gDesktopOfLastClick.clear();
        EXPECT_TRUE(sim.Run("press 2E"));  // Delete: typed, but nothing to see in any window
        WaitUntil([] { return !gDesktopOfLastClick.empty(); });
        return gDesktopOfLastClick;
    }

    HDESK winlogon_ = nullptr;
};

TEST_F(DesktopTest, EachSessionEventAttachesToItsDesktop) {
    struct Row { SessionEvent event; const char* desktop; };
    const Row rows[] = {
        {SESSION_LOGOFF, "Winlogon"},           {SESSION_LOGON, "Default"},
        {SESSION_LOGOFF, "Winlogon"},           {SESSION_LOCK, "Default"},
        {SESSION_LOGOFF, "Winlogon"},           {SESSION_UNLOCK, "Default"},
        {SESSION_LOGOFF, "Winlogon"},           {SESSION_SCREENSAVER_START, "Default"},
        {SESSION_LOGOFF, "Winlogon"},           {SESSION_SCREENSAVER_STOP, "Default"},
        {SESSION_LOGOFF, "Winlogon"},           {SESSION_SHUTDOWN, "Winlogon"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.desktop, DesktopAfter(row.event)) << "session event " << row.event;

    SetEvent(g_hServiceReadyEvent);  // the one-time attach at driver start
    EXPECT_EQ("Default", DesktopAfter(SESSION_SHUTDOWN));
}

// A depacketizer started again while a stop is under way (a switch-on, an
// INIT_CMD) must not lose the stop: it wakes to all the events at once and
// serves the stop first.
TEST_F(DesktopTest, ServiceStopEndsTheThreadEvenWithOtherEventsSignalled) {
    DeInitializeKeyBoard();
    SetEvent(g_hSessionEvents[SESSION_LOGOFF]);
    SetEvent(g_hSessionEvents[SESSION_LOCK]);
    SetEvent(g_hServiceStopEvent);
    ASSERT_TRUE(sim.Run("press 41"));
    ASSERT_EQ(1, InitSequence());
    ASSERT_TRUE(WaitUntil([] { return !DepacketizerRuns(); }));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_hServiceStopEvent, 0)) << "left set for the service thread";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_hSessionEvents[SESSION_LOGOFF], 0)) << "never served";
}

}  // namespace
