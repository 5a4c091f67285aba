// Registry functions shared by the driver and the settings program. Each call
// is one open, one read or write and one close; there is no lock, the
// registry serialises the accesses. Each open asks for the access its call
// needs and no more: a user without administrator rights may read every
// value and change only those that Setup opened to users, and a read of a
// value that exists never needs the right to write.
#include "registry.h"

#include <cstdio>
#include <cstring>

#include "trace.h"

namespace {

const REGSAM READ_ACCESS = KEY_QUERY_VALUE;
const REGSAM WRITE_ACCESS = KEY_SET_VALUE;
// A read that stores its fallback reads and writes.
const REGSAM READ_OR_CREATE_ACCESS = KEY_QUERY_VALUE | KEY_SET_VALUE;

// Opens or creates the key with `access`; `created` tells which happened.
// A failure is traced in the name of `caller`.
bool OpenOrCreateKey(const char* caller, HKEY root, const char* subkey, REGSAM access, HKEY* key, bool* created) {
    DWORD disposition = 0;
    const LONG status =
        RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key, &disposition);
    *created = disposition == REG_CREATED_NEW_KEY;
    if (status != ERROR_SUCCESS) Trace("%s: RegCreateKeyEx Error %ld", caller, status);
    return status == ERROR_SUCCESS;
}

LONG StoreString(HKEY key, const char* valueName, const char* value) {
    return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

LONG StoreDword(HKEY key, const char* valueName, DWORD value) {
    return RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// Reads a stored value with read access alone. ERROR_SUCCESS, or why not.
LONG ReadStoredValue(HKEY root, const char* subkey, const char* valueName, BYTE* data, DWORD* size) {
    HKEY key;
    LONG status = RegOpenKeyExA(root, subkey, 0, READ_ACCESS, &key);
    if (status != ERROR_SUCCESS) return status;
    status = RegQueryValueExA(key, valueName, nullptr, nullptr, data, size);
    RegCloseKey(key);
    return status;
}

// Copies src into dst, cut to fit and always terminated.
void CopyTerminated(char* dst, DWORD dstSize, const char* src) {
    if (dstSize == 0) return;
    std::strncpy(dst, src, dstSize - 1);
    dst[dstSize - 1] = '\0';
}

}  // namespace

RegistryWriteSeam g_registryWrites = {StoreDword, StoreString};

DWORD GetDwordValueFromRegistry(const char* subkey, const char* valueName, DWORD fallback) {
    if (!subkey || !valueName) {
        Trace("GetDwordValueFromRegistry: Invalid input parameters.");
        return fallback;
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG read =
        ReadStoredValue(HKEY_LOCAL_MACHINE, subkey, valueName, reinterpret_cast<BYTE*>(&value), &size);
    if (read == ERROR_SUCCESS) return value == 0xFFFFFFFF ? fallback : value;
    Trace("GetDwordValueFromRegistry: RegQueryValueEx Error %ld", read);
    // Missing: stored with the fallback where the caller may write.
    HKEY key;
    bool created;
    if (!OpenOrCreateKey("GetDwordValueFromRegistry", HKEY_LOCAL_MACHINE, subkey, READ_OR_CREATE_ACCESS, &key,
                         &created))
        return fallback;
    const LONG status = StoreDword(key, valueName, fallback);
    if (status != ERROR_SUCCESS) Trace("GetDwordValueFromRegistry: RegQueryValueEx Error %ld", status);
    RegCloseKey(key);
    return fallback;
}

int SetDwordValueFromRegistry(const char* subkey, const char* valueName, DWORD value) {
    if (!subkey || !valueName) {
        Trace("SetDwordValueFromRegistry: Invalid input parameters.");
        return 0;
    }
    HKEY key;
    bool created;
    if (!OpenOrCreateKey("SetDwordValueFromRegistry", HKEY_LOCAL_MACHINE, subkey, WRITE_ACCESS, &key, &created))
        return 0;
    const LONG status = g_registryWrites.storeDword(key, valueName, value);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        Trace("SetDwordValueFromRegistry: RegQueryValueEx Error %ld", status);
        return 0;
    }
    return 1;
}

int GetStringValueFromRegistry(HKEY root, const char* subkey, const char* valueName, char* output,
                               const char* fallback, DWORD outputSize) {
    if (!subkey || !output || !fallback || outputSize == 0) {
        Trace("GetStringValueFromRegistry: Invalid input parameters.");
        return 0;
    }
    DWORD size = outputSize;
    const LONG status = ReadStoredValue(root, subkey, valueName, reinterpret_cast<BYTE*>(output), &size);
    if (status == ERROR_SUCCESS) {
        output[size < outputSize ? size : outputSize - 1] = '\0';
        return 1;
    }
    if (status == ERROR_MORE_DATA) {
        // A stored text longer than the caller can take is the user's data:
        // keep it in the registry and hand out the fallback instead.
        CopyTerminated(output, outputSize, fallback);
        return 1;
    }
    Trace("GetStringValueFromRegistry: RegQueryValueEx Error %ld", status);
    HKEY key;
    bool created;
    if (!OpenOrCreateKey("GetStringValueFromRegistry", root, subkey, READ_OR_CREATE_ACCESS, &key, &created))
        return 0;
    Trace("REG_CREATED_NEW_KEY %s", subkey);
    const int stored = StoreString(key, valueName, fallback) == ERROR_SUCCESS;
    if (stored) CopyTerminated(output, outputSize, fallback);
    RegCloseKey(key);
    return stored;
}

int SetStringValueInRegistry(HKEY root, const char* subkey, const char* valueName, const char* value) {
    if (!subkey || !valueName || !value) {
        Trace("SetStringValueInRegistry: Invalid input parameters.");
        return 0;
    }
    HKEY key;
    bool created;
    if (!OpenOrCreateKey("SetStringValueInRegistry", root, subkey, WRITE_ACCESS, &key, &created)) return 0;
    const LONG status = g_registryWrites.storeString(key, valueName, value);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        Trace("SetStringValueInRegistry: RegSetValueEx Error %ld", status);
        return 0;
    }
    return 1;
}

int SetStringValueToRegistry(const char* subkey, const char* valueName, const char* value) {
    return SetStringValueInRegistry(HKEY_LOCAL_MACHINE, subkey, valueName, value);
}

void GetDisplayName(char* output, DWORD outputSize) {
    if (!GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, APP_DISPLAY_NAME.key, APP_DISPLAY_NAME.name, output,
                                    DEFAULT_DEVICE_NAME, outputSize))
        CopyTerminated(output, outputSize, DEFAULT_DEVICE_NAME);
}

void GetDeviceName(char* output, DWORD outputSize) {
    if (!GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, APP_DEVICE_NAME.key, APP_DEVICE_NAME.name, output,
                                    DEFAULT_DEVICE_NAME, outputSize))
        CopyTerminated(output, outputSize, DEFAULT_DEVICE_NAME);
}

void FormatWithDeviceName(char* text, size_t size, const char* format) {
    char deviceName[REG_STRING_MAX];
    GetDeviceName(deviceName, sizeof deviceName);
    std::snprintf(text, size, format, deviceName);
}
