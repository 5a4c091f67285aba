// The scan follows the device's framing: a packet starts at A5 A5, its length
// field sits at +9, and everything before a consumed packet is junk. Bytes
// that were stepped over stay until a packet after them is consumed, or until
// the buffer needs their room.
//
// Line noise can fake a start. Every step over a false start is one byte, so
// a real start right behind it is never eaten; a packet (event or response)
// must carry a valid checksum to be consumed; and a start whose packet is not
// complete yet is false when a complete, valid packet begins inside it: the
// bytes it claims are real packets, which must not wait for (or vanish into) it.
#include "framer.h"

#include <cstring>

#include "../../common/packet.h"
#include "../../common/trace.h"

namespace {

const int MORE_FOLLOWS_OFFSET = DEVICE_HEADER_SIZE + 4;

// A packet too short to hold the more-follows flag ends its group; with a
// payload of exactly four bytes the byte at the flag's place is the checksum.
bool EndsGroup(const unsigned char* packet, int size) {
    return size <= MORE_FOLLOWS_OFFSET + 1 || packet[MORE_FOLLOWS_OFFSET] == 0;
}

void HoldEventPacket(StreamFramer* f, const unsigned char* packet, int size, const FramerSink& sink) {
    const bool last = EndsGroup(packet, size);
    if (f->droppingGroup) {
        f->droppingGroup = !last;
        return;
    }
    if (f->heldCount + size > FRAMER_BUFFER_SIZE) {
        Trace("ReadThreadRoutine: event group over %d bytes dropped", FRAMER_BUFFER_SIZE);
        f->heldCount = 0;
        f->droppingGroup = !last;
        return;
    }
    std::memcpy(f->held + f->heldCount, packet, size);
    f->heldCount += size;
    if (!last) return;
    sink.onGroup(sink.context, f->held, f->heldCount);
    f->heldCount = 0;
}

void Consume(StreamFramer* f, int count) {
    std::memmove(f->pending, f->pending + count, f->pendingCount - count);
    f->pendingCount -= count;
}

// Size of the packet that starts at p (A5 A5 seen) when it may be one, 0 for
// a false start. `remaining` bytes follow p in the buffer.
int PlausibleSize(const unsigned char* p, int remaining) {
    if (remaining < DEVICE_HEADER_SIZE) return -1;  // not decidable yet
    const int payloadLength = DevicePacketPayloadLength(p);
    return payloadLength > FRAMER_MAX_PAYLOAD ? 0 : DEVICE_PACKET_OVERHEAD + payloadLength;
}

bool IsCompleteValidPacket(const unsigned char* p, int remaining) {
    if (remaining < 2 || p[0] != PACKET_MAGIC || p[1] != PACKET_MAGIC) return false;
    const int size = PlausibleSize(p, remaining);
    return size > 0 && size <= remaining && VerifyDevicePacket(p, size);
}

// Whether a complete, valid packet starts inside the `claimed` bytes from p.
bool HoldsRealPacket(const unsigned char* p, int claimed, int remaining) {
    const int end = claimed < remaining ? claimed : remaining;
    for (int i = 1; i + DEVICE_PACKET_OVERHEAD <= end; ++i)
        if (IsCompleteValidPacket(p + i, remaining - i)) return true;
    return false;
}

// Consumes complete packets; returns where the scan stopped: the start of an
// incomplete packet, or the end of the buffer.
int ScanPending(StreamFramer* f, const volatile unsigned short* awaitedOpcode, const FramerSink& sink) {
    int pos = 0;
    while (pos < f->pendingCount) {
        const unsigned char* p = f->pending + pos;
        const int remaining = f->pendingCount - pos;
        if (p[0] != PACKET_MAGIC) { ++pos; continue; }
        if (remaining < 2) break;
        if (p[1] != PACKET_MAGIC) { ++pos; continue; }
        const int size = PlausibleSize(p, remaining);
        if (size < 0) break;
        if (size == 0) { ++pos; continue; }
        if (remaining < size) {
            if (HoldsRealPacket(p, size, remaining)) { ++pos; continue; }
            break;
        }
        // Responses and events alike are taken only with a valid checksum: a
        // damaged response is no answer (its command times out).
        if (!VerifyDevicePacket(p, size)) { ++pos; continue; }
        if (DevicePacketOpcode(p) == *awaitedOpcode)
            sink.onResponse(sink.context, p[8], p + DEVICE_HEADER_SIZE, size - DEVICE_PACKET_OVERHEAD);
        else
            HoldEventPacket(f, p, size, sink);
        Consume(f, pos + size);
        pos = 0;
    }
    return pos;
}

}  // namespace

void FramerReset(StreamFramer* framer) {
    framer->pendingCount = 0;
    framer->heldCount = 0;
    framer->droppingGroup = false;
}

void FramerFeed(StreamFramer* f, const unsigned char* data, int count,
                const volatile unsigned short* awaitedOpcode, const FramerSink& sink) {
    while (count > 0) {
        const int room = FRAMER_BUFFER_SIZE - f->pendingCount;
        const int take = count < room ? count : room;
        std::memcpy(f->pending + f->pendingCount, data, take);
        f->pendingCount += take;
        data += take;
        count -= take;
        const int stop = ScanPending(f, awaitedOpcode, sink);
        if (f->pendingCount == FRAMER_BUFFER_SIZE) {
            // Full without a complete packet: what lies before the scan's stop
            // is junk. A stop at 0 cannot stay incomplete (every framed packet
            // fits), but never let a full buffer wedge the stream.
            Consume(f, stop > 0 ? stop : 1);
        }
    }
}
