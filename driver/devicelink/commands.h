// The device link as the rest of the driver sees it: its start and stop, the
// connection switch, the port change, device commands one at a time (the
// control server's forwarded packets included), and the sink through which
// it reports upward. Its port, threads, queue and response slot are its own.
#ifndef ORVIK_DEVICELINK_COMMANDS_H
#define ORVIK_DEVICELINK_COMMANDS_H

#include <windows.h>

const DWORD ORDINARY_RESPONSE_TIMEOUT_MS = 5000;
const DWORD START_RESPONSE_TIMEOUT_MS = 2500;
const DWORD START_SETTLE_MS = 2000;  // between the start command and the handshake
const int RESPONSE_BUFFER_SIZE = 1024;

// The session side of the depacketizer: the events it waits on besides its
// own, as the program that runs it made them.
struct SessionEvents {
    HANDLE stop, logon, logoff, lock, unlock, screenSaverStart, screenSaverStop, shellStart, shutdown, ready;
};

// What the link needs from the program that runs it, registered once before
// the link starts. Any may be missing.
struct DeviceLinkHooks {
    // Shows a change of the link's state (icon, stored state, settings window).
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

// 1 while the port is open and the link is up.
int GetConnectionState();

// Sends one command and waits for the device's answer. `payload` holds two
// zero bytes and the value (0 when the command has none); `response`, when
// given, must hold RESPONSE_BUFFER_SIZE bytes. 1 when the device confirmed
// with the expected length.
int WriteAllData(unsigned short opcode, const unsigned char* payload, unsigned char* response, int commandClass);
// Writes a device packet exactly as given and waits up to 5000 ms for the
// answer to its opcode field. 1 when the device confirmed; its payload goes
// to `response` (RESPONSE_BUFFER_SIZE bytes) and its length to *length.
int ForwardDevicePacket(const unsigned char* packet, int size, unsigned char* response, unsigned short* length);

int SendStartZSM();
int SetDefaultLayout();
int PowerStateSequence();
// The link's objects, its threads and the configured port, then the device
// brought up. Message 1 when the port cannot be opened.
int InitSequence();
// INIT_CMD: the link taken down and started again, under one hold of the
// link lock, then the device brought up as by InitSequence.
int RestartDeviceLink();
int ReinitDevice();
// Opens the configured port (closing a held one first), starts the device
// and sets its layout. 1 when the link is up.
int EnableConnection();
// Stops the reader, closes the port, and releases what the driver held.
void DisableConnection();
int DeInitializeKeyBoard();

enum PortChange {
    PORT_NOT_OPENED = 0,  // the port cannot be opened (the user was told); nothing changed
    PORT_CHANGED = 1,     // the link is on the new port (or was on it already)
    PORT_NO_READER = 2,   // the reader could not be started (the user was told)
};
// Moves the link to COM`number`. The port already in use changes nothing;
// while the connection is off the new port is only checked; otherwise the
// reader moves and the device there is started.
PortChange ChangeLinkPort(unsigned long number);

// The final stop: wakes a command that waits for the device, ends a device
// start, then takes the link down. Afterwards the link cannot be started or
// switched again until AllowDeviceLinkStart.
void ShutDownDeviceLink();
void AllowDeviceLinkStart();
// The pause between the device start and the layout handshake; a soak of
// many reconnects shortens it.
void SetStartSettleTime(DWORD ms);

#endif
