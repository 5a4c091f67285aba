// The control client. The protocol has no framing: one send is one request
// and one receive one reply, so only one request may be outstanding. A
// request that gets no reply within its time-out has failed; the driver
// answers several failures with silence.
#include "controlclient.h"

#include <winsock2.h>

#include <cstring>

#include "../common/controlrequest.h"
#include "../common/packet.h"
#include "../common/trace.h"

namespace {

const char* const LOOPBACK_HOST = "localhost";
const int REQUEST_AREA_SIZE = 1024;
const int RECEIVE_MAX = 4096;

SOCKET gControlSocket = INVALID_SOCKET;
bool gbSocketLibraryStarted = false;
bool gbDriverGone = false;
// A request went unanswered: its reply may still come, so the connection
// is made again before the next request.
bool gbConnectionStale = false;
// The last settings window registration sent, sent again on a new connection
// (the driver forgets the window of a connection that closed).
ControlMessage gRegistration = EncodeSettingsWindow(0);

void CloseControlSocket() {
    closesocket(gControlSocket);
    gControlSocket = INVALID_SOCKET;
}

// Errors that say the driver's end of the connection is gone.
bool ConnectionLost(int error) {
    return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAENOTCONN || error == WSAESHUTDOWN;
}

void NoteDriverGone(const char* caller) {
    Trace("%s: connection to the driver lost", caller);
    gbDriverGone = true;
}

// The request for `kind` in `request`; its length, or 0 when it cannot be
// built. `expected` gets the reply length to insist on.
int BuildRequest(unsigned short opcode, const unsigned char* message, int kind, unsigned char* request,
                 unsigned short* expected) {
    if (kind == KIND_DEVICE_COMMAND || kind == KIND_START_COMMAND) {
        unsigned short requestLength = 0;
        if (!GetLength(opcode, &requestLength, expected)) {
            Trace("CommandIssuer: opcode %04X not in the table", opcode);
            return 0;
        }
        const int size = Packetizer(opcode, message, requestLength, kind, request);
        return size > 0 ? size : 0;
    }
    const int length = ControlMessageLength(kind);
    if (!length || !message || message[0] != kind) {
        Trace("CommandIssuer: kind %d cannot be sent", kind);
        return 0;
    }
    std::memcpy(request, message, length);
    *expected = 1;
    return length;
}

int ReplyLengthAccepted(unsigned short expected, int received) {
    return expected == 0 || expected == LENGTH_UNBOUNDED || received == expected;
}

// Sends the request and reads one reply into `answer` (REPLY_AREA_SIZE
// bytes): the count received, or TRANSFER_FAILED. A reply that did not come
// leaves the connection stale.
int Exchange(const unsigned char* request, int length, unsigned char* answer, DWORD timeoutMs) {
    if (WriteDataToOrvikServer(request, length) <= 0) return TRANSFER_FAILED;
    std::memset(answer, 0, REPLY_AREA_SIZE);
    const int received = ReadDataFromServer(answer, REPLY_AREA_SIZE, timeoutMs);
    if (received <= 0 && !gbDriverGone) gbConnectionStale = true;
    return received;
}

// A new connection in place of a stale one, with the settings window
// registered on it as it was. A driver that cannot be reached is gone.
bool Reconnect() {
    if (gControlSocket != INVALID_SOCKET) CloseControlSocket();
    gbConnectionStale = false;
    if (!ConnectToOrvik()) {
        NoteDriverGone("Reconnect");
        return false;
    }
    unsigned char answer[REPLY_AREA_SIZE];
    return Exchange(gRegistration.bytes, gRegistration.length, answer, REPLY_TIMEOUT_MS) > 0;
}

}  // namespace

int ConnectToOrvik() {
    if (!gbSocketLibraryStarted) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
            Trace("ConnectToOrvik: WSAStartup failed");
            return 0;
        }
        gbSocketLibraryStarted = true;
    }
    gControlSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (gControlSocket == INVALID_SOCKET) {
        Trace("ConnectToOrvik: socket failed %d", WSAGetLastError());
        return 0;
    }
    const hostent* host = gethostbyname(LOOPBACK_HOST);
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list[0]) {
        Trace("ConnectToOrvik: gethostbyname failed %d", WSAGetLastError());
        CloseControlSocket();
        return 0;
    }
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(CONTROL_PORT);
    std::memcpy(&address.sin_addr, host->h_addr_list[0], sizeof address.sin_addr);
    if (connect(gControlSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        Trace("ConnectToOrvik: connect failed %d", WSAGetLastError());
        CloseControlSocket();
        return 0;
    }
    gbDriverGone = false;
    gbConnectionStale = false;
    return 1;
}

void DisconnectFromOrvik() {
    if (gControlSocket != INVALID_SOCKET) {
        shutdown(gControlSocket, SD_BOTH);
        CloseControlSocket();
    }
    if (!gbSocketLibraryStarted) return;
    WSACleanup();
    gbSocketLibraryStarted = false;
}

int WriteDataToOrvikServer(const unsigned char* data, int count) {
    const int sent = send(gControlSocket, reinterpret_cast<const char*>(data), count, 0);
    if (sent == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        Trace("WriteDataToOrvikServer: send failed %d", error);
        if (ConnectionLost(error)) NoteDriverGone("WriteDataToOrvikServer");
        return TRANSFER_FAILED;
    }
    return sent;
}

int ReadDataFromServer(unsigned char* buffer, int size, DWORD timeoutMs) {
    u_long nonBlocking = 1;
    ioctlsocket(gControlSocket, FIONBIO, &nonBlocking);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(gControlSocket, &readable);
    timeval timeout = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    select(0, &readable, nullptr, nullptr, &timeout);
    const int received = recv(gControlSocket, reinterpret_cast<char*>(buffer), size < RECEIVE_MAX ? size : RECEIVE_MAX, 0);
    if (received > 0) return received;
    if (received == 0 || ConnectionLost(WSAGetLastError())) NoteDriverGone("ReadDataFromServer");
    return TRANSFER_FAILED;
}

int CommandIssuer(unsigned short opcode, const unsigned char* message, unsigned char* reply, int kind) {
    if (gbDriverGone) return 0;
    unsigned char request[REQUEST_AREA_SIZE];
    std::memset(request, 0, sizeof request);
    unsigned short expected = 0;
    const int length = BuildRequest(opcode, message, kind, request, &expected);
    if (!length) return 0;
    if (gbConnectionStale && !Reconnect()) return 0;
    if (kind == ORVIKSETTINGS_CMD) std::memcpy(gRegistration.bytes, request, gRegistration.length);
    unsigned char answer[REPLY_AREA_SIZE];
    const int received =
        Exchange(request, length, answer, kind == KIND_START_COMMAND ? START_REPLY_TIMEOUT_MS : REPLY_TIMEOUT_MS);
    if (received <= 0) {
        Trace("CommandIssuer: no reply to kind %d", kind);
        return 0;
    }
    if (!ReplyLengthAccepted(expected, received)) {
        Trace("CommandIssuer: reply of %d bytes, %u expected", received, expected);
        return 0;
    }
    if (reply) std::memcpy(reply, answer, received);
    return 1;
}

bool DriverGone() { return gbDriverGone; }

bool ConnectionReady() { return !gbDriverGone && !gbConnectionStale && gControlSocket != INVALID_SOCKET; }
