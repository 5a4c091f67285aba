// Command table, command packet builder and device packet checksum.
#include "packet.h"

#include <cstring>

#include "trace.h"

namespace {

struct CommandRow {
    unsigned short first;     // first opcode of a run with equal lengths
    unsigned short last;      // last opcode of the run
    unsigned short request;   // request value size, or LENGTH_UNBOUNDED
    unsigned short response;  // response payload size, or LENGTH_UNBOUNDED
};

const unsigned short U = LENGTH_UNBOUNDED;

// The driver never sends SET_REACTIONTIME; its copy of the table has always
// said one byte for it, the settings program's says two.
#ifdef ORVIK_DRIVER
const unsigned short REACTIONTIME_REQUEST = 1;
#else
const unsigned short REACTIONTIME_REQUEST = 2;
#endif

// Searched front to back; runs of consecutive opcodes with the same lengths
// are folded into one row (138 opcodes in all).
const CommandRow kCommandTable[] = {
    {0x0000, 0x0000, 0, 0}, {0x0101, 0x0101, 1, 0}, {0x0102, 0x0102, U, 0},
    {0x0103, 0x0108, 1, 0}, {0x0109, 0x0109, U, 0}, {0x010A, 0x010A, 1, 0},
    {0x010B, 0x010C, 4, 0}, {0x010D, 0x010D, 2, 0}, {0x010E, 0x010E, REACTIONTIME_REQUEST, 0},
    {0x010F, 0x0110, 1, 0}, {0x0111, 0x0111, 4, 0}, {0x0112, 0x0113, 1, 0},
    {0x0118, 0x011B, 0, 0}, {0x011C, 0x011C, 1, 0}, {0x011D, 0x011E, 2, 0},
    {0x011F, 0x011F, 1, 0}, {0x0120, 0x0120, 4, 0}, {0x0121, 0x0121, U, 0},
    {0x0122, 0x0124, 0, 0}, {0x0125, 0x0125, 2, 0}, {0x0126, 0x0127, 1, 0},
    {0x0128, 0x0128, 0, 0}, {0x0129, 0x0129, 1, 0}, {0x012A, 0x012B, 2, 0},
    {0x012C, 0x012F, 1, 0}, {0x0130, 0x0130, 4, 0}, {0x0131, 0x0132, 1, 0},
    {0x0133, 0x0134, 0, 0}, {0x0135, 0x0135, 0, 1}, {0x0136, 0x0136, 2, 0},
    {0x0201, 0x0208, 0, 1}, {0x0209, 0x0209, 1, U}, {0x020A, 0x020A, 0, 1},
    {0x020B, 0x020B, 0, U}, {0x020C, 0x020D, 1, U}, {0x020E, 0x020E, 0, 1},
    {0x020F, 0x020F, 0, 2}, {0x0210, 0x0211, 0, 1}, {0x0212, 0x0212, 0, 12},
    {0x0213, 0x0214, 0, 4}, {0x0215, 0x0215, 0, 1}, {0x0216, 0x0216, 0, 2},
    {0x0217, 0x0218, 0, 1}, {0x0219, 0x0219, 0, 4}, {0x021A, 0x021C, 0, 1},
    {0x021E, 0x021E, 0, U}, {0x0222, 0x0226, 0, 1}, {0x0227, 0x0228, 0, 2},
    {0x0229, 0x0229, 0, 1}, {0x022A, 0x022A, 0, 4}, {0x022B, 0x022B, 0, U},
    {0x022C, 0x022C, 0, 1}, {0x022D, 0x022D, 0, U}, {0x022E, 0x022E, 0, 1},
    {0x022F, 0x022F, 0, U}, {0x0230, 0x0232, 0, 1}, {0x0233, 0x0234, 0, 2},
    {0x0235, 0x0239, 0, 1}, {0x023A, 0x023A, 1, 4}, {0x023B, 0x023C, 0, 2},
    {0x023D, 0x023D, 0, 1}, {0x023E, 0x023E, 0, 8}, {0x023F, 0x023F, 0, 1},
    {0x0240, 0x0240, 0, 4}, {0x0241, 0x0241, 0, 1}, {0x0242, 0x0242, 1, 1},
    {0x0243, 0x0246, 0, 1}, {0x0247, 0x0247, 0, 2}, {0x0500, 0x0500, U, U},
    {0x0680, 0x0681, 0, 0}, {0x0A01, 0x0A01, 0, 1}, {0x0A02, 0x0A02, 0, 10},
    {0x0A03, 0x0A03, 10, 0}, {0x0A04, 0x0A04, 0, 0}, {0x0A07, 0x0A07, U, U},
    {0xFF01, 0xFF06, 0, 0}, {0xFFFB, 0xFFFF, 0, 0}, {0x0001, 0x0001, 0, 0},
};

// The length field of a command: the value size plus the two leading zero
// bytes, or the size itself when it means "no payload".
unsigned short CommandLengthField(unsigned short requestLength) {
    if (requestLength == 0 || requestLength == LENGTH_UNBOUNDED) return requestLength;
    return static_cast<unsigned short>(requestLength + 2);
}

}  // namespace

bool GetLength(unsigned short opcode, unsigned short* requestLength, unsigned short* responseLength) {
    for (const CommandRow& row : kCommandTable) {
        if (opcode < row.first || opcode > row.last) continue;
        if (requestLength) *requestLength = row.request;
        if (responseLength) *responseLength = row.response;
        return true;
    }
    return false;
}

int Packetizer(unsigned short opcode, const unsigned char* payload, unsigned short requestLength,
               int commandClass, unsigned char* output) {
    if (!output || (commandClass != CMD_CLASS_ORDINARY && commandClass != CMD_CLASS_START)) {
        Trace("Packetizer Null values recieved.");
        return -1;
    }
    const unsigned short length = CommandLengthField(requestLength);
    const bool hasPayload = length != 0 && length != LENGTH_UNBOUNDED;
    if (hasPayload && !payload) {
        Trace("Packetizer Null values recieved.");
        return -1;
    }
    const unsigned char header[COMMAND_HEADER_SIZE] = {
        PACKET_MAGIC, PACKET_MAGIC, 1, 0, 0, 0,
        static_cast<unsigned char>(opcode), static_cast<unsigned char>(opcode >> 8),
        static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8)};
    std::memcpy(output, header, sizeof header);
    unsigned char sum = static_cast<unsigned char>(0x4B + header[6] + header[7] + header[8]);
    int size = COMMAND_HEADER_SIZE;
    if (hasPayload) {
        std::memcpy(output + size, payload, length);
        for (int i = 0; i < length; ++i) sum = static_cast<unsigned char>(sum + payload[i]);
        size += length;
    }
    output[size++] = sum;
    return size;
}

int VerifyDevicePacket(const unsigned char* packet, size_t size) {
    if (!packet || size < static_cast<size_t>(DEVICE_PACKET_OVERHEAD)) return 0;
    if (size != static_cast<size_t>(DevicePacketSize(packet))) return 0;
    unsigned char sum = 0x4A;
    for (size_t i = 2; i < size - 1; ++i) sum = static_cast<unsigned char>(sum + packet[i]);
    return sum == packet[size - 1];
}
