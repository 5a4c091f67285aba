// The arithmetic and tables behind the Keyboard and Sounds pages: key repeat
// limits and clamping, the sensitivity default, the sound schemes.
// Platform-free.
#ifndef ORVIK_SETTINGS_TYPINGSETTINGS_H
#define ORVIK_SETTINGS_TYPINGSETTINGS_H

struct RepeatLimits {
    unsigned long min;
    unsigned long max;
};

// Used where the installation stored no limit (it reads as 0).
const RepeatLimits RATE_FALLBACK_LIMITS = {3, 30};       // characters per second
const RepeatLimits DELAY_FALLBACK_LIMITS = {150, 1050};  // milliseconds
const int REPEAT_DELAY_STEP = 50;                        // ms per up-down step

const unsigned long SENSITIVITY_FALLBACK_DEFAULT = 4;

// The stored limits, each absent one (0) replaced by the fallback's.
RepeatLimits EffectiveLimits(unsigned long storedMin, unsigned long storedMax, const RepeatLimits& fallback);

// `value` moved into the limits (the minimum wins should they cross).
unsigned short ClampToLimits(unsigned long value, const RepeatLimits& limits);

// The sensitivity that "Restore Defaults" sends for a stored "Default".
unsigned long SensitivityDefault(unsigned long stored);

// One entry of the "Sound Scheme" list and the sounds it offers.
struct SoundScheme {
    const char* name;
    const char* regular;
    const char* capitalList[3];   // the first is the scheme's choice
    const char* modifierList[3];  // the second is the scheme's choice
};

const int SOUND_SCHEME_COUNT = 3;
extern const SoundScheme kSoundSchemes[SOUND_SCHEME_COUNT];

// The scheme whose name begins with `text` (case ignored), as a drop-down
// list finds an entry; the first scheme when none does, so that a stored
// name the list does not know never leads to empty sound names.
const SoundScheme& SchemeStartingWith(const char* text);

// The capitalized and modifier sound that choosing the scheme sets.
inline const char* SchemeCapitalSound(const SoundScheme& scheme) { return scheme.capitalList[0]; }
inline const char* SchemeModifierSound(const SoundScheme& scheme) { return scheme.modifierList[1]; }

#endif
