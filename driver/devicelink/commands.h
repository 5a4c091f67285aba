// Device commands, one at a time, and the sequences built on them: device
// start, layout handshake, power-state sequence, keyboard start and stop,
// and the connection switch.
#ifndef ORVIK_DEVICELINK_COMMANDS_H
#define ORVIK_DEVICELINK_COMMANDS_H

#include <windows.h>

const DWORD ORDINARY_RESPONSE_TIMEOUT_MS = 5000;
const DWORD START_RESPONSE_TIMEOUT_MS = 2500;
const DWORD START_SETTLE_MS = 2000;  // between the start command and the handshake
extern DWORD gdwStartSettleMs;        // START_SETTLE_MS; a soak of many reconnects shortens it

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
// Stops the reader, releases what the old device held, and makes `port` the
// device port with a new reader on it. While the connection is off the port
// is closed again and the connection stays off (1). 0, after telling the
// user, when the reader cannot be started; the port is closed then.
int SwitchReaderPort(HANDLE port);

DWORD WINAPI Depacketizer(LPVOID);

#endif
