// The Projector, Mouse and Power Save pages under test: the driver running,
// the page opened once it has read the device, and its controls read and
// moved from the test's own process (trackbar ranges and ticks, up-down
// arrows, where the keyboard focus is).
#ifndef ORVIK_TESTS_SETTINGS_PAGECONTROLS_H
#define ORVIK_TESTS_SETTINGS_PAGECONTROLS_H

#include <windows.h>

#include <string>
#include <vector>

#include "settingsfixture.h"

class DevicePageTest : public SettingsFixture {
protected:
    // The driver runs; the device's log starts after the driver's own start.
    void SetUp() override;
    // What a test stores before the driver starts and reads it.
    virtual void BeforeDriverStarts() {}

    // Starts the program, opens the tab and waits until the page has sent
    // `lastQuery`, its last reading of the device, and is done.
    HWND OpenPage(int tab, unsigned short lastQuery);
};

struct TrackbarState {
    int min, max, position;
    std::vector<int> ticks;  // those set by the program, without the two at the ends
};
TrackbarState ReadTrackbar(HWND trackbar);

// The control that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);

// The key goes down `presses` times (as when it repeats) and up once.
void HoldKey(WORD key, int presses);

// Which of the controls named are enabled, as "1" and "0" in order, e.g. "110".
std::string EnabledStates(HWND page, const std::vector<int>& ids);

// The opcodes of every command the device received, as "0226" lines, in order.
std::vector<std::string> ReceivedOpcodes(SimClient& sim);
// The last `count` of them. A tab reached with the keyboard opens the pages on
// the way, and their queries come first.
std::vector<std::string> LastOpcodes(SimClient& sim, size_t count);

#endif
