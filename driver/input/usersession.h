// Programs started in the session of the person at the console. The driver
// runs as a service; a program it starts must run as that user, so it takes
// the token of the user's shell: the first "explorer.exe" in the process list
// whose session is the console's (the active console session; session 0 on
// Windows 2000, which has no other). With no such shell running (nobody
// logged on at the console) nothing is started.
//
// Every launch closes what it opened before it returns: the shell's process
// handle and token, the environment block, the loaded profile, and the
// process and thread handles of the new program.
#ifndef ORVIK_INPUT_USERSESSION_H
#define ORVIK_INPUT_USERSESSION_H

#include <windows.h>

// The desktop of the logged-on user's programs (the logon and locked
// screens have desktops of their own).
#define USER_DESKTOP "Default"

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

// The console user's shell: the first "explorer.exe" in the session of the
// person at the console. 1 with its id, or 0 when none runs.
int FindConsoleShell(DWORD* processId);

// The token of the console user's shell with `tokenAccess`, its process
// opened with `processAccess` and closed again; 0 when there is no shell or
// no access. Failures are traced under `caller`'s name.
HANDLE OpenShellToken(DWORD processAccess, DWORD tokenAccess, const char* caller);

// The person at the console works on their own desktop: the input desktop
// is "Default" (not the logon or locked screen, nor the screen saver's) and
// their shell runs.
bool UserDesktopActive();

// CreateProcessAsUser with no application name, no inherited handles and a
// plain start-up record; closes the new process's handles. 1 when created.
int CreateProcessAsShellUser(HANDLE token, char* commandLine, DWORD flags, void* environment);

// Loads the profile of the token's user, without any user interface. The
// token needs query, impersonate and duplicate access. 1 with *profile set,
// or 0.
int LoadLoggedOnUserProfile(HANDLE token, HANDLE* profile);

// Starts `program` (a command line when argument is 0, else a program path
// started with that one argument) as the console user, with the user's
// profile and environment; the first %NAME% of the command line is replaced
// by the user's variable of that name (never the service's). A command line
// longer than 255 characters is refused. 1 when the process was created.
int LaunchInUserSession(const char* program, const char* argument);

#endif
