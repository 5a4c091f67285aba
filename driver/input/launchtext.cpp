#include "launchtext.h"

#include <cstdio>
#include <cstring>

namespace {

int CopyPrefix(const char* text, size_t length, char* output, size_t size) {
    if (length >= size) return 0;
    std::memcpy(output, text, length);
    output[length] = '\0';
    return 1;
}

}  // namespace

int ComposeText(char* output, size_t size, const char* first, const char* second, const char* third,
                const char* fourth) {
    const int length = std::snprintf(output, size, "%s%s%s%s", first, second, third, fourth);
    if (length >= 0 && static_cast<size_t>(length) < size) return 1;
    if (size) output[0] = '\0';
    return 0;
}

int CutBrowserProgram(const char* command, char* output, size_t size) {
    size_t length = std::strlen(command);
    if (length > 1) {
        const char* end = command[0] == '"' ? std::strchr(command + 1, '"') : std::strchr(command + 1, ' ');
        // The closing quote stays with the program; the space goes.
        if (end) length = static_cast<size_t>(end - command) + (command[0] == '"' ? 1 : 0);
    }
    return CopyPrefix(command, length, output, size);
}

int ProgramOfIconLocation(const char* iconLocation, char* output, size_t size) {
    const char* comma = std::strrchr(iconLocation, ',');
    if (!comma || iconLocation[0] != '"') return 0;
    const char* start = iconLocation + 1;
    const char* quote = static_cast<const char*>(std::memchr(start, '"', static_cast<size_t>(comma - start)));
    const size_t length = static_cast<size_t>((quote ? quote : comma) - start);
    return length > 0 && CopyPrefix(start, length, output, size);
}

int BuildLaunchCommandLine(const char* program, const char* argument, char* output, size_t size) {
    if (!argument) return ComposeText(output, size, program, "");
    const int length = std::snprintf(output, size, "\"%s\" \"%s\"", program, argument);
    if (length >= 0 && static_cast<size_t>(length) < size) return 1;
    if (size) output[0] = '\0';
    return 0;
}

int ExpandFirstVariable(const char* command, VariableLookup lookup, char* output, size_t size) {
    const char* open = std::strchr(command, '%');
    const char* close = open ? std::strchr(open + 1, '%') : nullptr;
    if (!close) return ComposeText(output, size, command, "");
    char name[LAUNCH_TEXT_SIZE];
    char value[LAUNCH_TEXT_SIZE];
    if (!CopyPrefix(open + 1, static_cast<size_t>(close - open - 1), name, sizeof name)) return 0;
    if (!lookup(name, value, sizeof value)) return 0;
    char before[LAUNCH_TEXT_SIZE];
    if (!CopyPrefix(command, static_cast<size_t>(open - command), before, sizeof before)) return 0;
    return ComposeText(output, size, before, value, close + 1);
}
