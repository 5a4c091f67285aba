// The settings program's only way to the driver: one TCP connection to the
// driver's control port, kept for the program's life, and one blocking
// request at a time on the user-interface thread.
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
const DWORD START_SETTLE_MS = 2000;  // between an accepted START_ZSM and the next command

// Connects to the driver on the loopback host. 1 or 0.
int ConnectToOrvik();
void DisconnectFromOrvik();

// One send of all bytes: the count sent, or TRANSFER_FAILED.
int WriteDataToOrvikServer(const unsigned char* data, int count);
// One receive after waiting up to timeoutMs for data: the count received, or
// TRANSFER_FAILED. A connection closed by the driver also posts the quit message.
int ReadDataFromServer(unsigned char* buffer, int size, DWORD timeoutMs);

// Sends one request and waits for its reply. Kinds 1 and 9: `opcode` names
// the device command and `message` holds its payload (two zero bytes and the
// value; none when it has no value). Control kinds: `message` is the whole
// control message, code first. 1 when a reply of the expected length came;
// it is copied to `reply` (REPLY_AREA_SIZE bytes, or none). Its content is the
// caller's to judge.
int CommandIssuer(unsigned short opcode, const unsigned char* message, unsigned char* reply, int kind);

// Sends control code 7, 8 or 10; true when the driver answered other than "0".
bool SendInitCommand(unsigned char code);

// Sends START_ZSM until the device takes it or the user gives up in the
// connection error dialog (Turn Off also turns the driver off). 1 or 0.
int SendStartZSMWithRetry();

// START_ZSM once; when the device took it, waits for it to settle. 1 or 0.
int ReinitSequence();

#endif
