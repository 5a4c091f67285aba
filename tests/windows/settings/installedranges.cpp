// Run by the setup program's check on a fresh installation, never on its own:
// the installed service serves the control port and the registry holds what
// the setup program wrote. Every slider and up-down field of the settings
// program must offer exactly the range of the factory values (the pages'
// own fallbacks, used when no limits are stored, differ from them).
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "settingsfixture.h"

namespace {

using Ranges = std::vector<std::pair<int, int>>;

BOOL CALLBACK CollectRange(HWND control, LPARAM found) {
    char className[64] = "";
    GetClassNameA(control, className, sizeof className);
    Ranges* ranges = reinterpret_cast<Ranges*>(found);
    if (std::strcmp(className, TRACKBAR_CLASSA) == 0) {
        ranges->emplace_back(static_cast<int>(SendMessageA(control, TBM_GETRANGEMIN, 0, 0)),
                             static_cast<int>(SendMessageA(control, TBM_GETRANGEMAX, 0, 0)));
    } else if (std::strcmp(className, UPDOWN_CLASSA) == 0) {
        const LRESULT range = SendMessageA(control, UDM_GETRANGE, 0, 0);
        ranges->emplace_back(static_cast<short>(HIWORD(range)), static_cast<short>(LOWORD(range)));
    }
    return TRUE;
}

// The ranges of the page's sliders and up-down fields, smallest first.
Ranges RangesOf(HWND page) {
    Ranges ranges;
    EnumChildWindows(page, CollectRange, reinterpret_cast<LPARAM>(&ranges));
    std::sort(ranges.begin(), ranges.end());
    return ranges;
}

class InstalledSettings : public SettingsFixture {
protected:
    // The installation's registry and the running service stay as they are.
    void SetUp() override { ASSERT_TRUE(sim.Connected()) << "no simulated device"; }
};

TEST_F(InstalledSettings, EverySliderAndFieldOffersTheFactoryRange) {
    ASSERT_TRUE(StartSettings()) << "the settings program showed no window";
    const struct {
        int tab;
        Ranges expected;
    } pages[] = {
        {1, {{0, 31}, {1, 31}}},                // projector: standby and normal brightness
        {2, {{1, 8}, {3, 30}, {150, 1050}}},    // key sensitivity, repeat rate and delay
        {3, {{1, 8}, {1, 10}}},                 // touch sensitivity, tapping speed
        {4, {{1, 60}, {30, 1800}, {50, 1000}}}, // switch-off, standby and wake times
    };
    for (const auto& page : pages) {
        HWND shown = SelectTab(page.tab);
        ASSERT_NE(nullptr, shown) << TabLabel(page.tab);
        ASSERT_TRUE(Idle()) << TabLabel(page.tab);
        EXPECT_EQ(page.expected, RangesOf(Page())) << TabLabel(page.tab);
    }
}

}  // namespace
