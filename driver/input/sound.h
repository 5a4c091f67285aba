// Key sounds: a projected keyboard has no mechanical feedback, so presses
// click. Three sounds exist (regular, capital, modifier); the user picks the
// files, which live in the "Media" folder beside the driver, and switches
// sounds on or off. Playback is synchronous on the injecting thread, after the
// keystroke, and refuses to queue behind a busy sound device.
#ifndef ORVIK_INPUT_SOUND_H
#define ORVIK_INPUT_SOUND_H

#include <windows.h>

enum KeySound { SOUND_REGULAR, SOUND_CAPITAL, SOUND_MODIFIER };

extern volatile LONG bSoundEnabled;

// Loads the on/off switch and the three file names from the registry (missing
// values are created with their defaults) and builds the full paths. A path
// that does not fit in 255 characters is refused: that sound stays silent.
void GetAudioDataFromRegistry();

// Plays the sound when sounds are on and its path is known.
void PlayKeySound(KeySound sound);

// The click for a key press that sent `sentKey` (after the Fn and arrow
// layers), chosen by the Shift and Caps Lock that the driver holds.
// Does nothing while sounds are off.
void PlayKeyPressSound(BYTE sentKey);

#endif
