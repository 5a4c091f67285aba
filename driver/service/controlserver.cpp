// The control server thread. It accepts one client at a time and serves its
// messages one at a time: a message is received whole by one receive, acted
// on under the command semaphore, and answered with one send.
//
// The semaphore is held from receipt to reply, so that a forwarded device
// packet and its response cannot interleave with a command of another
// thread. The sequences behind INIT_CMD, REINIT_CMD and a switching
// ENABLECONNECTION_CMD take the semaphore for each of their own commands, so
// those handlers give it back before they start; every message releases it
// exactly once.
//
// The listener is bound to the loopback address only: what it offers (stop
// the driver, move it to another port, raw device commands) is for programs
// on this machine, and it has no authentication.
#include "controlserver.h"

#include <cstdio>
#include <cstring>

#include "../../common/portname.h"
#include "../../common/registry.h"
#include "../../common/trace.h"
#include "../devicelink/commands.h"
#include "../devicelink/devicelink.h"
#include "../devicelink/messages.h"
#include "../input/keyboard.h"
#include "../input/mouse.h"
#include "../input/sound.h"
#include "../../common/controlrequest.h"
#include "lifecycle.h"
#include "tray.h"

volatile BYTE ucServerState = THREAD_ENDED;
HANDLE g_hServerThread = 0;
HWND volatile hSettingsWnd = 0;

void PostToSettingsWindow(UINT message, WPARAM wParam) {
    HWND settingsWindow = hSettingsWnd;
    if (settingsWindow && IsWindow(settingsWindow)) PostMessageA(settingsWindow, message, wParam, 0);
}

namespace {

const int RECEIVE_AREA_SIZE = 2048;
// Bytes that follow an oversized request this closely belong to it.
const long OVERSIZED_TAIL_WAIT_US = 100000;
const int LISTEN_BACKLOG = 4;
const DWORD FORWARD_RESPONSE_TIMEOUT_MS = 5000;

SOCKET volatile gListenSocket = INVALID_SOCKET;
SOCKET volatile gClientSocket = INVALID_SOCKET;
bool gbSocketLibraryStarted = false;

// Whether a handler still holds the command semaphore when it returns.
enum SemaphoreUse { SEMAPHORE_HELD, SEMAPHORE_RELEASED };

// The server thread and DeInitSockSrv may both close a socket: whoever takes
// it out of its slot first closes it, the other finds none.
void CloseSocketIn(SOCKET volatile* slot) {
    void* taken = InterlockedExchangePointer(reinterpret_cast<void* volatile*>(slot),
                                             reinterpret_cast<void*>(INVALID_SOCKET));
    const SOCKET socket = reinterpret_cast<SOCKET>(taken);
    if (socket == INVALID_SOCKET) return;
    shutdown(socket, SD_BOTH);
    closesocket(socket);
}

void Reply(unsigned char byte) { SendDataToClient(&byte, 1); }

void ReplyResult(int ok) { Reply(ok ? CONTROL_REPLY_SUCCESS : CONTROL_REPLY_FAILURE); }

int TakeCommandSemaphore() {
    const DWORD wait = WaitForSingleObject(ghCommandSemaphore, INFINITE);
    if (wait == WAIT_OBJECT_0) return 1;
    Trace("OrvikServerThreadRoutine: WaitForSingleObject failed %lu", GetLastError());
    return 0;
}

void ReleaseCommandSemaphore() { ReleaseSemaphore(ghCommandSemaphore, 1, nullptr); }

SemaphoreUse SetKeyRepeat(const ControlRequest& request) {
    ReplyResult(ApplyKeyRepeatSettings(request.flag, request.rate, request.holdMs));
    return SEMAPHORE_HELD;
}

SemaphoreUse SetKeySound(const ControlRequest& request) {
    bSoundEnabled = request.flag;
    // The registry, which the settings program wrote first, has the last word.
    GetAudioDataFromRegistry();
    Reply(CONTROL_REPLY_SUCCESS);
    return SEMAPHORE_HELD;
}

// The link already runs once the driver has started: it is stopped first, so
// that its objects, port and threads are not created a second time.
int RestartDeviceLink() {
    if (DeviceLinkObjectsExist()) DeInitializeKeyBoard();
    return InitSequence();
}

SemaphoreUse InitDeviceLink() {
    ReleaseCommandSemaphore();
    ReplyResult(RestartDeviceLink());
    return SEMAPHORE_RELEASED;
}

SemaphoreUse StopDriver() {
    Reply(CONTROL_REPLY_SUCCESS);
    // The shut-down closes the semaphore: give it back while it exists.
    ReleaseCommandSemaphore();
    ServiceStop();
    return SEMAPHORE_RELEASED;
}

SemaphoreUse ReinitDeviceLink() {
    ReleaseCommandSemaphore();
    ReplyResult(ReinitDevice());
    return SEMAPHORE_RELEASED;
}

SemaphoreUse RegisterSettingsWindow(const ControlRequest& request) {
    hSettingsWnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(request.window));
    ReplyResult(GetConnectionState());
    return SEMAPHORE_HELD;
}

