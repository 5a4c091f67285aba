#include "launchtext.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "../../common/commandline.h"

namespace {

bool EqualIgnoringCase(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

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
    if (command[0] != '"') {
        const size_t length = UnquotedProgramLength(command);
        char program[LAUNCH_TEXT_SIZE];
        return length && CopyPrefix(command, length, program, sizeof program) &&
               ComposeText(output, size, "\"", program, "\"");
    }
    // The closing quote stays with the program.
    const char* end = std::strchr(command + 1, '"');
    return CopyPrefix(command, end ? static_cast<size_t>(end - command) + 1 : std::strlen(command), output, size);
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

int LookUpVariable(const char* environment, const char* name, char* value, size_t size) {
    if (!environment) return 0;
    const size_t nameLength = std::strlen(name);
    for (const char* entry = environment; *entry; entry += std::strlen(entry) + 1) {
        if (nameLength && EqualIgnoringCase(entry, name, nameLength) && entry[nameLength] == '=')
            return ComposeText(value, size, entry + nameLength + 1, "");
    }
    return ComposeText(value, size, "", "");
}

int ExpandFirstVariable(const char* command, const char* environment, char* output, size_t size) {
    const char* open = std::strchr(command, '%');
    const char* close = open ? std::strchr(open + 1, '%') : nullptr;
    if (!close) return ComposeText(output, size, command, "");
    char name[LAUNCH_TEXT_SIZE];
    char value[LAUNCH_TEXT_SIZE];
    if (!CopyPrefix(open + 1, static_cast<size_t>(close - open - 1), name, sizeof name)) return 0;
    if (!LookUpVariable(environment, name, value, sizeof value)) return 0;
    char before[LAUNCH_TEXT_SIZE];
    if (!CopyPrefix(command, static_cast<size_t>(open - command), before, sizeof before)) return 0;
    return ComposeText(output, size, before, value, close + 1);
}
