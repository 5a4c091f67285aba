// The seam for Win32 effects that a test cannot watch directly: message
// boxes, modal dialogs and sound. The programs call them through g_ui; the real
// build points every entry at the Windows function, a test replaces entries.
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
    BOOL(WINAPI* shellExecuteExA)(SHELLEXECUTEINFOA* info);  // programs started through the shell
};

extern UiSeam g_ui;

#endif
