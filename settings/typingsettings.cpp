#include "typingsettings.h"

#include <cctype>

const SoundScheme kSoundSchemes[SOUND_SCHEME_COUNT] = {
    {"Sound Scheme 1", "KeyClick1.wav", {"KeyClick2.wav", "KeyClick1.wav", "None"},
     {"None", "KeyClick2.wav", "KeyClick1.wav"}},
    {"Sound Scheme 2", "Key1.wav", {"Key2.wav", "Key1.wav", "None"}, {"None", "Key2.wav", "Key1.wav"}},
    {"Sound Scheme 3", "TypeWriter1.wav", {"TypeWriter2.wav", "TypeWriter1.wav", "None"},
     {"None", "TypeWriter2.wav", "TypeWriter1.wav"}},
};

RepeatLimits EffectiveLimits(unsigned long storedMin, unsigned long storedMax, const RepeatLimits& fallback) {
    return {storedMin ? storedMin : fallback.min, storedMax ? storedMax : fallback.max};
}

unsigned short ClampToLimits(unsigned long value, const RepeatLimits& limits) {
    if (value > limits.max) value = limits.max;
    if (value < limits.min) value = limits.min;
    return static_cast<unsigned short>(value > 0xFFFF ? 0xFFFF : value);
}

unsigned long SensitivityDefault(unsigned long stored) { return stored ? stored : SENSITIVITY_FALLBACK_DEFAULT; }

namespace {

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (std::tolower(static_cast<unsigned char>(*text)) != std::tolower(static_cast<unsigned char>(*prefix)))
            return false;
    return true;
}

}  // namespace

const SoundScheme& SchemeStartingWith(const char* text) {
    for (const SoundScheme& scheme : kSoundSchemes)
        if (text && StartsWithIgnoringCase(scheme.name, text)) return scheme;
    return kSoundSchemes[0];
}
