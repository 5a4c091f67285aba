// Fuzz target for the control server's request handling: any bytes a client
// may send are read as one request, and any device response is turned into
// the reply the server would send. The first input byte splits the input
// into the request and a response payload and chooses its status.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../../common/controlrequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t split = 1 + (size - 1) * data[0] / 256;
    const int requestLength = static_cast<int>(split - 1);
    static ControlRequest request;
    ParseControlRequest(data + 1, requestLength, &request);
    const bool outsideProtocol = requestLength <= 0 || requestLength > CONTROL_MESSAGE_SIZE;
    if (outsideProtocol != (request.kind == REQUEST_REFUSED)) __builtin_trap();
    if (!outsideProtocol) {
        // The request is kept whole, and nothing behind it is invented.
        if (request.length != requestLength || std::memcmp(request.message, data + 1, requestLength) != 0)
            __builtin_trap();
        for (int i = requestLength; i < CONTROL_MESSAGE_SIZE; ++i)
            if (request.message[i] != 0) __builtin_trap();
        if ((request.kind == REQUEST_FORWARD) != (data[1] < SND_KEY_REPEAT || data[1] == 9 || data[1] > SYSTRAYICON_CMD))
            __builtin_trap();
    }
    static unsigned char reply[CONTROL_MESSAGE_SIZE];
    const int payloadLength = static_cast<int>(size - split);
    const int success = data[0] & 1;
    const int sent = BuildForwardReply(success, data + split, payloadLength, reply);
    if (sent < 0 || sent > CONTROL_MESSAGE_SIZE) __builtin_trap();
    if (!success && sent != 0) __builtin_trap();
    if (success && payloadLength == 0 && (sent != 1 || reply[0] != CONTROL_REPLY_SUCCESS)) __builtin_trap();
    if (success && payloadLength > 0 && payloadLength <= CONTROL_MESSAGE_SIZE &&
        (sent != payloadLength || std::memcmp(reply, data + split, payloadLength) != 0))
        __builtin_trap();
    return 0;
}
