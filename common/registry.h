// Settings store: every persistent setting lives under HKEY_LOCAL_MACHINE.
// A read never fails for lack of a value: a missing key or value is created
// on the spot with the caller's fallback, so after the first run every value
// that either program asks for exists.
#ifndef ORVIK_COMMON_REGISTRY_H
#define ORVIK_COMMON_REGISTRY_H

#include <windows.h>

// The keys of the installation and the declaration of every value.
#include "settingsvalues.h"

// Longest string that any caller reads, terminator included.
const DWORD REG_STRING_MAX = 260;

// Returns the stored DWORD, or `fallback` (stored on the spot) when the key
// or value is missing; a stored 0xFFFFFFFF counts as unset.
DWORD GetDwordValueFromRegistry(const char* subkey, const char* valueName, DWORD fallback);

// The two writes of the setters, replaceable like the entries of uiseam.h:
// a test makes them refuse, as Windows refuses a user without the rights.
// Reads, and the fallbacks that reads store, never pass through here.
struct RegistryWriteSeam {
    LONG (*storeDword)(HKEY key, const char* valueName, DWORD value);
    LONG (*storeString)(HKEY key, const char* valueName, const char* value);
};
extern RegistryWriteSeam g_registryWrites;

// Stores a DWORD. 1 on success, 0 on failure.
int SetDwordValueFromRegistry(const char* subkey, const char* valueName, DWORD value);

// Reads a string (valueName 0: the key's default value) into output, always
// terminated. A missing key or value is created with `fallback`. 1 or 0.
int GetStringValueFromRegistry(HKEY root, const char* subkey, const char* valueName, char* output,
                               const char* fallback, DWORD outputSize);

// Stores a string as REG_SZ with its terminator. 1 or 0.
int SetStringValueInRegistry(HKEY root, const char* subkey, const char* valueName, const char* value);
// The settings program's form of the same setter, always under HKEY_LOCAL_MACHINE.
int SetStringValueToRegistry(const char* subkey, const char* valueName, const char* value);

// The installation's display name: the default value of the application key.
void GetDisplayName(char* output, DWORD outputSize);
// The device name shown in messages: "DeviceName" of the application key.
void GetDeviceName(char* output, DWORD outputSize);
// Formats a text whose one %s is the device name: cut to fit, terminated.
void FormatWithDeviceName(char* text, size_t size, const char* format);

#endif
