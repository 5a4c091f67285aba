// The settings program's life: one instance per machine, a connection to the
// driver, the main window, and the exit steps that run however it ends.
#ifndef ORVIK_SETTINGS_APP_H
#define ORVIK_SETTINGS_APP_H

#include <windows.h>

class COrvikSettingsApp {
public:
    // Start-up, the main window until it closes, then the exit steps.
    int Run();

private:
    void InitInstance();
    void ExitInstance();

    HANDLE m_hSingleInstance = nullptr;
};

#endif
