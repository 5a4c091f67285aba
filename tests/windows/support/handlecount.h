// How many handles a process holds, read from the system's handle list
// (Wine answers GetProcessHandleCount for other processes with 0).
#ifndef ORVIK_TESTS_SUPPORT_HANDLECOUNT_H
#define ORVIK_TESTS_SUPPORT_HANDLECOUNT_H

#include <windows.h>

#include <vector>

#include "wait.h"

struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};

// The handles of process `pid`; 0 when the list cannot be read.
inline size_t ProcessHandleCount(DWORD pid) {
    typedef LONG(WINAPI * QuerySystemInformation)(ULONG, PVOID, ULONG, PULONG);
    const ULONG SYSTEM_HANDLE_INFORMATION = 16;
    const LONG STATUS_INFO_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004);
    QuerySystemInformation query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<BYTE> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(SYSTEM_HANDLE_INFORMATION, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           STATUS_INFO_LENGTH_MISMATCH)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const ULONG total = *reinterpret_cast<const ULONG*>(buffer.data());
    const SystemHandleEntry* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    size_t count = 0;
    for (ULONG i = 0; i < total; ++i)
        if (entries[i].ownerPid == pid) ++count;
    return count;
}

// The count once it equals `expected`, or after a few seconds whatever it
// is: work still finishing (a posted icon change, a starting program) may
// hold a handle for a moment; a leak stays.
inline size_t SettledHandleCount(DWORD pid, size_t expected) {
    size_t count = 0;
    WaitUntil(
        [&] {
            count = ProcessHandleCount(pid);
            return count == expected;
        },
        5000);
    return count;
}

#endif
