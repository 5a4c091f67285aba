// The seam for Win32 effects that a test cannot watch directly: message
// boxes, modal dialogs, sound and the start of other programs. The programs
// call them through g_ui; the real build points every entry at the Windows
// function, a test replaces entries.
#ifndef ORVIK_COMMON_UISEAM_H
#define ORVIK_COMMON_UISEAM_H

#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

struct UiSeam {
    int(WINAPI* messageBoxA)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    int(WINAPI* messageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    INT_PTR(WINAPI* dialogBoxParamA)(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                                     LPARAM parameter);
    BOOL(WINAPI* playSoundA)(LPCSTR sound, HMODULE module, DWORD flags);
    BOOL(WINAPI* createProcessAsUserA)(HANDLE token, LPCSTR application, LPSTR commandLine,
                                       LPSECURITY_ATTRIBUTES processAttributes,
                                       LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                                       LPVOID environment, LPCSTR directory, LPSTARTUPINFOA startup,
                                       LPPROCESS_INFORMATION process);
    BOOL(WINAPI* shellExecuteExA)(SHELLEXECUTEINFOA* execute);
};

extern UiSeam g_ui;

#endif
