// The control client. The protocol has no framing: one send is one request
// and one receive one reply, so only one request may be outstanding. A
// request that gets no reply within its time-out has failed; the driver
// answers several failures with silence.
#include "controlclient.h"

#include <winsock2.h>

#include <cstring>

#include "../common/packet.h"
#include "../common/trace.h"
#include "errordialog.h"
#include "waitcursor.h"

namespace {

const char* const LOOPBACK_HOST = "localhost";
const int REQUEST_AREA_SIZE = 1024;
const int RECEIVE_MAX = 4096;

SOCKET gControlSocket = INVALID_SOCKET;
bool gbSocketLibraryStarted = false;

// Bytes sent for each control kind; kinds not listed cannot be sent.
struct ControlKind {
    int kind;
    int length;
};
const ControlKind kControlKinds[] = {
    {SND_KEY_REPEAT, 6},    {SND_KEY_SOUND, 2},        {INIT_CMD, 1},      {DEINIT_CMD, 1},
    {REINIT_CMD, 1},        {ORVIKSETTINGS_CMD, 5},    {CHANGECOMPORT_CMD, 2}, {MOUSETAP_CMD, 2},
    {ENABLECONNECTION_CMD, 2}, {SYSTRAYICON_CMD, 2},
};

int ControlMessageLength(int kind) {
    for (const ControlKind& row : kControlKinds)
        if (row.kind == kind) return row.length;
    return 0;
}

void CloseControlSocket() {
    closesocket(gControlSocket);
    gControlSocket = INVALID_SOCKET;
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
    if (!length || !message) {
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

int SendStartCommand() { return CommandIssuer(START_ZSM, nullptr, nullptr, KIND_START_COMMAND); }

}  // namespace

int ConnectToOrvik() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        Trace("ConnectToOrvik: WSAStartup failed");
        return 0;
    }
    gbSocketLibraryStarted = true;
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
        Trace("WriteDataToOrvikServer: send failed %d", WSAGetLastError());
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
    if (received == 0) {
        // The driver has gone: without it the program has nothing to show.
        Trace("ReadDataFromServer: connection closed");
        PostQuitMessage(0);
    }
    return TRANSFER_FAILED;
}

namespace {

// The driver answers a forwarded packet within its own 5000 ms wait for the
// device; a request that stopped waiting sooner may still get its reply.
const DWORD DRIVER_REPLY_LIMIT_MS = 5500;

bool gbReplyOutstanding = false;  // the last request stopped waiting for its reply
DWORD gdwOutstandingSentAt = 0;

// A reply that came after its request stopped waiting would be taken for the
// next request's answer (a late "1" read as a value): before the next
// request, it is waited out and dropped, and so is anything else unread.
void DrainStaleReply() {
    char stale[REPLY_AREA_SIZE];
    if (gbReplyOutstanding) {
        const DWORD waited = GetTickCount() - gdwOutstandingSentAt;
        if (waited < DRIVER_REPLY_LIMIT_MS && ReadDataFromServer(reinterpret_cast<unsigned char*>(stale), sizeof stale,
                                                                 DRIVER_REPLY_LIMIT_MS - waited) > 0)
            Trace("CommandIssuer: late reply dropped");
        gbReplyOutstanding = false;
    }
    u_long nonBlocking = 1;
    ioctlsocket(gControlSocket, FIONBIO, &nonBlocking);
    while (recv(gControlSocket, stale, sizeof stale, 0) > 0) Trace("CommandIssuer: stale reply dropped");
}

}  // namespace

int CommandIssuer(unsigned short opcode, const unsigned char* message, unsigned char* reply, int kind) {
    WaitCursor waitCursor;
    unsigned char request[REQUEST_AREA_SIZE];
    std::memset(request, 0, sizeof request);
    unsigned short expected = 0;
    const int length = BuildRequest(opcode, message, kind, request, &expected);
    if (!length) return 0;
    DrainStaleReply();
    if (WriteDataToOrvikServer(request, length) <= 0) return 0;
    const DWORD sentAt = GetTickCount();
    unsigned char answer[REPLY_AREA_SIZE];
    std::memset(answer, 0, sizeof answer);
    const DWORD timeout = kind == KIND_START_COMMAND ? START_REPLY_TIMEOUT_MS : REPLY_TIMEOUT_MS;
    const int received = ReadDataFromServer(answer, sizeof answer, timeout);
    if (received <= 0) {
        Trace("CommandIssuer: no reply to kind %d", kind);
        gbReplyOutstanding = true;
        gdwOutstandingSentAt = sentAt;
        return 0;
    }
    if (!ReplyLengthAccepted(expected, received)) {
        Trace("CommandIssuer: reply of %d bytes, %u expected", received, expected);
        return 0;
    }
    if (reply) std::memcpy(reply, answer, received);
    return 1;
}

bool SendInitCommand(unsigned char code) {
    const unsigned char message[1] = {code};
    unsigned char reply[REPLY_AREA_SIZE];
    std::memset(reply, CONTROL_REPLY_FAILURE, sizeof reply);
    return CommandIssuer(0, message, reply, code) && reply[0] != CONTROL_REPLY_FAILURE;
}

int SendStartZSMWithRetry() {
    for (;;) {
        if (SendStartCommand()) return 1;
        const INT_PTR answer = CError(CError::MODE_START).DoModal();
        if (answer == IDRETRY || answer == IDINITSUCCESS) continue;
        if (answer == IDC_TURNOFF) SendInitCommand(DEINIT_CMD);
        return 0;
    }
}

int ReinitSequence() {
    if (!SendStartCommand()) return 0;
    Sleep(START_SETTLE_MS);
    return 1;
}
