// Fuzz target for the stream framing and the device packet checksum. The first
// input byte chooses where the stream is cut into reads and which opcode is
// awaited, so split packets and responses in groups are explored too. Every
// delivery is checked: a response is a whole packet with the awaited opcode,
// and every packet of a group carries a valid checksum.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../../common/packet.h"
#include "../../driver/devicelink/framer.h"

namespace {

// The payload is handed over in place, behind its packet's header; reading
// the checksum byte after it proves the whole packet lies in the buffer.
void CheckResponse(void* awaitedOpcode, unsigned char status, const unsigned char* payload, int length) {
    if (length < 0 || length > FRAMER_MAX_PAYLOAD) __builtin_trap();
    const unsigned char* packet = payload - DEVICE_HEADER_SIZE;
    const bool wellFormed = packet[0] == PACKET_MAGIC && packet[1] == PACKET_MAGIC &&
                            DevicePacketOpcode(packet) == *static_cast<const unsigned short*>(awaitedOpcode) &&
                            packet[8] == status && DevicePacketPayloadLength(packet) == length;
    if (!wellFormed) __builtin_trap();
    volatile unsigned char sink = 0;
    for (int i = 0; i <= length; ++i) sink = sink + payload[i];
}

void CheckGroup(void*, const unsigned char* group, int length) {
    if (length <= 0 || length > FRAMER_BUFFER_SIZE) __builtin_trap();
    // A group is whole packets back to back.
    for (int offset = 0; offset < length;) {
        if (length - offset < DEVICE_PACKET_OVERHEAD || group[offset] != PACKET_MAGIC) __builtin_trap();
        const int size = DevicePacketSize(group + offset);
        if (size > length - offset) __builtin_trap();
        if (!VerifyDevicePacket(group + offset, static_cast<size_t>(size))) __builtin_trap();
        offset += size;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static StreamFramer framer;
    FramerReset(&framer);
    const size_t chunk = 1 + data[0] % 64;
    unsigned short awaited = static_cast<unsigned short>(0x0200 | data[0]);
    const FramerSink sink = {CheckResponse, CheckGroup, &awaited};
    for (size_t offset = 1; offset < size; offset += chunk) {
        const size_t count = size - offset < chunk ? size - offset : chunk;
        FramerFeed(&framer, data + offset, static_cast<int>(count), &awaited, sink);
        if (framer.pendingCount < 0 || framer.pendingCount > FRAMER_BUFFER_SIZE) __builtin_trap();
    }
    return 0;
}
