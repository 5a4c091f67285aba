// The device link: the serial port, the reader thread that frames the byte
// stream, the receive queue that carries complete event groups to the
// depacketizer, and the response slot that carries a command's answer to the
// thread waiting for it.
#ifndef ORVIK_DEVICELINK_DEVICELINK_H
#define ORVIK_DEVICELINK_DEVICELINK_H

#include <windows.h>

#include "../../common/packet.h"
#include "framer.h"

// One complete event group on its way from the reader to the depacketizer.
struct ReceiveQueueNode {
    unsigned char data[FRAMER_BUFFER_SIZE];
    DWORD count;
    ReceiveQueueNode* next;
};

const int RESPONSE_BUFFER_SIZE = 1024;
const int READ_BUFFER_SIZE = 2048;
const DWORD WRITE_TIMEOUT_MS = 2000;
const DWORD WRITE_CANCEL_TIMEOUT_MS = 1000;  // for a timed-out write to end once cancelled

// The answer to the command in flight, written by the reader before it sets
// "Command Response Event" and read by the sender after it.
struct ResponseSlot {
    volatile LONG success;  // 1: the response's status byte was 1
    unsigned short length;
    unsigned char data[RESPONSE_BUFFER_SIZE];
};

// Thread state bytes: set to 1 by the starter, 0 by the stopper, 2 by the
// thread as it ends.
enum LinkThreadState : BYTE { THREAD_ASKED_TO_STOP = 0, THREAD_RUNNING = 1, THREAD_ENDED = 2 };

extern HANDLE g_hBTPort;                 // the open COM port, or 0
extern OVERLAPPED gostCOMRead;
extern OVERLAPPED gostCOMWrite;
extern OVERLAPPED gostCOMReadWaitComm;
extern CRITICAL_SECTION gQueueLock;
extern ReceiveQueueNode* gQueueHead;
extern ReceiveQueueNode* gQueueTail;
extern HANDLE ghCommandSemaphore;
extern HANDLE ghCommandResponseEvent;    // "Command Response Event"
extern HANDLE ghDataEvent;               // "Data Event"
extern ResponseSlot gResponse;
extern volatile LONG bSuppressEvents;    // set while the layout handshake runs
extern StreamFramer gFramer;
extern HANDLE g_hReadThread;
extern volatile BYTE gbReadThreadState;
extern HANDLE g_hDepacketizerThread;
extern volatile BYTE gbDepacketizerState;

// Connection state: 1 while the port is open and the link is up.
int GetConnectionState();
void SetConnectionState(int connected);

// What the link needs from the program that runs it, registered once before
// the link starts. Either may be missing: a change is then only recorded, a
// device that does not answer is not asked about again.
// The session side of the depacketizer: the events it waits on besides its
// data event, as the program that runs it made them (0 for none).
struct SessionEvents {
    HANDLE stop, logon, logoff, lock, unlock, screenSaverStart, screenSaverStop, shellStart, shutdown, ready;
};

struct DeviceLinkHooks {
    // Shows a connection change (icon, stored state, settings window).
    void (*connectionChanged)(int connected);
    // Runs `attempt` until it succeeds (1) or the user gives up (0), asking
    // after each failure; `turnOffTrace` names a turn-off in the trace.
    int (*retryAfterNoAnswer)(int (*attempt)(), const char* turnOffTrace);
    // Fills the session events the depacketizer is to wait on.
    void (*sessionEvents)(SessionEvents* events);
    // The user's session ends (stop or logoff; `when` names it): the user
    // interface tied to it goes. 1 when it went.
    int (*sessionEnding)(const char* when);
    // The shell started: the user interface tied to it comes (back).
    void (*shellStarted)();
};
void SetDeviceLinkHooks(const DeviceLinkHooks& hooks);
const DeviceLinkHooks& GetDeviceLinkHooks();
// Records the state and has it shown.
void ReportConnectionState(int connected);
int RetryAfterNoAnswer(int (*attempt)(), const char* turnOffTrace);

// The link is started, stopped and switched under one lock (recursive on one
// thread), so a stop racing a switch never closes a handle twice nor ends a
// thread twice. The reader and the depacketizer never take it.
class LinkLock {
public:
    LinkLock();
    ~LinkLock();
    LinkLock(const LinkLock&) = delete;
    LinkLock& operator=(const LinkLock&) = delete;
};
// Final stop of the link: wakes a command that waits for the device, ends a
// device start, then takes the link down. Afterwards the link cannot be
// started or switched again.
void ShutDownDeviceLink();
bool IsLinkShutDown();
// Lifts a shut-down: the driver starts (again).
void AllowDeviceLinkStart();
// The pause between the device start and the layout handshake; a shut-down
// cuts it short.
void WaitForDeviceToSettle();

// serialport.cpp
void BuildPortName(char* name, size_t size);
int OpenCommPort(const char* name, HANDLE* port);
int InitializePortSettings();
int ReadCommPort(unsigned char* buffer, DWORD capacity, DWORD* count);
int WritePort(const unsigned char* buffer, DWORD length, DWORD* written);
// Closes the port unless another thread already did; 1 when this call closed it.
int ClosePortHandle(HANDLE port);

// reader.cpp
DWORD WINAPI ReadThreadRoutine(LPVOID);
void FreeReceiveQueue();

// keyboardlink.cpp
int CreateDeviceLinkObjects();
// Closes the objects (the port excepted) once no link thread runs.
void CloseDeviceLinkObjects();
bool DeviceLinkObjectsExist();
int StartLinkThread(LPTHREAD_START_ROUTINE routine, volatile BYTE* state, HANDLE* thread);
int StartReaderThread();
// Gives a thread that was asked to stop up to 3 x 10 ms to report its end,
// terminates it otherwise, and forgets its handle. 1 when it ended by itself.
int FinishLinkThread(HANDLE* thread, volatile BYTE* state);
// Asks the reader to end, closes the port (which ends its wait) and gives it
// 30 ms before terminating it; `caller` names the trace lines.
void StopReaderThread(const char* caller);
int InitializeKeyBoard();

#endif
