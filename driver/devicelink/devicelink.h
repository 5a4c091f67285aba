// Inside the device link: what its files share with each other and with no
// one else. The rest of the driver reaches the link through commands.h.
//
// The serial port (serialport.cpp), the reader thread that frames the byte
// stream (reader.cpp), the receive queue that carries complete event groups
// to the depacketizer (reader.cpp, depacketizer.cpp), the response slot that
// carries a command's answer to the thread waiting for it (reader.cpp,
// commands.cpp), and the start and stop of the link's threads
// (keyboardlink.cpp).
#ifndef ORVIK_DEVICELINK_DEVICELINK_H
#define ORVIK_DEVICELINK_DEVICELINK_H

#include <windows.h>

#include "../../common/packet.h"
#include "commands.h"
#include "framer.h"

const int READ_BUFFER_SIZE = 2048;
const DWORD WRITE_TIMEOUT_MS = 2000;

// serialport.cpp
enum ReadResult { READ_PORT_LOST = 0, READ_DONE = 1, READ_STOPPED = 2 };
int CreatePortEvents();
unsigned long ConfiguredPortNumber();  // "Comport" of the registry, 1 when missing
void BuildPortName(unsigned long number, char* name, size_t size);
// Opens a port at 19200 8N1. 0 with the Windows error in *error.
int OpenCommPort(const char* name, HANDLE* port, DWORD* error);
int OpenPortNumbered(unsigned long number, HANDLE* port, DWORD* error);
// Makes an open port the link's port (the last one must be closed).
void AttachLinkPort(HANDLE port, unsigned long number);
// Opens port `number` as the link's port. 0 with the Windows error in *error.
int OpenLinkPort(unsigned long number, DWORD* error);
// Closes the link's port; 1 when one was open.
int CloseLinkPort();
unsigned long OpenPortNumber();  // 0 while none is open
HANDLE ReaderPort();
// One read cycle on the reader's port; ends early when `stopEvent` is set.
// READ_PORT_LOST closes the port.
int ReadCommPort(HANDLE port, unsigned char* buffer, DWORD capacity, DWORD* count, HANDLE stopEvent);
int WritePort(const unsigned char* buffer, DWORD length, DWORD* written);

// reader.cpp: the reader, the receive queue and the response slot.
int StartReader();
// Asks the reader to end and joins it; the port stays as it is.
void StopReader(const char* caller);
// Whether a reader runs (one that lost its port has ended).
bool ReaderRuns();
// The response slot: the opcode whose packet is the answer, and the answer.
void AwaitResponse(unsigned short opcode);
// Waits up to timeoutMs for the answer: RESPONSE_TAKEN with a success status
// (payload and length copied out), RESPONSE_FAILED for another status,
// RESPONSE_NONE after a time-out or a shut-down.
enum ResponseOutcome { RESPONSE_NONE = -1, RESPONSE_FAILED = 0, RESPONSE_TAKEN = 1 };
int TakeResponse(DWORD timeoutMs, unsigned char* payload, unsigned short* length);
// Wakes a sender that waits for the device: the link shuts down.
void AbandonResponse();
// Event groups are dropped while a layout handshake runs (a counter: they nest).
void SuppressEvents(bool on);
// One queued event group (its packets back to back), or a sweep request.
struct ReceiveQueueNode {
    unsigned char data[FRAMER_BUFFER_SIZE];
    DWORD count;
    bool sweep;
    ReceiveQueueNode* next;
};
int CreateReceiveQueue();
HANDLE ReceiveQueueEvent();  // "Data Event"
// Copies the head node out and frees it; false when the queue is empty.
bool TakeHeadNode(ReceiveQueueNode* copy);
void FreeReceiveQueue();
// Drops every queued group and queues a sweep behind it. 0 without memory.
int QueueSweepRequest();

// depacketizer.cpp
DWORD WINAPI Depacketizer(LPVOID worker);
// After a layout load error, device input is dropped until this.
void ResumeDeviceInput();
// The name of the desktop the depacketizer works on ("" before its first switch).
void DepacketizerDesktop(char* name, size_t size);
// The depacketizer tells that it swept (released what the driver held).
void SignalSwept();

// commands.cpp: the command semaphore, made once and kept.
int CreateCommandSemaphore();

// keyboardlink.cpp
const DeviceLinkHooks& GetDeviceLinkHooks();
// Records the link's state and has it shown.
void ReportConnectionState(int connected);
// The reader lost its port (the device is gone): what the driver held is
// released and the link shows as down.
void ReportPortLost();
int RetryAfterNoAnswer(int (*attempt)(), const char* turnOffTrace);
bool IsLinkShutDown();
// The link is started, stopped and switched under one lock (recursive on one
// thread), so a stop racing a switch never closes a handle twice nor ends a
// thread twice. Nobody asks the user anything while holding it, and the
// reader and the depacketizer never take it.
class LinkLock {
public:
    LinkLock();
    ~LinkLock();
    LinkLock(const LinkLock&) = delete;
    LinkLock& operator=(const LinkLock&) = delete;
};
int StartDepacketizer();
// The depacketizer names its thread, so that a sweep asked for on it runs at once.
void NoteDepacketizerThread();
void StopDepacketizer();
bool DepacketizerRuns();
// Lets go of what the driver holds for the device, on the depacketizer
// (which is on the input desktop) after dropping what was queued; on the
// calling thread when no depacketizer runs.
void SweepHeldInput();
void WaitForDeviceToSettle();
// Creates the link's lasting objects (once) and opens the configured port.
// 0 when the objects cannot be made; *portError tells about the port.
int InitializeKeyBoard(DWORD* portError);

#endif
