// A test window that stands for "the application in the foreground". It runs
// on its own thread, is made the foreground window, and logs every keyboard,
// mouse button, close and power message it receives, in arrival order, as
// short texts ("kd 41" is WM_KEYDOWN for 'A', "ch 61" WM_CHAR 'a').
//
// Injected input reaches the window asynchronously, so Take() first injects a
// sentinel key and waits for it: input sent earlier has then arrived, and so
// has every message posted earlier (posted messages overtake input).
// Input still on its way from the device is covered by the device's marker
// key (the simulator's "marker"): AwaitDeviceMarker waits until it arrives.
// Neither key is ever logged.
#ifndef ORVIK_TESTS_INPUT_RECORDER_H
#define ORVIK_TESTS_INPUT_RECORDER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "../support/windowthread.h"

struct RecordedMessage {
    std::string text;
    double atMs;  // NowMs() when the window received it
};

// Milliseconds on a monotonic clock.
double NowMs();

class RecorderWindow {
public:
    // Creates, shows and brings forward the window. `closes` makes WM_CLOSE
    // destroy it, as an ordinary application would; otherwise it is only logged.
    bool Open(const char* title, bool closes = false);
    void Close();
    // For a window that closes itself: true once its thread has ended.
    bool WaitUntilClosed(DWORD timeoutMs) { return thread_.Ended(timeoutMs); }
    HWND Handle() const { return thread_.Window(); }

    // Waits for the input injected so far, then hands over and clears the log.
    std::vector<std::string> Take();
    std::vector<RecordedMessage> TakeTimed();
    // Has the device send its marker key (sendMarker) and waits until the
    // window receives it: everything the device sent before has then been
    // typed. False when sending failed or the marker never came.
    bool AwaitDeviceMarker(const std::function<bool()>& sendMarker);
    // Whether the log holds this message now; does not wait.
    bool Received(const std::string& text) { return Count(text) > 0; }
    // How often the log holds this message now; does not wait.
    size_t Count(const std::string& text);

private:
    HWND Create();
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Log(const char* kind, unsigned value, bool withValue = true);
    bool WaitForSentinel();

    const char* title_ = "";
    bool closes_ = false;
    WindowThread thread_;
    HANDLE sentinelSeen_ = nullptr;
    HANDLE markerSeen_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<RecordedMessage> log_;
};

#endif
