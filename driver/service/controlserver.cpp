// The control server thread. It accepts one client at a time and serves its
// messages one at a time: a message is received whole by one receive, acted
// on, and answered with one send. Device traffic (a forwarded packet, the
// sequences behind INIT_CMD, REINIT_CMD and the connection switch) goes
// through the device link, which sends one command at a time whichever
// thread asks.
//
// The listener is bound to the loopback address only: what it offers (stop
// the driver, move it to another port, raw device commands) is for programs
// on this machine, and it has no authentication.
#include "controlserver.h"

#include <cstdio>
#include <cstring>

#include "../../common/portname.h"
#include "../../common/settingsstore.h"
#include "../../common/trace.h"
#include "../../common/worker.h"
#include "../devicelink/commands.h"
#include "../devicelink/messages.h"
#include "../input/keyrepeat.h"
#include "../input/mouse.h"
#include "../input/sound.h"
#include "../../common/controlrequest.h"
#include "lifecycle.h"
#include "tray.h"

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
// A stop waits this long for a message being served (a device command takes
// up to 5000 ms, and a question the stop closed must still be answered).
const DWORD SERVER_JOIN_MS = 8000;

Worker gServer = {};
SOCKET volatile gListenSocket = INVALID_SOCKET;
SOCKET volatile gClientSocket = INVALID_SOCKET;
bool gbSocketLibraryStarted = false;
HWND gClientWindow = 0;  // the settings window the client being served registered

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

void SetKeyRepeat(const ControlRequest& request) {
    ReplyResult(ApplyKeyRepeatSettings(request.flag, request.rate, request.holdMs));
}

void SetKeySound(const ControlRequest& request) {
    bSoundEnabled = request.flag;
    // The registry, which the settings program wrote first, has the last word.
    GetAudioDataFromRegistry();
    Reply(CONTROL_REPLY_SUCCESS);
}

void StopDriver() {
    Reply(CONTROL_REPLY_SUCCESS);
    ServiceStop();
}

void RegisterSettingsWindow(const ControlRequest& request) {
    gClientWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(request.window));
    hSettingsWnd = gClientWindow;
    ReplyResult(GetConnectionState());
}

// A client that goes away takes its window with it: nothing is posted to a
// handle that a later window of another program may get.
void ForgetClientWindow() {
    if (gClientWindow)
        InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&hSettingsWnd), nullptr, gClientWindow);
    gClientWindow = 0;
}

// The message has room for one digit: a port of two digits is named by its
// first one, and is the port the settings program stored before it sent the
// message. Any other character names no port.
void ChangeComPort(const unsigned char* message) {
    const unsigned long number =
        PortForChangeCommand(static_cast<char>(message[1]), ReadDwordSetting(PORT_NUMBER, BY_DRIVER));
    if (!number) {
        Trace("OrvikServerThreadRoutine: no port %u", message[1]);
        ShowDriverMessage(nullptr, DRIVER_MSG_SELECT_PORT);
        Reply(CONTROL_REPLY_FAILURE);
        return;
    }
    switch (ChangeLinkPort(number)) {
    case PORT_CHANGED: Reply(CONTROL_REPLY_SUCCESS); break;
    case PORT_NOT_OPENED: Reply(CONTROL_REPLY_FAILURE); break;
    case PORT_NO_READER: break;  // no reply: the client's time-out tells
    }
}

void SetMouseTap(const ControlRequest& request) {
    bTapEnabled = request.flag;
    Reply(CONTROL_REPLY_SUCCESS);
}

// 1 connects now unless the link is up (also while it heals), 0 switches
// off (also the tries of a healing link), anything else toggles the wish.
void SwitchConnection(const ControlRequest& request) {
    if (request.flag == 1) {
        if (!GetConnectionState()) EnableConnection();
    } else if (request.flag == 0) {
        if (IsConnectionWanted() || GetConnectionState()) DisableConnection();
    } else {
        DoConnectionSequence();
    }
    Reply(CONTROL_REPLY_SUCCESS);
}

void ShowTrayIcon(const ControlRequest& request) {
    if (request.flag) AddTrayIcon();
    else RemoveTrayIcon();
    Reply(CONTROL_REPLY_SUCCESS);
}

// The bytes go to the device as received, checked or not; only a success
// response to their opcode field gets a reply.
void Forward(const ControlRequest& request) {
    unsigned char response[RESPONSE_BUFFER_SIZE];
    unsigned short length = 0;
    if (!ForwardDevicePacket(request.message, request.length, response, &length)) {
        Trace("OrvikServerThreadRoutine: no response");
        return;
    }
    unsigned char reply[CONTROL_MESSAGE_SIZE];
    const int size = BuildForwardReply(1, response, length, reply);
    if (size > 0) SendDataToClient(reply, size);
    else Trace("OrvikServerThreadRoutine: response of %u bytes not relayed", length);
}

void ActOnMessage(const ControlRequest& request) {
    switch (request.kind) {
    case REQUEST_KEY_REPEAT: SetKeyRepeat(request); break;
    case REQUEST_KEY_SOUND: SetKeySound(request); break;
    case REQUEST_INIT: ReplyResult(RestartDeviceLink()); break;
    case REQUEST_DEINIT: StopDriver(); break;
    case REQUEST_REINIT: ReplyResult(ReinitDevice()); break;
    case REQUEST_SETTINGS_WINDOW: RegisterSettingsWindow(request); break;
    case REQUEST_CHANGE_PORT: ChangeComPort(request.message); break;
    case REQUEST_MOUSE_TAP: SetMouseTap(request); break;
    case REQUEST_ENABLE_CONNECTION: SwitchConnection(request); break;
    case REQUEST_TRAY_ICON: ShowTrayIcon(request); break;
    default: Forward(request); break;
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
    ActOnMessage(request);
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
    while (!WorkerStopAsked(&gServer)) {
        const SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            Trace("OrvikServerThreadRoutine: accept failed %d", WSAGetLastError());
            return;
        }
        gClientSocket = client;
        ServeClient(client);
        ForgetClientWindow();
        CloseSocketIn(&gClientSocket);
    }
}

}  // namespace

int StartControlServer() {
    if (!WorkerEnded(&gServer)) return 1;
    WorkerJoin(&gServer, 0);
    if (WorkerStart(&gServer, OrvikServerThreadRoutine, nullptr, THREAD_PRIORITY_NORMAL)) return 1;
    Trace("StartControlServer: CreateThread failed %lu", GetLastError());
    return 0;
}

bool ControlServerRuns() { return !WorkerEnded(&gServer); }

void StopControlServer() {
    // Asked to stop before its sockets close, the thread ends instead of
    // waiting for the next client.
    WorkerAskToStop(&gServer);
    DeInitSockSrv();
    if (!WorkerStop(&gServer, SERVER_JOIN_MS)) Trace("StopControlServer: server thread explicitely killed.");
}

DWORD WINAPI OrvikServerThreadRoutine(LPVOID) {
    if (InitSockSrv()) {
        gListenSocket = CreateListenerSocket(CONTROL_PORT);
        if (gListenSocket != INVALID_SOCKET) ServeClients(gListenSocket);
    }
    Trace("OrvikServerThreadRoutine: exiting");
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
