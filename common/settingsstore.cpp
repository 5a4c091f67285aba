#include "settingsstore.h"

#include <cstdio>

#include "registry.h"

DWORD ReadDwordSetting(const SettingValue& value, SettingReader reader) {
    return GetDwordValueFromRegistry(value.key, value.name, FallbackNumber(value, reader));
}

int ReadStringSetting(const SettingValue& value, SettingReader reader, char* output, DWORD outputSize) {
    const char* fallback = FallbackText(value, reader);
    if (GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, value.key, value.name, output, fallback, outputSize)) return 1;
    if (outputSize > 0) std::snprintf(output, outputSize, "%s", fallback);
    return 0;
}

int WriteDwordSetting(const SettingValue& value, DWORD number) {
    return SetDwordValueFromRegistry(value.key, value.name, number);
}

int WriteStringSetting(const SettingValue& value, const char* text) {
    return SetStringValueInRegistry(HKEY_LOCAL_MACHINE, value.key, value.name, text);
}
