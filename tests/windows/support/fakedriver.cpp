#include "fakedriver.h"

#include <winsock2.h>

#include "../../../common/controlprotocol.h"
#include "simclient.h"

FakeDriver::FakeDriver() : listener_(INVALID_SOCKET), client_(INVALID_SOCKET) {
    InitializeCriticalSection(&lock_);
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(CONTROL_PORT);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener, 4) == 0) {
        listener_ = listener;
        thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
    } else {
        closesocket(listener);
    }
}

FakeDriver::~FakeDriver() {
    GoAway();
    if (thread_) {
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    WSACleanup();
    DeleteCriticalSection(&lock_);
}

bool FakeDriver::Listening() const { return listener_ != INVALID_SOCKET; }

std::vector<std::string> FakeDriver::Requests() {
    EnterCriticalSection(&lock_);
    std::vector<std::string> requests = requests_;
    LeaveCriticalSection(&lock_);
    return requests;
}

bool FakeDriver::ClientClosed() {
    EnterCriticalSection(&lock_);
    const bool closed = clientClosed_;
    LeaveCriticalSection(&lock_);
    return closed;
}

void FakeDriver::LeaveUnanswered(int count) {
    EnterCriticalSection(&lock_);
    unanswered_ = count;
    LeaveCriticalSection(&lock_);
}

void FakeDriver::GoAway(bool reset) {
    EnterCriticalSection(&lock_);
    const SOCKET client = client_, listener = listener_;
    client_ = listener_ = INVALID_SOCKET;
    LeaveCriticalSection(&lock_);
    if (client != INVALID_SOCKET) {
        const linger abort = {1, 0};
        if (reset) setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
        else shutdown(client, SD_BOTH);
        closesocket(client);
    }
    if (listener != INVALID_SOCKET) closesocket(listener);
}

DWORD WINAPI FakeDriver::Serve(LPVOID parameter) {
    FakeDriver* self = static_cast<FakeDriver*>(parameter);
    for (;;) {
        const SOCKET client = accept(self->listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return 0;
        EnterCriticalSection(&self->lock_);
        self->client_ = client;
        self->clientClosed_ = false;
        self->requests_.push_back("connect");
        LeaveCriticalSection(&self->lock_);
        self->ServeClient(client);
    }
}

void FakeDriver::ServeClient(std::uintptr_t client) {
    for (;;) {
        unsigned char request[CONTROL_MESSAGE_SIZE];
        const int received = recv(client, reinterpret_cast<char*>(request), sizeof request, 0);
        EnterCriticalSection(&lock_);
        if (received > 0) requests_.push_back(HexBytes(request, received));
        if (received <= 0) clientClosed_ = true;
        const bool answer = received > 0 && unanswered_ == 0;
        if (received > 0 && unanswered_ > 0) --unanswered_;
        const bool ours = client_ == client;
        if (received <= 0 && ours) client_ = INVALID_SOCKET;
        LeaveCriticalSection(&lock_);
        if (received <= 0) {
            if (ours) closesocket(client);
            return;
        }
        if (answer) send(client, "1", 1, 0);
    }
}
