// Presses of special keys. Each code is one case of the switch below; codes
// without an action still click, so the user hears that the device saw the key.
#include "launchkeys.h"

#include "keyboard.h"
#include "sound.h"

void ProcessSpecialKeyEvent(const InputEvent* event) {
    PlayKeySound(event->specialCode == SPECIAL_FN ? SOUND_MODIFIER : SOUND_REGULAR);
    switch (event->specialCode) {
    case SPECIAL_FN:
        bIsFnPressed = 1;
        break;
    case SPECIAL_ARROW_LAYER:
        bIsArrowLayer = 1;
        break;
    default:
        break;
    }
}
