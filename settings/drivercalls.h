// What the settings program asks of the driver, one typed call per request.
// The control messages are encoded in common/ beside the driver's parser, so
// no page builds one by hand. Each call runs under the wait cursor; when it
// finds the driver gone, the program is asked to end, as it has nothing left
// to show.
#ifndef ORVIK_SETTINGS_DRIVERCALLS_H
#define ORVIK_SETTINGS_DRIVERCALLS_H

#include <windows.h>

// Driver-side settings: 1 when the driver answered "1".
int SetKeyRepeat(bool enabled, unsigned short rate, unsigned short delayMs);
int SetKeySound(bool enabled);
int SetMouseTap(bool on);
// Asks for the connection on or off.
int SwitchConnection(bool on);
// Moves the driver to port `portNumber` (the message names its first digit;
// the driver takes the stored port that begins with it).
int ChangePort(unsigned long portNumber);

// INIT_CMD, DEINIT_CMD or REINIT_CMD; true when the driver answered other
// than "0". DEINIT_CMD turns the driver off.
bool SendInitCommand(unsigned char code);

// At exit: the driver forgets the settings window. Only on a connection that
// is ready, so that quitting waits no longer than this one request; a closed
// connection makes the driver forget it anyway.
void UnregisterSettingsWindow();

// START_ZSM once; 1 when the device took it.
int StartDevice();
// A device value: `opcode` is a command without payload, its reply goes to
// `reply` (REPLY_AREA_SIZE bytes). 1 when the device answered.
int ReadDeviceValue(unsigned short opcode, unsigned char* reply);
// Sends a device set command with `value` once, without asking anyone:
// 1 when the device took it.
int SendDeviceValue(unsigned short opcode, DWORD value);

#endif
