// Requests of the control protocol written out by hand, so that the tests
// do not lean on the packet code they check.
#ifndef ORVIK_TESTS_CONTROL_WIRE_H
#define ORVIK_TESTS_CONTROL_WIRE_H

#include <string>

#include "../../common/devicebytes.h"

// A host-to-device command packet; `payload` is the whole payload (the two
// zero bytes included), its size the length field.
inline Bytes CommandPacket(unsigned short opcode, const Bytes& payload = Bytes()) {
    const unsigned char low = static_cast<unsigned char>(opcode), high = static_cast<unsigned char>(opcode >> 8);
    Bytes p = {0xA5, 0xA5, 1, 0, 0, 0, low, high, static_cast<unsigned char>(payload.size()), 0};
    unsigned char sum = static_cast<unsigned char>(0x4B + low + high + payload.size());
    for (unsigned char b : payload) {
        p.push_back(b);
        sum = static_cast<unsigned char>(sum + b);
    }
    p.push_back(sum);
    return p;
}

const Bytes REPLY_ONE = {'1'};
const Bytes REPLY_ZERO = {'0'};
const Bytes NO_REPLY = {};

inline std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

#endif
