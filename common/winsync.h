// Small Win32 helpers shared across the driver: a lock made at load time and
// its scoped use, and a handle closed once and forgotten.
#ifndef ORVIK_COMMON_WINSYNC_H
#define ORVIK_COMMON_WINSYNC_H

#include <windows.h>

// Made before main and never deleted: a thread may still be on its way to it
// while the program ends.
struct StaticLock {
    CRITICAL_SECTION section;
    StaticLock() { InitializeCriticalSection(&section); }
};

class LockHeld {
public:
    explicit LockHeld(StaticLock& lock) : lock_(lock) { EnterCriticalSection(&lock_.section); }
    ~LockHeld() { LeaveCriticalSection(&lock_.section); }
    LockHeld(const LockHeld&) = delete;
    LockHeld& operator=(const LockHeld&) = delete;

private:
    StaticLock& lock_;
};

inline void CloseAndForget(HANDLE* handle) {
    if (*handle) CloseHandle(*handle);
    *handle = 0;
}

#endif
