// Reads and writes of the declared settings values (settingsvalues.h)
// through the registry functions: a read that finds no value stores the
// reading program's fallback and returns it.
#ifndef ORVIK_COMMON_SETTINGSSTORE_H
#define ORVIK_COMMON_SETTINGSSTORE_H

#include <windows.h>

#include "settingsvalues.h"

// The stored DWORD, or the reader's fallback (stored on the spot).
DWORD ReadDwordSetting(const SettingValue& value, SettingReader reader);

// The stored text, or the reader's fallback (stored on the spot), in
// `output`, always terminated. 0 when the registry failed; `output` then
// holds the fallback.
int ReadStringSetting(const SettingValue& value, SettingReader reader, char* output, DWORD outputSize);

// 1 on success, 0 on failure.
int WriteDwordSetting(const SettingValue& value, DWORD number);
int WriteStringSetting(const SettingValue& value, const char* text);

#endif
