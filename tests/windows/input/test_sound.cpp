// Key sounds, seen through the seam: PlaySound is replaced by a recorder, the
// registry is the real one of the test prefix, and Shift and Caps Lock are
// really pressed, because the choice reads them with GetKeyState.
#include <windows.h>

#include <cstring>
#include <string>

#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../driver/input/inject.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/keystate.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/input/launchkeys.h"
#include "fixture.h"

namespace {

struct PlayedSound {
    std::string path;
    HMODULE module;
    DWORD flags;
};

std::vector<PlayedSound> gPlayed;

BOOL WINAPI RecordPlaySound(LPCSTR sound, HMODULE module, DWORD flags) {
    gPlayed.push_back({sound ? sound : "(null)", module, flags});
    return TRUE;
}

const char* const R = "regular.wav";
const char* const C = "capital.wav";
const char* const M = "modifier.wav";
const DeviceEvent FnDown = PressSpecial(SPECIAL_FN);
const DeviceEvent FnUp = ReleaseSpecial(SPECIAL_FN);
const DeviceEvent LeftTap = {EVENT_LEFT_TAP, 0, 0, 0, 0};

void DeleteKeyTree(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) DeleteKeyTree(path + "\\" + child);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

std::string ReadAudioString(const char* name) {
    char value[300] = "";
    DWORD type = 0, size = sizeof value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_AUDIO_SESSION_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return "(no key)";
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? value : "(missing)";
}

std::string ExeDirectory() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    *(std::strrchr(path, '\\') + 1) = '\0';
    return path;
}

class KeySounds : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        DeleteKeyTree(REG_AUDIO_SESSION_KEY);
        StoreSoundNames(R, C, M);
        SetDwordValueFromRegistry(REG_AUDIO_SESSION_KEY, "Enable", 1);
        GetAudioDataFromRegistry();
        g_ui.playSoundA = RecordPlaySound;
        gPlayed.clear();
    }
    void TearDown() override {
        DeleteKeyTree(REG_AUDIO_SESSION_KEY);
        InputTest::TearDown();
    }

    static void StoreSoundNames(const std::string& regular, const std::string& capital, const std::string& modifier) {
        SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_AUDIO_SESSION_KEY, "SoundRegular", regular.c_str());
        SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_AUDIO_SESSION_KEY, "SoundCapital", capital.c_str());
        SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_AUDIO_SESSION_KEY, "SoundModifier", modifier.c_str());
    }

    // Caps Lock toggled and Shift held by the device, as the row asks: the
    // driver's sounds follow what it typed itself.
    void SetKeyboard(bool capsOn, bool shiftDown) {
        if (IsCapsLockOn() != capsOn) Dispatch({Press(VK_CAPITAL), Release(VK_CAPITAL)});
        if (shiftDown) Dispatch({Press(VK_LSHIFT)});
        recorder_.Take();
        gPlayed.clear();
    }

    // The file names played, in order.
    static Messages PlayedNames() {
        Messages names;
        for (const PlayedSound& sound : gPlayed) names.push_back(sound.path.substr(sound.path.rfind('\\') + 1));
        return names;
    }
};

struct SoundRow {
    const char* name;
    bool capsOn;
    bool shiftDown;
    std::vector<DeviceEvent> events;
    Messages expected;
};