// The message has room for one digit: a port of two digits is named by its
// first one, and is the port the settings program stored before it sent the
// message. Any other character names no port.
int OpenNamedPort(unsigned char digit, HANDLE* port) {
    const unsigned long number =
        PortForChangeCommand(static_cast<char>(digit), GetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 1));
    if (!number) {
        Trace("OrvikServerThreadRoutine: no port %u", digit);
        return 0;
    }
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%lu", number);
    return OpenCommPort(name, port);
}

// The switch takes the link lock, which a connection switch may hold while it
// waits for the command semaphore: the semaphore goes back first.
SemaphoreUse ChangeComPort(const unsigned char* message) {
    HANDLE port = 0;
    ReleaseCommandSemaphore();
    if (!OpenNamedPort(message[1], &port)) {
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        Reply(CONTROL_REPLY_FAILURE);
    } else if (SwitchReaderPort(port)) {
        Reply(CONTROL_REPLY_SUCCESS);
    }
    return SEMAPHORE_RELEASED;
}

SemaphoreUse SetMouseTap(const ControlRequest& request) {
    bTapEnabled = request.flag;
    Reply(CONTROL_REPLY_SUCCESS);
    return SEMAPHORE_HELD;
}

SemaphoreUse SwitchConnection(const ControlRequest& request) {
    if (request.flag == GetConnectionState()) {
        Reply(CONTROL_REPLY_SUCCESS);
        return SEMAPHORE_HELD;
    }
    ReleaseCommandSemaphore();
    DoConnectionSequence();
    Reply(CONTROL_REPLY_SUCCESS);
    return SEMAPHORE_RELEASED;
}

SemaphoreUse ShowTrayIcon(const ControlRequest& request) {
    if (request.flag) AddTrayIcon();
    else RemoveTrayIcon();
    Reply(CONTROL_REPLY_SUCCESS);
    return SEMAPHORE_HELD;
}

void RelayResponse() {
    unsigned char reply[CONTROL_MESSAGE_SIZE];
    const int length = BuildForwardReply(gResponse.success, gResponse.data, gResponse.length, reply);
    if (length > 0) SendDataToClient(reply, length);
    else Trace("OrvikServerThreadRoutine: response of %u bytes not relayed", gResponse.length);
}

// The bytes go to the device as received, checked or not; only a success
// response to their opcode field gets a reply.
SemaphoreUse ForwardDevicePacket(const ControlRequest& request) {
    usAwaitedOpcode = request.opcode;
    gResponse.success = 0;
    ResetEvent(ghCommandResponseEvent);
    DWORD written = 0;
    if (!WritePort(request.message, static_cast<DWORD>(request.length), &written)) {
        Trace("OrvikServerThreadRoutine: WritePort failed");
        return SEMAPHORE_HELD;
    }
    const DWORD wait = WaitForSingleObject(ghCommandResponseEvent, FORWARD_RESPONSE_TIMEOUT_MS);
    if (wait != WAIT_OBJECT_0) {
        Trace("OrvikServerThreadRoutine: no response (%lu)", wait);
        return SEMAPHORE_HELD;
    }
    if (!gResponse.success) {
        Trace("OrvikServerThreadRoutine: command not successful");
        return SEMAPHORE_HELD;
    }
    RelayResponse();
    return SEMAPHORE_HELD;
}

SemaphoreUse ActOnMessage(const ControlRequest& request) {
    switch (request.kind) {
    case REQUEST_KEY_REPEAT: return SetKeyRepeat(request);
    case REQUEST_KEY_SOUND: return SetKeySound(request);
    case REQUEST_INIT: return InitDeviceLink();
    case REQUEST_DEINIT: return StopDriver();
    case REQUEST_REINIT: return ReinitDeviceLink();
    case REQUEST_SETTINGS_WINDOW: return RegisterSettingsWindow(request);
    case REQUEST_CHANGE_PORT: return ChangeComPort(request.message);
    case REQUEST_MOUSE_TAP: return SetMouseTap(request);
    case REQUEST_ENABLE_CONNECTION: return SwitchConnection(request);
    case REQUEST_TRAY_ICON: return ShowTrayIcon(request);
    default: return ForwardDevicePacket(request);
    }
}

