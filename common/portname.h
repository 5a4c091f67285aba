// Serial port names and numbers, as the settings program lists them and as
// the port change command names them. Platform-free.
#ifndef ORVIK_COMMON_PORTNAME_H
#define ORVIK_COMMON_PORTNAME_H

#include <string>
#include <vector>

// The longest port name kept; a longer one is cut.
const size_t PORT_NAME_MAX = 32;

// The decimal number after the first three characters of a name such as
// "COM12"; 0 when there is none or it does not fit.
unsigned long PortNumberFromName(const char* name);

// The names in the order the port list shows them: case-insensitive
// character order, so COM10 comes between COM1 and COM2.
void SortPortNames(std::vector<std::string>* names);

// The entry that names port `number` exactly ("COM1" for 1, never "COM10"); -1 when none.
int FindPortEntry(const std::vector<std::string>& names, unsigned long number);

// The one character that the port change command carries: the number's
// first digit ('1' for COM12).
char PortChangeCharacter(unsigned long number);

// The port a port change command means. The command has room for one digit
// only; the settings program stores the chosen port before it sends it, so
// when the stored port's number begins with that digit, the stored port is
// meant. Otherwise the digit itself; 0 when it is no digit 1 to 9.
unsigned long PortForChangeCommand(char character, unsigned long storedPort);

#endif
