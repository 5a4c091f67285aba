// The COM port: opening it at 19200 8N1, one overlapped read cycle, and the
// overlapped write used by every command.
//
// Each direction has its own OVERLAPPED record with its own manual-reset
// event: the reader thread owns the comm-event wait and the read, command
// senders own the write. The reader waits on its I/O and on its stop event
// together: asked to stop, it cancels its own I/O (on Windows 2000 and XP a
// thread can cancel only the I/O it issued) and ends.
//
// The handle is closed only under the port lock, by the reader once the
// device is gone or by the link's stopper once the reader has ended; writes
// hold the same lock, so no write ever goes to a handle that another thread
// closed (and that Windows may already have given to someone else).
#include <cstdio>
#include <cstring>

#include "../../common/settingsstore.h"
#include "../../common/trace.h"
#include "../../common/winsync.h"
#include "devicelink.h"

namespace {

const DWORD COMM_EVENTS = EV_RXCHAR | EV_ERR;
// Pause after a comm-event wait that failed for an unexpected reason, so an
// error that does not clear cannot make the reader spin.
const DWORD COMM_ERROR_BACKOFF_MS = 50;

OVERLAPPED gostCOMRead;
OVERLAPPED gostCOMWrite;
OVERLAPPED gostCOMReadWaitComm;

StaticLock gPortLock;        // guards the two below, and every write
HANDLE g_hBTPort = 0;        // the open COM port, or 0
unsigned long gPortNumber = 0;  // its number while open

int CreateOverlappedEvent(OVERLAPPED* record, const char* failureTrace) {
    if (record->hEvent) return 1;
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

// The reader's I/O on `record` is pending: waits for it or for the stop
// event. Stopped, it cancels the I/O and waits for the cancel to land, so the
// record is free again. 1 when the I/O completed, 0 when stopped.
int AwaitReaderIo(HANDLE port, OVERLAPPED* record, HANDLE stopEvent) {
    HANDLE handles[2] = {record->hEvent, stopEvent};
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) return 1;
    CancelIo(port);
    DWORD ignored = 0;
    GetOverlappedResult(port, record, &ignored, TRUE);
    return 0;
}

// The port vanished under the reader (device unplugged): closed at once, so
// that nobody writes to a dead handle and the port can be opened again.
int LosePort(HANDLE port, DWORD error) {
    Trace("Read File Failure. %lu", error);
    LockHeld use(gPortLock);
    if (g_hBTPort == port) {
        CloseHandle(port);
        g_hBTPort = 0;
        gPortNumber = 0;
    }
    return READ_PORT_LOST;
}

int ReadQueuedBytes(HANDLE port, unsigned char* buffer, DWORD capacity, DWORD* count, HANDLE stopEvent) {
    DWORD queued = 0;
    if (!QueuedByteCount(port, &queued)) return LosePort(port, GetLastError());
    if (queued == 0) return READ_DONE;
    ResetEvent(gostCOMRead.hEvent);
    if (ReadFile(port, buffer, queued < capacity ? queued : capacity, count, &gostCOMRead)) return READ_DONE;
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        if (!AwaitReaderIo(port, &gostCOMRead, stopEvent)) return READ_STOPPED;
        if (GetOverlappedResult(port, &gostCOMRead, count, FALSE)) return READ_DONE;
        error = GetLastError();
    }
    *count = 0;
    if (error == ERROR_HANDLE_EOF) return LosePort(port, error);
    return READ_DONE;
}

}  // namespace

int CreatePortEvents() {
    return CreateOverlappedEvent(&gostCOMRead, "OpenCommPort: gostCOMRead event not created.") &&
           CreateOverlappedEvent(&gostCOMWrite, "OpenCommPort: gostCOMWrite event not created.") &&
           CreateOverlappedEvent(&gostCOMReadWaitComm, "OpenCommPort: gostCOMReadWaitComm event not created.");
}

