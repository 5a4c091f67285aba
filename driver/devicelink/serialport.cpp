// The COM port: opening it at 19200 8N1, one overlapped read cycle, and the
// overlapped write used by every command.
//
// Each direction has its own OVERLAPPED record with its own manual-reset
// event: the reader thread owns the comm-event wait and the read, command
// senders own the write. A pending wait ends when data arrives or when the
// port is closed under it, which is how the reader is stopped.
#include <cstdio>
#include <cstring>

#include "../../common/settingsstore.h"
#include "../../common/trace.h"
#include "messages.h"
#include "devicelink.h"

HANDLE g_hBTPort = 0;
OVERLAPPED gostCOMRead;
OVERLAPPED gostCOMWrite;
OVERLAPPED gostCOMReadWaitComm;

namespace {

const DWORD COMM_EVENTS = EV_RXCHAR | EV_ERR;
// Pause after a comm-event wait that failed for an unexpected reason, so an
// error that does not clear cannot make the reader spin.
const DWORD COMM_ERROR_BACKOFF_MS = 50;

int CreateOverlappedEvent(OVERLAPPED* record, const char* failureTrace) {
    std::memset(record, 0, sizeof *record);
    record->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!record->hEvent) Trace("%s", failureTrace);
    return record->hEvent != nullptr;
}

// Learns how many bytes wait in the input queue, clearing the error state.
// 0 when the port no longer answers.
int QueuedByteCount(HANDLE port, DWORD* queued) {
    DWORD errors = 0;
    COMSTAT status;
    std::memset(&status, 0, sizeof status);
    if (!ClearCommError(port, &errors, &status)) return 0;
    *queued = status.cbInQue;
    return 1;
}

// The port vanished under the reader (device unplugged): close it so that
// nobody writes to a dead handle. Result 0 ends the reader.
int LosePort(HANDLE port) {
    ClosePortHandle(port);
    Trace("Read File Failure.");
    return 0;
}

// Reads what the input queue holds, up to capacity.
int ReadQueuedBytes(HANDLE port, unsigned char* buffer, DWORD capacity, DWORD* count) {
    DWORD queued = 0;
    if (!QueuedByteCount(port, &queued)) return LosePort(port);
    if (queued == 0) return 1;
    ResetEvent(gostCOMRead.hEvent);
    if (ReadFile(port, buffer, queued < capacity ? queued : capacity, count, &gostCOMRead)) return 1;
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        WaitForSingleObject(gostCOMRead.hEvent, INFINITE);
        if (GetOverlappedResult(port, &gostCOMRead, count, FALSE)) return 1;
        error = GetLastError();
    }
    *count = 0;
    if (error == ERROR_HANDLE_EOF) return LosePort(port);
    return 1;
}

}  // namespace

int ClosePortHandle(HANDLE port) {
    if (!port) return 0;
    if (InterlockedCompareExchangePointer(&g_hBTPort, nullptr, port) != port) return 0;
    CloseHandle(port);
    return 1;
}

void BuildPortName(char* name, size_t size) {
    const DWORD number = ReadDwordSetting(PORT_NUMBER, BY_DRIVER);
    std::snprintf(name, size, "\\\\.\\COM%lu", static_cast<unsigned long>(number));
}

int OpenCommPort(const char* name, HANDLE* port) {
    if (!name || !*name || !port) {
        Trace("OpenCommPort: Not a valid port name");
        return 0;
    }
    HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Trace(GetLastError() == ERROR_FILE_NOT_FOUND ? "CreateFile: File Not found." : "CreateFile Failure");
        return 0;
    }
    SetCommMask(handle, COMM_EVENTS);
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        Trace("OpenCommPort: GetCommState failure");
        CloseHandle(handle);
        Trace("OpenCommPort: port closed");
        return 0;
    }
    // Only the line format changes; handshaking and the rest stay as the
    // port (or its Bluetooth driver) had them.
    dcb.BaudRate = CBR_19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(handle, &dcb)) {
        Trace("OpenCommPort: GetCommState Failure");
        CloseHandle(handle);
        Trace("OpenCommPort: port closed");
        return 0;
    }
    // What the device sent while nobody listened (keys tapped while the
    // connection was off) is stale: the user gets only what comes from now on.
    PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR);
    *port = handle;
    return 1;
}