// A request longer than the message area is outside the protocol: it is
// refused with "0" and nothing of it is acted on.
void ServeMessage(const unsigned char* received, int count) {
    ControlRequest request;
    ParseControlRequest(received, count, &request);
    if (request.kind == REQUEST_REFUSED) {
        Trace("OrvikServerThreadRoutine: request of %d bytes refused", count);
        Reply(CONTROL_REPLY_FAILURE);
        return;
    }
    if (!TakeCommandSemaphore()) return;
    if (ActOnMessage(request) == SEMAPHORE_HELD) ReleaseCommandSemaphore();
}

// An oversized request may need more than one receive: what follows it
// closely is its tail, and must never be served as a request of its own.
void DiscardRestOfRequest(SOCKET client) {
    char sink[RECEIVE_AREA_SIZE];
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        timeval wait = {0, OVERSIZED_TAIL_WAIT_US};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return;
        if (recv(client, sink, sizeof sink, 0) <= 0) return;
    }
}

// Until the client closes the connection or the socket is closed under it.
void ServeClient(SOCKET client) {
    unsigned char area[RECEIVE_AREA_SIZE];
    for (;;) {
        std::memset(area, 0, sizeof area);
        const int received = recv(client, reinterpret_cast<char*>(area), sizeof area, 0);
        Trace("OrvikServerThreadRoutine: after recv %d", received);
        if (received <= 0) return;
        if (received > CONTROL_MESSAGE_SIZE) DiscardRestOfRequest(client);
        ServeMessage(area, received);
    }
}

void ServeClients(SOCKET listener) {
    while (ucServerState == THREAD_RUNNING) {
        const SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            Trace("OrvikServerThreadRoutine: accept failed %d", WSAGetLastError());
            return;
        }
        gClientSocket = client;
        ServeClient(client);
        CloseSocketIn(&gClientSocket);
    }
}

}  // namespace

int StartControlServer() {
    if (g_hServerThread) return 1;
    // Set before the thread can look at it.
    ucServerState = THREAD_RUNNING;
    g_hServerThread = CreateThread(nullptr, 0, OrvikServerThreadRoutine, nullptr, 0, nullptr);
    if (g_hServerThread) return 1;
    Trace("StartControlServer: CreateThread failed %lu", GetLastError());
    ucServerState = THREAD_ENDED;
    return 0;
}

void StopControlServer() {
    // Asked to stop before its sockets close, the thread ends instead of
    // waiting for the next client.
    if (ucServerState != THREAD_ENDED) ucServerState = THREAD_ASKED_TO_STOP;
    DeInitSockSrv();
    if (!FinishLinkThread(&g_hServerThread, &ucServerState))
        Trace("StopControlServer: server thread explicitely killed.");
}

DWORD WINAPI OrvikServerThreadRoutine(LPVOID) {
    if (InitSockSrv()) {
        gListenSocket = CreateListenerSocket(CONTROL_PORT);
        if (gListenSocket != INVALID_SOCKET) ServeClients(gListenSocket);
    }
    Trace("OrvikServerThreadRoutine: exiting");
    ucServerState = THREAD_ENDED;
    return 0;
}

int InitSockSrv() {
    WSADATA data;
    const int error = WSAStartup(MAKEWORD(1, 1), &data);
    if (error) {
        Trace("InitSockSrv: WSAStartup failed %d", error);
        return 0;
    }
    gbSocketLibraryStarted = true;
    return 1;
}

SOCKET CreateListenerSocket(unsigned short port) {
    if (port == 0) return INVALID_SOCKET;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        Trace("CreateListenerSocket: socket failed %d", WSAGetLastError());
        return INVALID_SOCKET;
    }
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR ||
        listen(listener, LISTEN_BACKLOG) == SOCKET_ERROR) {
        Trace("CreateListenerSocket: bind or listen failed %d", WSAGetLastError());
        closesocket(listener);
        return INVALID_SOCKET;
    }
    return listener;
}

int SendDataToClient(const unsigned char* data, int count) {
    return send(gClientSocket, reinterpret_cast<const char*>(data), count, 0) == count;
}

void DeInitSockSrv() {
    CloseSocketIn(&gListenSocket);
    CloseSocketIn(&gClientSocket);
    if (!gbSocketLibraryStarted) return;
    WSACleanup();
    gbSocketLibraryStarted = false;
}
