#include "commandline.h"

#include <cctype>
#include <cstring>

namespace {

const char EXE_SUFFIX[] = ".exe";
const size_t EXE_SUFFIX_LENGTH = sizeof EXE_SUFFIX - 1;

bool ExeSuffixAt(const char* text) {
    for (size_t i = 0; i < EXE_SUFFIX_LENGTH; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != EXE_SUFFIX[i]) return false;
    const char after = text[EXE_SUFFIX_LENGTH];
    return after == '\0' || after == ' ';
}

}  // namespace

size_t UnquotedProgramLength(const char* command) {
    const size_t length = std::strlen(command);
    for (size_t at = 0; at + EXE_SUFFIX_LENGTH <= length; ++at)
        if (ExeSuffixAt(command + at)) return at + EXE_SUFFIX_LENGTH;
    return 0;
}
