// Test-side client of the device simulator's control port: a Windows test
// scripts the simulated device (emit key events, change its answers, read
// back the commands it received) with one text line per command.
#ifndef ORVIK_TESTS_SIMCLIENT_H
#define ORVIK_TESTS_SIMCLIENT_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class SimClient {
public:
    // Connects to 127.0.0.1 on the port named by the environment variable
    // (ORVIK_SIM_PORT by default).
    explicit SimClient(const char* portVariable = "ORVIK_SIM_PORT");
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    bool Connected() const;
    // Sends one command; true when the simulator answered "ok". The data
    // lines of the reply go to `lines` when given; `error` gets the reason.
    bool Run(const std::string& command, std::vector<std::string>* lines = nullptr, std::string* error = nullptr);
    // Runs `commands` in turn, `rounds` times over, one device report period
    // (50 ms) apart, as the device reports a key held or a drag going on.
    bool RunPaced(std::initializer_list<const char*> commands, int rounds);
    // The commands the device received, one hex line each ("A5 A5 01 ...").
    std::vector<std::string> ReceivedCommands();
    // How many opens of the device's port the port guard refused (a port
    // opened twice at once); -1 when the simulator does not say.
    int RefusedOpens();

private:
    bool ReadLine(std::string* line);

    std::uintptr_t socket_;  // a SOCKET
    std::string pending_;
};

// Hex text of bytes as the simulator logs them: "A5 A5 01".
std::string HexBytes(const unsigned char* bytes, size_t count);

#endif
