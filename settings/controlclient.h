// The socket layer of the settings program: one TCP connection to the
// driver's control port and one blocking request at a time on the
// user-interface thread. It shows nothing and decides nothing for the
// program: it reports, and the application decides.
//
// A request that got no reply in time may still be answered later, and that
// late reply would be read as the answer to the next request. So after a
// time-out the connection is given up: the next request first connects
// again and registers the settings window again as it was, then goes out.
#ifndef ORVIK_SETTINGS_CONTROLCLIENT_H
#define ORVIK_SETTINGS_CONTROLCLIENT_H

#include <windows.h>

#include "../common/controlprotocol.h"

// Request kinds of CommandIssuer besides the control codes (5 to 8, 10 to 15),
// which are kinds of their own.
enum RequestKind {
    KIND_DEVICE_COMMAND = 1,  // device packet for an ordinary command
    KIND_START_COMMAND = 9,   // device packet for START_ZSM
};

const int REPLY_AREA_SIZE = 1024;  // what a reply area must hold
const int TRANSFER_FAILED = -2;    // of ReadDataFromServer and WriteDataToOrvikServer
const DWORD REPLY_TIMEOUT_MS = 6500;
const DWORD START_REPLY_TIMEOUT_MS = 3000;

// Connects to the driver on the loopback host. 1 or 0.
int ConnectToOrvik();
void DisconnectFromOrvik();

// One send of all bytes: the count sent, or TRANSFER_FAILED.
int WriteDataToOrvikServer(const unsigned char* data, int count);
// One receive after waiting up to timeoutMs for data: the count received, or
// TRANSFER_FAILED. A connection that the driver closed, reset or aborted
// marks the driver gone.
int ReadDataFromServer(unsigned char* buffer, int size, DWORD timeoutMs);

// Sends one request and waits for its reply. Kinds 1 and 9: `opcode` names
// the device command and `message` holds its payload (two zero bytes and the
// value; none when it has no value). Control kinds: `message` is the whole
// control message, code first. 1 when a reply of the expected length came;
// it is copied to `reply` (REPLY_AREA_SIZE bytes, or none). Its content is the
// caller's to judge. Once the driver is gone every request fails at once.
int CommandIssuer(unsigned short opcode, const unsigned char* message, unsigned char* reply, int kind);

// The driver closed the connection, or it could not be made again: nothing
// more can be asked of it.
bool DriverGone();
// Connected and not waiting to be made again after a time-out: a request
// now costs no more than its own time-out.
bool ConnectionReady();

#endif
