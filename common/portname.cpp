#include "portname.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

const unsigned long PORT_NUMBER_MAX = 255;  // what Windows numbers COM ports up to

bool LessIgnoringCase(const std::string& left, const std::string& right) {
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) < std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

unsigned long PortNumberFromName(const char* name) {
    if (!name || std::strlen(name) <= 3) return 0;
    unsigned long number = 0;
    for (const char* digit = name + 3; std::isdigit(static_cast<unsigned char>(*digit)); ++digit) {
        number = number * 10 + static_cast<unsigned long>(*digit - '0');
        if (number > PORT_NUMBER_MAX) return 0;
    }
    return number;
}

void SortPortNames(std::vector<std::string>* names) { std::stable_sort(names->begin(), names->end(), LessIgnoringCase); }

int FindPortEntry(const std::vector<std::string>& names, unsigned long number) {
    for (size_t i = 0; i < names.size(); ++i)
        if (number && names[i].size() > 3 && PortNumberFromName(names[i].c_str()) == number &&
            std::isdigit(static_cast<unsigned char>(names[i].back())))
            return static_cast<int>(i);
    return -1;
}

char PortChangeCharacter(unsigned long number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%lu", number);
    return digits[0];
}

unsigned long PortForChangeCommand(char character, unsigned long storedPort) {
    if (character < '1' || character > '9') return 0;
    if (storedPort >= 10 && PortChangeCharacter(storedPort) == character) return storedPort;
    return static_cast<unsigned long>(character - '0');
}
