#include "windowthread.h"

namespace {

// Posted to the thread itself: its window is destroyed where it was made.
const UINT DESTROY_WINDOW_REQUEST = WM_APP + 0x3F0;
const DWORD THREAD_TIMEOUT_MS = 10000;

}  // namespace

bool WindowThread::Start(const std::function<HWND()>& create, const std::function<void()>& serve) {
    create_ = create;
    serve_ = serve;
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
    if (!thread_) return false;
    // A thread whose window could not be made ends at once.
    HANDLE handles[2] = {ready_, thread_};
    return WaitForMultipleObjects(2, handles, FALSE, THREAD_TIMEOUT_MS) == WAIT_OBJECT_0 && window_;
}

void WindowThread::Stop() {
    if (thread_) {
        PostThreadMessageA(threadId_, DESTROY_WINDOW_REQUEST, 0, 0);
        WaitForSingleObject(thread_, THREAD_TIMEOUT_MS);
        CloseHandle(thread_);
    }
    if (ready_) CloseHandle(ready_);
    thread_ = ready_ = nullptr;
    window_ = nullptr;
}

bool WindowThread::Ended(DWORD timeoutMs) {
    return thread_ && WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD WINAPI WindowThread::Run(LPVOID parameter) {
    WindowThread* self = static_cast<WindowThread*>(parameter);
    HWND window = self->create_();
    if (!window) return 1;
    self->window_ = window;
    SetEvent(self->ready_);
    if (self->serve_) self->serve_();
    else self->PumpMessages();
    if (IsWindow(window)) DestroyWindow(window);
    return 0;
}

void WindowThread::PumpMessages() {
    MSG message;
    while (IsWindow(window_) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!message.hwnd && message.message == DESTROY_WINDOW_REQUEST) return;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
