#include "simclient.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>

#include "tcpconnect.h"

namespace {
const DWORD DEVICE_REPORT_PERIOD_MS = 50;
}

SimClient::SimClient(const char* portVariable) : socket_(INVALID_SOCKET) {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    const char* port = std::getenv(portVariable);
    if (port) socket_ = ConnectTcp("127.0.0.1", static_cast<unsigned short>(std::atoi(port)));
}

SimClient::~SimClient() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    WSACleanup();
}

bool SimClient::Connected() const { return socket_ != INVALID_SOCKET; }

bool SimClient::ReadLine(std::string* line) {
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            *line = pending_.substr(0, end);
            if (!line->empty() && line->back() == '\r') line->pop_back();
            pending_.erase(0, end + 1);
            return true;
        }
        char buffer[512];
        const int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got <= 0) return false;
        pending_.append(buffer, got);
    }
}

bool SimClient::Run(const std::string& command, std::vector<std::string>* lines, std::string* error) {
    if (!Connected()) return false;
    const std::string line = command + "\n";
    if (send(socket_, line.data(), static_cast<int>(line.size()), 0) != static_cast<int>(line.size())) return false;
    std::string reply;
    while (ReadLine(&reply)) {
        if (reply == "ok") return true;
        if (reply.compare(0, 4, "err ") == 0 || reply == "err") {
            if (error) *error = reply;
            return false;
        }
        if (lines) lines->push_back(reply);
    }
    return false;
}

int SimClient::RefusedOpens() {
    std::vector<std::string> lines;
    int refused = -1;
    if (Run("refusals", &lines) && !lines.empty()) std::sscanf(lines[0].c_str(), "refused %d", &refused);
    return refused;
}

bool SimClient::RunPaced(std::initializer_list<const char*> commands, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        for (const char* command : commands) {
            if (!Run(command)) return false;
            Sleep(DEVICE_REPORT_PERIOD_MS);
        }
    }
    return true;
}

std::vector<std::string> SimClient::ReceivedCommands() {
    // Each log line is "OPCODE ok|badsum HEX...": keep the bytes.
    std::vector<std::string> lines;
    Run("log", &lines);
    for (std::string& line : lines) {
        const size_t verdict = line.find(' ');
        const size_t bytes = verdict == std::string::npos ? verdict : line.find(' ', verdict + 1);
        line = bytes == std::string::npos ? std::string() : line.substr(bytes + 1);
    }
    return lines;
}

std::string HexBytes(const unsigned char* bytes, size_t count) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", bytes[i]);
        text += byte;
    }
    return text;
}
