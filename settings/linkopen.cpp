#include "linkopen.h"

#include <cstdio>

#include "../common/commandline.h"

namespace {

const long STARTED = 33;  // any result above 32 says the program started

// The command with its program in quotes; "" when it names none.
std::string QuotedProgram(const std::string& command) {
    if (!command.empty() && command[0] == '"') return command;
    const size_t length = UnquotedProgramLength(command.c_str());
    return length ? "\"" + command.substr(0, length) + "\"" + command.substr(length) : "";
}

}  // namespace

std::string BrowserCommandForAddress(const std::string& openCommand, const std::string& address) {
    std::string command = QuotedProgram(openCommand);
    if (command.empty()) return "";
    const size_t quoted = command.find("\"%1\"");
    const size_t plain = command.find("%1");
    if (quoted != std::string::npos) command.erase(quoted);
    else if (plain != std::string::npos) command.erase(plain);
    return command + " " + address;
}

long LinkStartResult(bool started, unsigned long error) {
    const unsigned long ERROR_SHARING = 32, ERROR_BAD_EXE = 193;
    if (started) return STARTED;
    if (error == ERROR_BAD_EXE) return 11;  // "The .EXE file is invalid"
    if (error == ERROR_SHARING) return 26;  // "A sharing violation occurred."
    return error < static_cast<unsigned long>(STARTED) ? static_cast<long>(error) : 0;
}

std::string HyperlinkFailureReason(long result) {
    struct Reason {
        long result;
        const char* text;
    };
    static const Reason kReasons[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
    };
    for (const Reason& reason : kReasons)
        if (reason.result == result) return reason.text;
    char text[64];
    std::snprintf(text, sizeof text, "Unknown Error (%ld) occurred.", result);
    return text;
}
