// Special keys: the keys of the projected layout that have no virtual-key
// code: the Fn and arrow layers and the launch keys. The device sends them as
// key code SPECIAL_KEY_CODE with a special code of their own; their presses
// come here from ProcessKeyDownEvent, their releases are handled by
// ProcessKeyUpEvent.
#ifndef ORVIK_INPUT_LAUNCHKEYS_H
#define ORVIK_INPUT_LAUNCHKEYS_H

#include "../../common/packet.h"

const unsigned char SPECIAL_KEY_CODE = 255;

enum SpecialKey : unsigned char {
    SPECIAL_FN = 26,           // Fn layer, while held
    SPECIAL_ARROW_LAYER = 27,  // arrow layer, while held
};

// Plays the key's click, then does what the key stands for.
void ProcessSpecialKeyEvent(const InputEvent* event);

#endif
