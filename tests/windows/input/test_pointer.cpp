// Pointer events: moves go where the device says, taps click where the
// pointer is (only while tap-to-click is on), and the button keys hold their
// button between press and release so that moves in between drag.
#include <windows.h>

#include "../../../driver/input/mouse.h"
#include "../support/wait.h"
#include "fixture.h"

namespace {

// Under X the display reports moves back a little later, sometimes in several steps.
const DWORD STABLE_MS = 100;

class Pointer : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        start_ = SettledCursor();
    }

    // The pointer position once it has stopped changing: under X the
    // display reports moves back a little later, sometimes in several steps.
    static POINT SettledCursor() {
        POINT last = {};
        GetCursorPos(&last);
        DWORD stableSince = GetTickCount();
        WaitUntil(
            [&] {
                POINT now = {};
                GetCursorPos(&now);
                if (now.x == last.x && now.y == last.y) return GetTickCount() - stableSince >= STABLE_MS;
                last = now;
                stableSince = GetTickCount();
                return false;
            },
            4000);
        return last;
    }

    POINT start_ = {};
};

int Sign(long value) { return (value > 0) - (value < 0); }

struct MoveRow {
    short x, y;
};

TEST_F(Pointer, MovesFollowTheSignOfXAndY) {
    const MoveRow kRows[] = {{-5, 3}, {7, -4}, {0, 0}, {12, 0}};
    for (const MoveRow& row : kRows) {
        const POINT before = SettledCursor();
        Dispatch({Move(row.x, row.y)});
        recorder_.Take();
        const POINT after = SettledCursor();
        EXPECT_EQ(Sign(row.x), Sign(after.x - before.x)) << "move " << row.x << "," << row.y;
        EXPECT_EQ(Sign(row.y), Sign(after.y - before.y)) << "move " << row.x << "," << row.y;
    }
}

TEST_F(Pointer, TapsClickWithoutMovingThePointer) {
    Dispatch({{EVENT_LEFT_TAP, 0, 0, 100, -100}});
    EXPECT_EQ((Messages{"ldown", "lup"}), recorder_.Take());
    Dispatch({{EVENT_RIGHT_TAP, 0, 0, -40, 40}});
    EXPECT_EQ((Messages{"rdown", "rup"}), recorder_.Take());
    const POINT after = SettledCursor();
    EXPECT_EQ(start_.x, after.x);
    EXPECT_EQ(start_.y, after.y);
}

TEST_F(Pointer, WithTapOffTapsAreDroppedButMovesAndButtonKeysWork) {
    bTapEnabled = 0;
    Dispatch({{EVENT_LEFT_TAP, 0, 0, 0, 0}, {EVENT_RIGHT_TAP, 0, 0, 0, 0}});
    EXPECT_EQ(Messages{}, recorder_.Take());
    Dispatch({Press(VK_LBUTTON), Release(VK_LBUTTON)});
    EXPECT_EQ((Messages{"ldown", "lup"}), recorder_.Take());
    Dispatch({Move(6, 0)});
    recorder_.Take();
    EXPECT_GT(SettledCursor().x, start_.x);
}

TEST_F(Pointer, LeftButtonKeyHeldOverMovesDrags) {
    Dispatch({Press(VK_LBUTTON)});
    EXPECT_EQ(Messages{"ldown"}, recorder_.Take());
    Dispatch({Move(10, 0), Move(10, 5), Release(VK_LBUTTON)});
    Messages dragged = recorder_.Take();
    ASSERT_GE(dragged.size(), 2u);
    EXPECT_EQ("lup", dragged.back());
    dragged.pop_back();
    for (const std::string& message : dragged) EXPECT_EQ("drag", message) << "every move before the release drags";
    const POINT after = SettledCursor();
    EXPECT_GT(after.x, start_.x);
    EXPECT_GT(after.y, start_.y);
}

TEST_F(Pointer, RightButtonKeyPressAndReleaseTravelApart) {
    Dispatch({Press(VK_RBUTTON)});
    EXPECT_EQ(Messages{"rdown"}, recorder_.Take());
    Dispatch({Release(VK_RBUTTON)});
    EXPECT_EQ(Messages{"rup"}, recorder_.Take());
}

}  // namespace
