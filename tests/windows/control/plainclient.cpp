#include "plainclient.h"

#include "../../../common/controlprotocol.h"
#include "../support/tcpconnect.h"
#include "../support/wait.h"

PlainClient::PlainClient(const char* address) {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    socket_ = ConnectTcp(address, CONTROL_PORT);
}

PlainClient::~PlainClient() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    WSACleanup();
}

bool PlainClient::Send(const Bytes& request) {
    const int size = static_cast<int>(request.size());
    return send(socket_, reinterpret_cast<const char*>(request.data()), size, 0) == size;
}

int PlainClient::ReceiveOnce(DWORD timeoutMs, Bytes* received) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval timeout = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &timeout) != 1) return -1;
    char buffer[4096];
    const int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got > 0) received->assign(buffer, buffer + got);
    return got < 0 ? -1 : got;
}

Bytes PlainClient::Receive(DWORD timeoutMs) {
    Bytes received;
    ReceiveOnce(timeoutMs, &received);
    return received;
}

Bytes PlainClient::Request(const Bytes& request, DWORD timeoutMs) {
    if (!Send(request)) return Bytes();
    return Receive(timeoutMs);
}

bool PlainClient::ClosedByServer(DWORD timeoutMs) {
    Bytes ignored;
    return ReceiveOnce(timeoutMs, &ignored) == 0;
}

PlainClient* ConnectWhenListening(DWORD timeoutMs) {
    PlainClient* client = nullptr;
    WaitUntil(
        [&client] {
            client = new PlainClient;
            if (client->Connected()) return true;
            delete client;
            client = nullptr;
            return false;
        },
        timeoutMs);
    return client;
}