TEST_F(KeySounds, EachPressPlaysTheSoundOfTheChoiceTable) {
    const SoundRow kRows[] = {
        {"generic Ctrl", false, false, {Press(VK_CONTROL), Release(VK_CONTROL)}, {M}},
        {"Left Shift", false, false, {Press(VK_LSHIFT), Release(VK_LSHIFT)}, {M}},
        {"Right Shift", false, false, {Press(VK_RSHIFT), Release(VK_RSHIFT)}, {M}},
        {"Left Ctrl", false, false, {Press(VK_LCONTROL), Release(VK_LCONTROL)}, {M}},
        {"Right Ctrl", false, false, {Press(VK_RCONTROL), Release(VK_RCONTROL)}, {M}},
        {"Left Alt", false, false, {Press(VK_LMENU), Release(VK_LMENU)}, {M}},
        {"Right Alt", false, false, {Press(VK_RMENU), Release(VK_RMENU)}, {M}},
        {"A", false, false, {Press('A')}, {R}},
        {"A with Caps Lock", true, false, {Press('A')}, {C}},
        {"A with Shift", false, true, {Press('A')}, {C}},
        {"A with Caps Lock and Shift", true, true, {Press('A')}, {R}},
        {"Win key with Caps Lock", true, false, {Press(VK_LWIN)}, {C}},
        {"F23, the last key Caps Lock counts for", true, false, {Press(0x86)}, {C}},
        {"1 with Shift", false, true, {Press('1')}, {C}},
        {"1 with Caps Lock: Caps Lock counts for letters only", true, false, {Press('1')}, {R}},
        {"Right arrow (0x27) with Shift", false, true, {Press(VK_RIGHT)}, {C}},
        {"semicolon key with Shift", false, true, {Press(VK_OEM_1)}, {C}},
        {"0xFE with Shift", false, true, {Press(0xFE)}, {C}},
        {"0xFE with Caps Lock", true, false, {Press(0xFE)}, {R}},
        {"Space with Shift", false, true, {Press(VK_SPACE)}, {R}},
        {"Left arrow (0x25) with Shift", false, true, {Press(VK_LEFT)}, {R}},
        {"VK_SHIFT is not in the modifier row", false, false, {Press(VK_SHIFT)}, {R}},
        {"VK_MENU is not in the modifier row", false, false, {Press(VK_MENU)}, {R}},
        {"Fn+1 sounds as F1, for which Caps Lock counts", true, false, {FnDown, Press('1'), Release('1'), FnUp}, {M, C}},
        {"Fn+Win sounds as Left Alt", false, false, {FnDown, Press(VK_LWIN), Release(VK_LWIN), FnUp}, {M, M}},
        {"arrow layer I sounds as Up", false, true,
         {PressSpecial(SPECIAL_ARROW_LAYER), Press('I'), ReleaseSpecial(SPECIAL_ARROW_LAYER)}, {R, R}},
        {"left button key", false, true, {Press(VK_LBUTTON), Release(VK_LBUTTON)}, {R}},
        {"Fn key", false, false, {FnDown, FnUp}, {M}},
        {"special keys other than Fn", false, false, {PressSpecial(5), PressSpecial(200), PressSpecial(27)}, {R, R, R}},
        {"Fn+Enter: only the Fn click", false, false, {FnDown, Press(VK_RETURN), Release(VK_RETURN), FnUp}, {M}},
        {"releases, held events, moves and taps are silent", false, false,
         {Release('A'), Held('A'), Move(1, 1), LeftTap}, {}},
    };
    for (const SoundRow& row : kRows) {
        SCOPED_TRACE(row.name);
        ResetKeyboardState();
        SetKeyboard(row.capsOn, row.shiftDown);
        for (const DeviceEvent& event : row.events) Dispatch({event});
        EXPECT_EQ(row.expected, PlayedNames()) << row.name;
        for (const PlayedSound& sound : gPlayed) {
            EXPECT_EQ(nullptr, sound.module) << row.name;
            EXPECT_EQ(0x22002u, sound.flags) << row.name << ": file name, no default sound, no waiting";
        }
        ReleaseModifiersAndCaps();
        recorder_.Take();
    }
}

TEST_F(KeySounds, AMissingAudioKeyIsCreatedWithTheDefaults) {
    DeleteKeyTree(REG_AUDIO_SESSION_KEY);
    bSoundEnabled = 0;
    GetAudioDataFromRegistry();
    EXPECT_EQ(1u, GetDwordValueFromRegistry(REG_AUDIO_SESSION_KEY, "Enable", 7));
    EXPECT_EQ("hwandsw.wav", ReadAudioString("SoundRegular"));
    EXPECT_EQ("Default.wav", ReadAudioString("SoundCapital"));
    EXPECT_EQ("Default.wav", ReadAudioString("SoundModifier"));
    Dispatch({Press('B')});
    ASSERT_EQ(1u, gPlayed.size());
    EXPECT_EQ(ExeDirectory() + "Media\\hwandsw.wav", gPlayed[0].path);
}

TEST_F(KeySounds, WithSoundsOffNothingPlays) {
    SetDwordValueFromRegistry(REG_AUDIO_SESSION_KEY, "Enable", 0);
    GetAudioDataFromRegistry();
    Dispatch({Press('A'), PressSpecial(SPECIAL_FN), ReleaseSpecial(SPECIAL_FN), Press(VK_LSHIFT)});
    EXPECT_TRUE(gPlayed.empty());
}

TEST_F(KeySounds, AReloadTakesTheNewFileNames) {
    StoreSoundNames("other.wav", C, M);
    GetAudioDataFromRegistry();
    Dispatch({Press('A')});
    EXPECT_EQ(Messages{"other.wav"}, PlayedNames());
}

// A path of 255 characters fits; one more is refused, never cut, so no
// other file than the one chosen can ever be played.
TEST_F(KeySounds, PathsLongerThan255CharactersAreRefused) {
    const size_t fixedLength = ExeDirectory().size() + std::strlen("Media\\") + std::strlen(".wav");
    ASSERT_LT(fixedLength, 250u);
    const std::string fits = std::string(255 - fixedLength, 'f') + ".wav";
    const std::string tooLong = std::string(256 - fixedLength, 't') + ".wav";
    StoreSoundNames(tooLong, fits, M);
    GetAudioDataFromRegistry();

    Dispatch({Press('A')});
    EXPECT_TRUE(gPlayed.empty()) << "the regular path would have 256 characters";

    SetKeyboard(false, true);
    Dispatch({Press('A')});
    ASSERT_EQ(1u, gPlayed.size());
    EXPECT_EQ(255u, gPlayed[0].path.size());
    EXPECT_EQ(ExeDirectory() + "Media\\" + fits, gPlayed[0].path);
}

}  // namespace
