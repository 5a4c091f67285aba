// Special keys: the keys of the projected layout that have no virtual-key
// code: the Fn and arrow layers, close-application, the taskbar key and the
// launch keys. The device sends them as key code SPECIAL_KEY_CODE with a
// special code of their own; their presses come here from
// ProcessKeyDownEvent, their releases are handled by ProcessKeyUpEvent.
//
// Launch keys start their program in the logged-on user's session
// (usersession.h), found through the registry; a key whose program cannot be
// found or started does nothing but its click.
#ifndef ORVIK_INPUT_LAUNCHKEYS_H
#define ORVIK_INPUT_LAUNCHKEYS_H

#include <windows.h>

#include "../../common/packet.h"

const unsigned char SPECIAL_KEY_CODE = 255;

enum SpecialKey : unsigned char {
    SPECIAL_TASKBAR = 3,       // the taskbar's command 407
    SPECIAL_CALENDAR = 4,      // the default calendar program
    SPECIAL_CONTACTS = 6,      // the default contacts program
    SPECIAL_MAIL_TASKS = 7,    // the mail program's task list
    SPECIAL_MAIL = 8,          // the default mail program
    SPECIAL_EDITOR = 9,        // notepad.exe
    SPECIAL_CLOSE_APP = 10,    // close the foreground application
    SPECIAL_CLOSE_APP2 = 11,   // the same
    SPECIAL_FN = 26,           // Fn layer, while held
    SPECIAL_ARROW_LAYER = 27,  // arrow layer, while held
    SPECIAL_BROWSER = 47,      // the default web browser
    SPECIAL_CALCULATOR = 48,   // calc.exe
    SPECIAL_SEARCH = 49,       // the system's search (Win+F on the user's desktop)
};

// The taskbar's command behind the taskbar key.
const unsigned int TASKBAR_COMMAND_ID = 407;
// The argument that opens the mail program's task list.
#define OUTLOOK_TASKS_ARGUMENT "Outlook:Tasks"

// Closes the application in the foreground, unless that is the desktop:
// WM_CLOSE, then Ctrl+Q for one that ignores it, then WM_CLOSE once more.
void CloseForegroundApplication();

// Plays the key's click, then does what the key stands for; a launch is
// queued for the launcher thread, which runs launches in their keys' order.
void ProcessSpecialKeyEvent(const InputEvent* event);
// Drops the launches not yet started and ends the launcher thread.
void StopLaunches();
// Waits until every queued launch has run; false after `timeoutMs`.
bool WaitForLaunches(DWORD timeoutMs);

// Brings the taskbar ("Shell_TrayWnd") to the foreground and posts it
// WM_COMMAND TASKBAR_COMMAND_ID. 0 without a taskbar.
int SendTaskbarCommand();

// Starts Microsoft Outlook, found through its mailto icon location, with
// `argument`. 1 when it was started.
int LaunchOutlookTasks(const char* argument);

#endif
