// A TCP connection from a test to a server on this machine (the simulator's
// control port, the driver's control port). The caller has started Winsock.
#ifndef ORVIK_TESTS_TCPCONNECT_H
#define ORVIK_TESTS_TCPCONNECT_H

#include <winsock2.h>

// The connected socket, or INVALID_SOCKET.
inline SOCKET ConnectTcp(const char* address, unsigned short port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in server = {};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = inet_addr(address);
    if (connect(s, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0) return s;
    closesocket(s);
    return INVALID_SOCKET;
}

#endif
