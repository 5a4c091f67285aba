// A window made and served on a thread of its own, as the driver's and other
// programs' windows are: the window answers sent messages while the test
// thread waits. The test windows (recorder, taskbar stand-in, the driver's
// timer window, a hung settings window) are all built on it.
#ifndef ORVIK_TESTS_SUPPORT_WINDOWTHREAD_H
#define ORVIK_TESTS_SUPPORT_WINDOWTHREAD_H

#include <windows.h>

#include <functional>

class WindowThread {
public:
    WindowThread() = default;
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;
    ~WindowThread() { Stop(); }

    // Runs `create` on a new thread and then `serve` there, by default a
    // message loop that ends with the window. True once `create` made a window.
    bool Start(const std::function<HWND()>& create, const std::function<void()>& serve = nullptr);
    // Destroys the window on its own thread and waits for the thread to end.
    void Stop();
    // For a window that destroys itself: true once its thread has ended.
    bool Ended(DWORD timeoutMs);
    HWND Window() const { return window_; }

private:
    static DWORD WINAPI Run(LPVOID self);
    void PumpMessages();

    std::function<HWND()> create_;
    std::function<void()> serve_;
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

#endif
