#include "lifecycle.h"

#include "../input/keyboard.h"
#include "serviceevents.h"
#include "tray.h"

void ServiceStop() {
    RemoveTrayIcon();
    // The timer window lives on the service thread: its WM_DESTROY posts the
    // quit message that ends that thread's message loop.
    if (ghTimerWnd) SendMessageA(ghTimerWnd, WM_DESTROY, 0, 0);
    if (g_hServiceStopEvent) SetEvent(g_hServiceStopEvent);
}
