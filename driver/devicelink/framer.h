// Stream framing of the device's byte stream: cuts device packets out of the
// bytes that the serial port delivers, tells responses from events, and holds
// event packets until their group is complete.
//
// Platform-free, so that the native tests and the fuzzer run the very code the
// reader thread runs.
#ifndef ORVIK_DEVICELINK_FRAMER_H
#define ORVIK_DEVICELINK_FRAMER_H

const int FRAMER_BUFFER_SIZE = 4096;
// Largest payload a framed packet may carry: the packet must fit the
// accumulation buffer. A length field above it (the device never sends one)
// marks a false start, and scanning resynchronises on the next A5 A5.
const int FRAMER_MAX_PAYLOAD = FRAMER_BUFFER_SIZE - 12;

struct FramerSink {
    // A packet with the awaited opcode: status byte, payload and its length.
    void (*onResponse)(void* context, unsigned char status, const unsigned char* payload, int length);
    // A complete event group: its packets back to back.
    void (*onGroup)(void* context, const unsigned char* group, int length);
    void* context;
};

struct StreamFramer {
    unsigned char pending[FRAMER_BUFFER_SIZE];  // received, not yet consumed
    int pendingCount;
    unsigned char held[FRAMER_BUFFER_SIZE];     // event packets of the open group
    int heldCount;
    bool droppingGroup;  // the open group outgrew `held`; skip to its end
};

void FramerReset(StreamFramer* framer);

// Appends `count` received bytes and consumes every complete packet in them.
// A packet whose opcode equals *awaitedOpcode (read at each packet) is a
// response; every other packet belongs to an event group.
void FramerFeed(StreamFramer* framer, const unsigned char* data, int count,
                const volatile unsigned short* awaitedOpcode, const FramerSink& sink);

#endif
