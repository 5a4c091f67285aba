// Device commands, one at a time, and the sequences built on them: device
// start, layout handshake, power-state sequence, keyboard start and stop,
// and the connection switch.
#ifndef ORVIK_DEVICELINK_COMMANDS_H
#define ORVIK_DEVICELINK_COMMANDS_H

#include <windows.h>

const DWORD ORDINARY_RESPONSE_TIMEOUT_MS = 5000;
const DWORD START_RESPONSE_TIMEOUT_MS = 2500;
const DWORD START_SETTLE_MS = 2000;  // between the start command and the handshake

// Sends one command and waits for the device's answer. `payload` holds two
// zero bytes and the value (0 when the command has none); `response`, when
// given, must hold RESPONSE_BUFFER_SIZE bytes. The caller must not hold the
// command semaphore. 1 when the device confirmed with the expected length.
int WriteAllData(unsigned short opcode, const unsigned char* payload, unsigned char* response, int commandClass);

int SendStartZSM();
int SetDefaultLayout();
int PowerStateSequence();
int InitSequence();
int ReinitDevice();
int EnableConnection();
void DisableConnection();
int DeInitializeKeyBoard();
void ReleaseStuckKeys();

DWORD WINAPI Depacketizer(LPVOID);

#endif