unsigned long ConfiguredPortNumber() { return ReadDwordSetting(PORT_NUMBER, BY_DRIVER); }

void BuildPortName(unsigned long number, char* name, size_t size) {
    std::snprintf(name, size, "\\\\.\\COM%lu", number);
}

int OpenCommPort(const char* name, HANDLE* port, DWORD* error) {
    *error = ERROR_INVALID_NAME;
    if (!name || !*name || !port) {
        Trace("OpenCommPort: Not a valid port name");
        return 0;
    }
    HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // Kept to the end: "access denied" (the port is busy) and "no such
        // port" are different stories for whoever reads the trace.
        *error = GetLastError();
        Trace(*error == ERROR_FILE_NOT_FOUND ? "CreateFile: File Not found." : "CreateFile Failure %lu", *error);
        return 0;
    }
    SetCommMask(handle, COMM_EVENTS);
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        *error = GetLastError();
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
        *error = GetLastError();
        Trace("OpenCommPort: GetCommState Failure");
        CloseHandle(handle);
        Trace("OpenCommPort: port closed");
        return 0;
    }
    // What the device sent while nobody listened (keys tapped while the
    // connection was off) is stale: the user gets only what comes from now on.
    PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR);
    *error = ERROR_SUCCESS;
    *port = handle;
    return 1;
}

int OpenPortNumbered(unsigned long number, HANDLE* port, DWORD* error) {
    char name[32];
    BuildPortName(number, name, sizeof name);
    return OpenCommPort(name, port, error);
}

void AttachLinkPort(HANDLE port, unsigned long number) {
    LockHeld use(gPortLock);
    g_hBTPort = port;
    gPortNumber = number;
    Trace("InitializePortSettings: g_hBTPort %p", port);
}

int OpenLinkPort(unsigned long number, DWORD* error) {
    HANDLE port = 0;
    if (!OpenPortNumbered(number, &port, error)) return 0;
    AttachLinkPort(port, number);
    return 1;
}

int CloseLinkPort() {
    LockHeld use(gPortLock);
    if (!g_hBTPort) return 0;
    CloseHandle(g_hBTPort);
    g_hBTPort = 0;
    gPortNumber = 0;
    return 1;
}

unsigned long OpenPortNumber() {
    LockHeld use(gPortLock);
    return gPortNumber;
}

HANDLE ReaderPort() {
    LockHeld use(gPortLock);
    return g_hBTPort;
}

int ReadCommPort(HANDLE port, unsigned char* buffer, DWORD capacity, DWORD* count, HANDLE stopEvent) {
    if (!port || !buffer || capacity == 0 || !count) {
        Trace("Invalid handle");
        return READ_PORT_LOST;
    }
    *count = 0;
    SetCommMask(port, COMM_EVENTS);
    ResetEvent(gostCOMReadWaitComm.hEvent);
    DWORD events = 0;
    if (!WaitCommEvent(port, &events, &gostCOMReadWaitComm)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            if (!AwaitReaderIo(port, &gostCOMReadWaitComm, stopEvent)) return READ_STOPPED;
        } else {
            Trace("ReadCommPort: WaitCommEvent failed %lu", error);
            DWORD queued = 0;
            if (!QueuedByteCount(port, &queued)) return LosePort(port, GetLastError());
            if (WaitForSingleObject(stopEvent, COMM_ERROR_BACKOFF_MS) == WAIT_OBJECT_0) return READ_STOPPED;
        }
    }
    // Whether the wait completed at once or later, bytes already in the
    // input queue are read now: a new byte may be long in coming.
    return ReadQueuedBytes(port, buffer, capacity, count, stopEvent);
}

int WritePort(const unsigned char* buffer, DWORD length, DWORD* written) {
    LockHeld use(gPortLock);
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
            // is cancelled (this thread issued it) and its end awaited.
            CancelIo(port);
            GetOverlappedResult(port, &gostCOMWrite, &done, TRUE);
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
