#include "recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "../../../driver/input/keyboard.h"

namespace {

const char* const RECORDER_CLASS = "OrvikInputRecorder";
const BYTE SENTINEL_KEY = VK_F24;  // never typed by the code under test in these tests
const BYTE DEVICE_MARKER_KEY = VK_F23;  // the simulator's "marker" key
const DWORD SENTINEL_TIMEOUT_MS = 5000;
// A bound for a broken link, not a pace: the marker usually takes milliseconds.
const DWORD MARKER_TIMEOUT_MS = 10000;
const DWORD ACTIVATION_SETTLE_MS = 250;

}  // namespace

double NowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool RecorderWindow::Open(const char* title, bool closes) {
    title_ = title;
    closes_ = closes;
    InitializeCriticalSection(&lock_);
    sentinelSeen_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    markerSeen_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!thread_.Start([this] { return Create(); })) return false;
    // Under X, activation brings the display's own idea of the keyboard a
    // little later, which would undo modifiers pressed right now.
    Sleep(ACTIVATION_SETTLE_MS);
    Take();
    return GetForegroundWindow() == Handle();
}

void RecorderWindow::Close() {
    thread_.Stop();
    if (sentinelSeen_) CloseHandle(sentinelSeen_);
    if (markerSeen_) CloseHandle(markerSeen_);
    sentinelSeen_ = markerSeen_ = nullptr;
    DeleteCriticalSection(&lock_);
}

HWND RecorderWindow::Create() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = RECORDER_CLASS;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, RECORDER_CLASS, title_, WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                                  nullptr, windowClass.hInstance, this);
    if (window) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        SetFocus(window);
    }
    return window;
}

void RecorderWindow::Log(const char* kind, unsigned value, bool withValue) {
    char text[32];
    if (withValue) std::snprintf(text, sizeof text, "%s %02X", kind, value);
    else std::snprintf(text, sizeof text, "%s", kind);
    EnterCriticalSection(&lock_);
    log_.push_back({text, NowMs()});
    LeaveCriticalSection(&lock_);
}

LRESULT CALLBACK RecorderWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    RecorderWindow* self = reinterpret_cast<RecorderWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    const unsigned value = static_cast<unsigned>(wParam);
    const bool keyMessage =
        message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
    if (keyMessage && (value == SENTINEL_KEY || value == DEVICE_MARKER_KEY)) {
        if (message == WM_KEYUP || message == WM_SYSKEYUP)
            SetEvent(value == SENTINEL_KEY ? self->sentinelSeen_ : self->markerSeen_);
        return 0;
    }
    switch (message) {
    case WM_KEYDOWN: self->Log("kd", value); return 0;
    case WM_KEYUP: self->Log("ku", value); return 0;
    case WM_SYSKEYDOWN: self->Log("skd", value); return 0;
    case WM_SYSKEYUP: self->Log("sku", value); return 0;
    case WM_CHAR: self->Log("ch", value); return 0;
    case WM_SYSCHAR: self->Log("sch", value); return 0;
    case WM_LBUTTONDOWN: self->Log("ldown", 0, false); return 0;
    case WM_LBUTTONUP: self->Log("lup", 0, false); return 0;
    case WM_RBUTTONDOWN: self->Log("rdown", 0, false); return 0;
    case WM_RBUTTONUP: self->Log("rup", 0, false); return 0;
    case WM_MOUSEMOVE: self->Log(wParam & MK_LBUTTON ? "drag" : "move", 0, false); return 0;
    case WM_POWER_MODE: self->Log("power", value); return 0;
    case WM_CLOSE:
        self->Log("close", 0, false);
        if (self->closes_) DestroyWindow(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RecorderWindow::WaitForSentinel() {
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = SENTINEL_KEY;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ResetEvent(sentinelSeen_);
    return SendInput(2, inputs, sizeof(INPUT)) == 2 &&
           WaitForSingleObject(sentinelSeen_, SENTINEL_TIMEOUT_MS) == WAIT_OBJECT_0;
}

std::vector<RecordedMessage> RecorderWindow::TakeTimed() {
    // A window that closed itself gets no more input: its log is complete.
    if (IsWindow(Handle()) && !WaitForSentinel()) ADD_FAILURE() << "the sentinel key never reached the window";
    EnterCriticalSection(&lock_);
    std::vector<RecordedMessage> taken;
    taken.swap(log_);
    LeaveCriticalSection(&lock_);
    return taken;
}

std::vector<std::string> RecorderWindow::Take() {
    std::vector<std::string> texts;
    for (const RecordedMessage& message : TakeTimed())
        if (message.text != "move") texts.push_back(message.text);
    return texts;
}

bool RecorderWindow::AwaitDeviceMarker(const std::function<bool()>& sendMarker) {
    ResetEvent(markerSeen_);
    return sendMarker() && WaitForSingleObject(markerSeen_, MARKER_TIMEOUT_MS) == WAIT_OBJECT_0;
}

size_t RecorderWindow::Count(const std::string& text) {
    EnterCriticalSection(&lock_);
    const size_t count = static_cast<size_t>(std::count_if(
        log_.begin(), log_.end(), [&text](const RecordedMessage& message) { return message.text == text; }));
    LeaveCriticalSection(&lock_);
    return count;
}
