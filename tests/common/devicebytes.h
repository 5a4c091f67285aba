// Device-to-host packets as the device sends them, written out by hand for
// tests so that they do not lean on the code under test.
#ifndef ORVIK_TESTS_DEVICEBYTES_H
#define ORVIK_TESTS_DEVICEBYTES_H

#include <vector>

using Bytes = std::vector<unsigned char>;

inline Bytes DevicePacket(unsigned short opcode, unsigned char status, const Bytes& payload) {
    Bytes p = {0xA5, 0xA5, 1, 0, 0, 0, static_cast<unsigned char>(opcode), static_cast<unsigned char>(opcode >> 8),
               status, static_cast<unsigned char>(payload.size()), static_cast<unsigned char>(payload.size() >> 8)};
    p.insert(p.end(), payload.begin(), payload.end());
    unsigned char sum = 0x4A;
    for (size_t i = 2; i < p.size(); ++i) sum = static_cast<unsigned char>(sum + p[i]);
    p.push_back(sum);
    return p;
}

// A 37-byte event record with the input layout identifier.
inline Bytes EventRecord(unsigned char kind, unsigned char keyCode, bool moreFollows, unsigned char special = 0) {
    Bytes r(37, 0);
    r[0] = 0x01, r[1] = 0xFF, r[2] = 0xFF, r[3] = 0xFF;
    r[4] = moreFollows ? 1 : 0;
    r[5] = kind;
    r[17] = keyCode;
    r[18] = special;
    return r;
}

inline Bytes KeyEvent(unsigned char kind, unsigned char keyCode, bool moreFollows) {
    return DevicePacket(0x0001, 0, EventRecord(kind, keyCode, moreFollows));
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

#endif
