// Key translation, seen from the application in the foreground: each row is a
// sequence of device events, each event with the messages the window must
// receive for it (nothing more, in this order). Left and right Shift, Ctrl
// and Alt reach a window as VK_SHIFT (10), VK_CONTROL (11) and VK_MENU (12);
// while an Alt is down keys arrive as WM_SYSKEYDOWN/WM_SYSCHAR/WM_SYSKEYUP,
// and F10 always does. The recorder's sentinel key counts as a key pressed
// under Alt, so an Alt's release always arrives as WM_KEYUP ("ku 12").
#include <windows.h>

#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/keystate.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/input/launchkeys.h"
#include "fixture.h"

namespace {

struct Step {
    DeviceEvent event;
    Messages expected;
};

struct TranslationRow {
    const char* name;
    std::vector<Step> steps;
};

const DeviceEvent FnDown = PressSpecial(SPECIAL_FN);
const DeviceEvent FnUp = ReleaseSpecial(SPECIAL_FN);
const DeviceEvent ArrowDown = PressSpecial(SPECIAL_ARROW_LAYER);
const DeviceEvent ArrowUp = ReleaseSpecial(SPECIAL_ARROW_LAYER);

const TranslationRow kTranslationRows[] = {
    {"ordinary key: typed whole at the press, nothing at the release",
     {{Press('A'), {"kd 41", "ch 61", "ku 41"}}, {Release('A'), {}}}},
    {"Tab: press at the press, release at the release", {{Press(VK_TAB), {"kd 09", "ch 09"}}, {Release(VK_TAB), {"ku 09"}}}},
    {"Enter: press at the press, release at the release",
     {{Press(VK_RETURN), {"kd 0D", "ch 0D"}}, {Release(VK_RETURN), {"ku 0D"}}}},
    {"Insert: press at the press, release at the release", {{Press(VK_INSERT), {"kd 2D"}}, {Release(VK_INSERT), {"ku 2D"}}}},
    {"Left Shift", {{Press(VK_LSHIFT), {"kd 10"}}, {Release(VK_LSHIFT), {"ku 10"}}}},
    {"Right Shift", {{Press(VK_RSHIFT), {"kd 10"}}, {Release(VK_RSHIFT), {"ku 10"}}}},
    {"generic Ctrl", {{Press(VK_CONTROL), {"kd 11"}}, {Release(VK_CONTROL), {"ku 11"}}}},
    {"Right Ctrl", {{Press(VK_RCONTROL), {"kd 11"}}, {Release(VK_RCONTROL), {"ku 11"}}}},
    {"Left Alt", {{Press(VK_LMENU), {"skd 12"}}, {Release(VK_LMENU), {"ku 12"}}}},
    {"Shift held over a letter gives a capital",
     {{Press(VK_LSHIFT), {"kd 10"}},
      {Press('A'), {"kd 41", "ch 41", "ku 41"}},
      {Release('A'), {}},
      {Release(VK_LSHIFT), {"ku 10"}}}},
    {"Win key without Fn: typed whole", {{Press(VK_LWIN), {"kd 5B", "ku 5B"}}, {Release(VK_LWIN), {}}}},
    {"Fn+1: F1 typed at the press, nothing at the release",
     {{FnDown, {}}, {Press('1'), {"kd 70", "ku 70"}}, {Release('1'), {}}, {FnUp, {}}}},
    {"Fn+9: F9", {{FnDown, {}}, {Press('9'), {"kd 78", "ku 78"}}, {Release('9'), {}}, {FnUp, {}}}},
    {"Fn+0: F10", {{FnDown, {}}, {Press('0'), {"skd 79", "sku 79"}}, {Release('0'), {}}, {FnUp, {}}}},
    {"Fn+A: not on the Fn layer", {{FnDown, {}}, {Press('A'), {"kd 41", "ch 61", "ku 41"}}, {FnUp, {}}}},
    {"after Fn is released, 1 is 1 again", {{FnDown, {}}, {FnUp, {}}, {Press('1'), {"kd 31", "ch 31", "ku 31"}}}},
    {"Fn+Win, release Fn, release Win: Left Alt held from the Win press to the Fn release",
     {{FnDown, {}}, {Press(VK_LWIN), {"skd 12"}}, {FnUp, {"ku 12"}}, {Release(VK_LWIN), {}}}},
    {"Fn+Win, release Win, release Fn: Left Alt released with the Win key",
     {{FnDown, {}}, {Press(VK_RWIN), {"skd 12"}}, {Release(VK_RWIN), {"ku 12"}}, {FnUp, {}}}},
    {"Fn+Space: Right Alt until the space bar is released",
     {{FnDown, {}}, {Press(VK_SPACE), {"skd 12"}}, {Release(VK_SPACE), {"ku 12"}}, {FnUp, {}}}},
    {"Alt latched: a digit is not remapped, and the Alt still ends with Fn",
     {{FnDown, {}},
      {Press(VK_LWIN), {"skd 12"}},
      {Press('1'), {"skd 31", "sch 31", "sku 31"}},
      {Release('1'), {}},
      {FnUp, {"ku 12"}},
      {Release(VK_LWIN), {}}}},
    {"Alt latched by Win: the space bar types Alt+Space and does not end the latch",
     {{FnDown, {}},
      {Press(VK_LWIN), {"skd 12"}},
      {Press(VK_SPACE), {"skd 20", "sch 20", "sku 20"}},
      {Release(VK_SPACE), {}},
      {FnUp, {"ku 12"}},
      {Release(VK_LWIN), {}}}},
    {"Win pressed before Fn: its release under Fn sends no Alt",
     {{Press(VK_LWIN), {"kd 5B", "ku 5B"}}, {FnDown, {}}, {Release(VK_LWIN), {}}, {FnUp, {}}}},
    {"arrow layer: I, J, K, L are arrows; other keys and the layer's end unchanged",
     {{ArrowDown, {}},
      {Press('I'), {"kd 26", "ku 26"}},
      {Release('I'), {}},
      {Press('J'), {"kd 25", "ku 25"}},
      {Press('K'), {"kd 28", "ku 28"}},
      {Press('L'), {"kd 27", "ku 27"}},
      {Press('M'), {"kd 4D", "ch 6D", "ku 4D"}},
      {ArrowUp, {}},
      {Press('I'), {"kd 49", "ch 69", "ku 49"}}}},
    {"Enter pressed before Fn is released as usual while Fn is held",
     {{Press(VK_RETURN), {"kd 0D", "ch 0D"}}, {FnDown, {}}, {Release(VK_RETURN), {"ku 0D"}}, {FnUp, {}}}},
    {"special key without an action types nothing", {{PressSpecial(5), {}}, {ReleaseSpecial(5), {}}}},
    {"event kinds outside the table are ignored",
     {{OfKind(3), {}}, {OfKind(4), {}}, {OfKind(5), {}}, {OfKind(9), {}}, {OfKind(250), {}}}},
};

class KeyTranslation : public InputTest {};

TEST_F(KeyTranslation, EveryRowTypesExactlyItsMessages) {
    for (const TranslationRow& row : kTranslationRows) {
        SCOPED_TRACE(row.name);
        ResetKeyboardState();
        for (size_t i = 0; i < row.steps.size(); ++i) {
            Dispatch({row.steps[i].event});
            EXPECT_EQ(row.steps[i].expected, recorder_.Take()) << row.name << ", step " << i + 1;
        }
        EXPECT_FALSE(IsFnLayerOn()) << row.name;
        EXPECT_FALSE(IsKeyHeld(VK_LMENU) || IsKeyHeld(VK_RMENU)) << row.name << ": no Alt latched";
        EXPECT_FALSE(IsArrowLayerOn()) << row.name;
        ReleaseModifiersAndCaps();
        recorder_.Take();
    }
}

TEST_F(KeyTranslation, OneBatchIsTypedInItsOrder) {
    Dispatch({Press('A'), Press(VK_LSHIFT), Press('B'), Release(VK_LSHIFT), Press('C')});
    EXPECT_EQ((Messages{"kd 41", "ch 61", "ku 41", "kd 10", "kd 42", "ch 42", "ku 42", "ku 10", "kd 43", "ch 63",
                        "ku 43"}),
              recorder_.Take());
}

// Fn+Enter closes the foreground application. This window logs WM_CLOSE and
// stays, like an application that ignores it, so the Ctrl+Q fallback and the
// second WM_CLOSE follow.
TEST_F(KeyTranslation, FnEnterClosesTheForegroundApplicationAndTypesNoEnter) {
    Dispatch({FnDown, Press(VK_RETURN)});
    EXPECT_EQ((Messages{"close", "kd 11", "kd 51", "ch 11", "ku 51", "ku 11", "close"}), recorder_.Take());
    Dispatch({Release(VK_RETURN)});
    EXPECT_EQ(Messages{}, recorder_.Take()) << "the release of Fn+Enter sends nothing";
    Dispatch({FnUp});
    EXPECT_EQ(Messages{}, recorder_.Take());
}

TEST_F(KeyTranslation, FnEnterReleasedAfterFnSendsNoEnterRelease) {
    Dispatch({FnDown, Press(VK_RETURN)});
    recorder_.Take();
    Dispatch({FnUp, Release(VK_RETURN)});
    EXPECT_EQ(Messages{}, recorder_.Take()) << "no Enter was pressed, so none is released";
    Dispatch({Press(VK_RETURN), Release(VK_RETURN)});
    EXPECT_EQ((Messages{"kd 0D", "ch 0D", "ku 0D"}), recorder_.Take()) << "the next Enter is an Enter again";
}

TEST_F(KeyTranslation, FnEnterWhoseReleaseIsLostDoesNotSwallowTheNextEnter) {
    Dispatch({FnDown, Press(VK_RETURN), FnUp});
    recorder_.Take();
    Dispatch({Press(VK_RETURN)});
    EXPECT_EQ((Messages{"kd 0D", "ch 0D"}), recorder_.Take());
    Dispatch({Release(VK_RETURN)});
    EXPECT_EQ(Messages{"ku 0D"}, recorder_.Take());
}

TEST_F(KeyTranslation, CtrlHeldByTheUserStaysDownThroughTheQuitShortcut) {
    Dispatch({Press(VK_LCONTROL)});
    EXPECT_EQ(Messages{"kd 11"}, recorder_.Take());
    ASSERT_TRUE(IsCtrlHeld()) << "the driver knows the Ctrl it holds";
    Dispatch({FnDown, Press(VK_RETURN)});
    EXPECT_EQ((Messages{"close", "kd 11", "kd 51", "ch 11", "ku 51", "close"}), recorder_.Take());
    Dispatch({Release(VK_RETURN), FnUp, Release(VK_LCONTROL)});
    EXPECT_EQ(Messages{"ku 11"}, recorder_.Take());
}

TEST(CloseForegroundApplication, AnApplicationThatClosesGetsOnlyWmClose) {
    RecorderWindow closing;
    ASSERT_TRUE(closing.Open("Closes on request", true));
    ResetKeyboardState();
    bSoundEnabled = 0;
    Dispatch({PressSpecial(SPECIAL_FN), Press(VK_RETURN), Release(VK_RETURN), ReleaseSpecial(SPECIAL_FN)});
    ASSERT_TRUE(closing.WaitUntilClosed(2000));
    EXPECT_EQ(Messages{"close"}, closing.Take());
    closing.Close();
}

class DesktopInForeground : public InputTest {
    const char* WindowTitle() const override { return "Desktop"; }
};

TEST_F(DesktopInForeground, IsNeverClosed) {
    Dispatch({FnDown, Press(VK_RETURN), Release(VK_RETURN), FnUp});
    CloseForegroundApplication();
    EXPECT_EQ(Messages{}, recorder_.Take());
    EXPECT_TRUE(IsWindowVisible(recorder_.Handle()));
}

}  // namespace