int InitializePortSettings() {
    Trace("InitializePortSettings: Initializing port....");
    if (!CreateOverlappedEvent(&gostCOMRead, "OpenCommPort: gostCOMRead event not created.") ||
        !CreateOverlappedEvent(&gostCOMWrite, "OpenCommPort: gostCOMWrite event not created.") ||
        !CreateOverlappedEvent(&gostCOMReadWaitComm, "OpenCommPort: gostCOMReadWaitComm event not created."))
        return 0;
    char name[32];
    BuildPortName(name, sizeof name);
    HANDLE port = 0;
    if (!OpenCommPort(name, &port)) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        ReportConnectionState(0);
        return 1;
    }
    g_hBTPort = port;
    Trace("InitializePortSettings: g_hBTPort %p", port);
    ReportConnectionState(1);
    return 1;
}

int ReadCommPort(unsigned char* buffer, DWORD capacity, DWORD* count) {
    HANDLE port = g_hBTPort;
    if (!port || !buffer || capacity == 0 || !count) {
        Trace("Invalid handle");
        return 0;
    }
    *count = 0;
    SetCommMask(port, COMM_EVENTS);
    ResetEvent(gostCOMReadWaitComm.hEvent);
    DWORD events = 0;
    if (!WaitCommEvent(port, &events, &gostCOMReadWaitComm)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            WaitForSingleObject(gostCOMReadWaitComm.hEvent, INFINITE);
        } else {
            Trace("ReadCommPort: WaitCommEvent failed %lu", error);
            DWORD queued = 0;
            if (!QueuedByteCount(port, &queued)) return LosePort(port);
            Sleep(COMM_ERROR_BACKOFF_MS);
        }
    }
    // Whether the wait completed at once or later, bytes already in the
    // input queue are read now: a new byte may be long in coming.
    return ReadQueuedBytes(port, buffer, capacity, count);
}

int WritePort(const unsigned char* buffer, DWORD length, DWORD* written) {
    HANDLE port = g_hBTPort;
    if (!port || !buffer) {
        Trace("WritePort: Invalid input parameters.");
        return 0;
    }
    SetLastError(0);
    ResetEvent(gostCOMWrite.hEvent);
    DWORD done = 0;
    BOOL completed = WriteFile(port, buffer, length, &done, &gostCOMWrite);
    DWORD error = completed ? 0 : GetLastError();
    if (error == ERROR_IO_PENDING) {
        if (WaitForSingleObject(gostCOMWrite.hEvent, WRITE_TIMEOUT_MS) != WAIT_OBJECT_0) {
            // The record must not be reused while the write is in flight: it
            // is cancelled and its end awaited, for a bounded time. A port
            // whose write cannot even be cancelled is dead: closing it ends
            // the write, and the reader reports the link lost.
            CancelIo(port);
            if (WaitForSingleObject(gostCOMWrite.hEvent, WRITE_CANCEL_TIMEOUT_MS) != WAIT_OBJECT_0 &&
                ClosePortHandle(port))
                Trace("WritePort: write not cancelled, port closed");
            Trace("WritePort: Failed ... %ld", static_cast<long>(WAIT_TIMEOUT));
            return 0;
        }
        completed = GetOverlappedResult(port, &gostCOMWrite, &done, FALSE);
        error = completed ? 0 : GetLastError();
        if (completed) Trace("WritePort: written... %ld", static_cast<long>(done));
    }
    if (!completed) {
        Trace("WritePort: Failed ... %ld", static_cast<long>(error));
        return 0;
    }
    if (written) *written = done;
    return done == length;
}
