// Key sounds. The paths are rebuilt by GetAudioDataFromRegistry, which runs on
// the initializing thread or the control server thread while the depacketizer
// may be about to play; a lock makes the player copy a whole path, never one
// half rewritten. The sound itself plays outside the lock.
#include "sound.h"

#include <cstring>

#include "../../common/programfolder.h"
#include "../../common/settingsstore.h"
#include "../../common/trace.h"
#include "../../common/uiseam.h"
#include "../../common/winsync.h"
#include "keystate.h"

volatile LONG bSoundEnabled = 0;

namespace {

const int SOUND_PATH_SIZE = 256;  // 255 characters and the terminator
const DWORD SOUND_FLAGS = SND_FILENAME | SND_NODEFAULT | SND_NOWAIT;
const int SOUND_COUNT = 3;

char szSoundRegular[SOUND_PATH_SIZE];
char szSoundCapital[SOUND_PATH_SIZE];
char szSoundModifier[SOUND_PATH_SIZE];
char* const kSoundPaths[] = {szSoundRegular, szSoundCapital, szSoundModifier};  // by KeySound

StaticLock gSoundPathLock;

void ReadSoundName(const SettingValue& value, char* name) {
    if (!ReadStringSetting(value, BY_DRIVER, name, SOUND_PATH_SIZE)) name[0] = '\0';
}

void BuildSoundPath(const char* directory, const char* name, char* path) {
    if (!ComposeMediaPath(directory, name, path, SOUND_PATH_SIZE))
        Trace("GetAudioDataFromRegistry: path of %s is too long, refused.", name);
}

KeySound ChooseKeyPressSound(BYTE sentKey) {
    if (IsModifierKey(sentKey)) return SOUND_MODIFIER;
    const bool shift = IsShiftHeld();
    // Letters, Win keys, keypad and F-keys: Caps Lock inverts Shift.
    if (sentKey >= 0x41 && sentKey <= 0x86) return shift != IsCapsLockOn() ? SOUND_CAPITAL : SOUND_REGULAR;
    // Digits, punctuation and the keys above F23: Shift alone decides.
    if (sentKey >= 0x27) return shift ? SOUND_CAPITAL : SOUND_REGULAR;
    return SOUND_REGULAR;
}

}  // namespace

void GetAudioDataFromRegistry() {
    bSoundEnabled = ReadDwordSetting(SOUND_ENABLE, BY_DRIVER) != 0;
    char capital[SOUND_PATH_SIZE], regular[SOUND_PATH_SIZE], modifier[SOUND_PATH_SIZE];
    ReadSoundName(SOUND_CAPITAL_FILE, capital);
    ReadSoundName(SOUND_REGULAR_FILE, regular);
    ReadSoundName(SOUND_MODIFIER_FILE, modifier);

    char paths[SOUND_COUNT][SOUND_PATH_SIZE] = {};
    char directory[MAX_PATH];
    if (GetProgramFolder(directory, sizeof directory)) {
        BuildSoundPath(directory, regular, paths[SOUND_REGULAR]);
        BuildSoundPath(directory, capital, paths[SOUND_CAPITAL]);
        BuildSoundPath(directory, modifier, paths[SOUND_MODIFIER]);
    } else {
        Trace("GetAudioDataFromRegistry: GetModuleFileName failed.");
    }
    LockHeld use(gSoundPathLock);
    for (int sound = 0; sound < SOUND_COUNT; ++sound) std::memcpy(kSoundPaths[sound], paths[sound], SOUND_PATH_SIZE);
}

void PlayKeySound(KeySound sound) {
    if (!bSoundEnabled) return;
    char path[SOUND_PATH_SIZE];
    {
        LockHeld use(gSoundPathLock);
        std::memcpy(path, kSoundPaths[sound], SOUND_PATH_SIZE);
    }
    if (path[0]) g_ui.playSoundA(path, nullptr, SOUND_FLAGS);
}

void PlayKeyPressSound(BYTE sentKey) {
    if (!bSoundEnabled) return;
    PlayKeySound(ChooseKeyPressSound(sentKey));
}
