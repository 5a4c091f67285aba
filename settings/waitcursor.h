// The hourglass for the length of a scope: every exchange with the driver
// blocks the user-interface thread, up to the reply time-out.
#ifndef ORVIK_SETTINGS_WAITCURSOR_H
#define ORVIK_SETTINGS_WAITCURSOR_H

#include <windows.h>

class WaitCursor {
public:
    WaitCursor() : m_hPrevious(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_hPrevious); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_hPrevious;
};

#endif
