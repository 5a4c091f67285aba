// A plain TCP client of the control port, as any local program could be:
// raw bytes out, raw bytes in, no knowledge of the protocol.
#ifndef ORVIK_TESTS_CONTROL_PLAINCLIENT_H
#define ORVIK_TESTS_CONTROL_PLAINCLIENT_H

#include <winsock2.h>
#include <windows.h>

#include "../../common/devicebytes.h"

// Long enough for a forwarded command that the device answers at the last
// moment of the server's 5000 ms wait.
const DWORD REPLY_WAIT_MS = 8000;

class PlainClient {
public:
    // Connects to `address`, port 1213.
    explicit PlainClient(const char* address = "127.0.0.1");
    ~PlainClient();
    PlainClient(const PlainClient&) = delete;
    PlainClient& operator=(const PlainClient&) = delete;

    bool Connected() const { return socket_ != INVALID_SOCKET; }
    bool Send(const Bytes& request);
    // What one receive brings within timeoutMs; empty when nothing came.
    Bytes Receive(DWORD timeoutMs);
    Bytes Request(const Bytes& request, DWORD timeoutMs = REPLY_WAIT_MS);
    // True when the server closes the connection within timeoutMs.
    bool ClosedByServer(DWORD timeoutMs);

private:
    // The result of one receive after waiting up to timeoutMs: >0 bytes,
    // 0 closed, -1 nothing.
    int ReceiveOnce(DWORD timeoutMs, Bytes* received);

    SOCKET socket_ = INVALID_SOCKET;
};

// Polls until a connection to the control port succeeds (the server thread
// binds its listener shortly after it starts); null after timeoutMs.
PlainClient* ConnectWhenListening(DWORD timeoutMs = 5000);

#endif
