#include "eventsource.h"

namespace {

// The driver writes error entries only.
const DWORD SUPPORTED_TYPES = EVENTLOG_ERROR_TYPE;

// Sets the last error from a registry status (they are not set by the
// registry functions themselves) and turns it into 1 or 0.
int ResultOf(LONG status) {
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

}  // namespace

int RegisterDriverEventSource() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return ResultOf(ERROR_FILENAME_EXCED_RANGE);
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, DRIVER_EVENT_SOURCE_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return ResultOf(status);
    status = RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path),
                            length + 1);
    if (status == ERROR_SUCCESS)
        status = RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&SUPPORTED_TYPES),
                                sizeof SUPPORTED_TYPES);
    RegCloseKey(key);
    return ResultOf(status);
}

int RemoveDriverEventSource() {
    const LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, DRIVER_EVENT_SOURCE_KEY);
    return ResultOf(status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status);
}
