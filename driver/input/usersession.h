// Programs started in the logged-on user's session. The driver runs as a
// service; a program it starts must run as the user, so it takes the token of
// the user's shell, the first "explorer.exe" in the process list. With no
// shell running (nobody logged on) nothing is started.
//
// Every launch closes what it opened before it returns: the shell's process
// handle and token, the environment block, the loaded profile, and the
// process and thread handles of the new program.
#ifndef ORVIK_INPUT_USERSESSION_H
#define ORVIK_INPUT_USERSESSION_H

#include <windows.h>

// Registry strings read for launches: 259 characters and the terminator.
const DWORD MACHINE_STRING_SIZE = 260;

// Reads a string value (valueName 0: the default value) of a key under
// HKEY_LOCAL_MACHINE into buffer, which holds MACHINE_STRING_SIZE bytes;
// always terminated. 0 when the key or value is missing, is no string, or is
// longer than the buffer.
int ReadMachineString(const char* keyPath, const char* valueName, char* buffer);

// The id of the first process in a snapshot whose program is `name`
// (letter case ignored). 0 when there is none or no snapshot.
int FindProcessIdByName(const char* name, DWORD* processId);

// The token of the user's shell with `tokenAccess`, its process opened with
// `processAccess` and closed again; 0 when there is no shell or no access.
// Failures are traced under `caller`'s name.
HANDLE OpenShellToken(DWORD processAccess, DWORD tokenAccess, const char* caller);

// CreateProcessAsUser with no application name, no inherited handles and a
// plain start-up record; closes the new process's handles. 1 when created.
int CreateProcessAsShellUser(HANDLE token, char* commandLine, DWORD flags, void* environment);

// Loads the profile of the token's user. 1 with *profile set, or 0.
int LoadLoggedOnUserProfile(HANDLE token, HANDLE* profile);

// Starts `program` (a command line when argument is 0, else a program path
// started with that one argument) as the logged-on user, with the user's
// profile and environment; the first %NAME% of the command line is replaced
// by the driver's own variable of that name. A command line longer than 255
// characters is refused. 1 when the process was created.
int LaunchInUserSession(const char* program, const char* argument);

#endif
