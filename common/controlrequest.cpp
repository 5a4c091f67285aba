#include "controlrequest.h"

#include <cstring>

namespace {

unsigned short Word(const unsigned char* bytes) { return static_cast<unsigned short>(bytes[0] | (bytes[1] << 8)); }

unsigned long Dword(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<unsigned long>(bytes[3]) << 24);
}

ControlRequestKind KindOf(unsigned char code) {
    switch (code) {
    case SND_KEY_REPEAT: return REQUEST_KEY_REPEAT;
    case SND_KEY_SOUND: return REQUEST_KEY_SOUND;
    case INIT_CMD: return REQUEST_INIT;
    case DEINIT_CMD: return REQUEST_DEINIT;
    case REINIT_CMD: return REQUEST_REINIT;
    case ORVIKSETTINGS_CMD: return REQUEST_SETTINGS_WINDOW;
    case CHANGECOMPORT_CMD: return REQUEST_CHANGE_PORT;
    case MOUSETAP_CMD: return REQUEST_MOUSE_TAP;
    case ENABLECONNECTION_CMD: return REQUEST_ENABLE_CONNECTION;
    case SYSTRAYICON_CMD: return REQUEST_TRAY_ICON;
    default: return REQUEST_FORWARD;
    }
}

}  // namespace

void ParseControlRequest(const unsigned char* data, int count, ControlRequest* request) {
    std::memset(request, 0, sizeof *request);
    if (count <= 0 || count > CONTROL_MESSAGE_SIZE) {
        request->kind = REQUEST_REFUSED;
        return;
    }
    std::memcpy(request->message, data, count);
    request->length = count;
    const unsigned char* m = request->message;
    request->kind = KindOf(m[0]);
    request->flag = m[1];
    request->rate = Word(m + 2);
    request->holdMs = Word(m + 4);
    request->window = Dword(m + 1);
    request->opcode = Word(m + 6);
}

int ControlMessageLength(int code) {
    switch (code) {
    case SND_KEY_REPEAT: return 6;
    case ORVIKSETTINGS_CMD: return 5;
    case SND_KEY_SOUND:
    case CHANGECOMPORT_CMD:
    case MOUSETAP_CMD:
    case ENABLECONNECTION_CMD:
    case SYSTRAYICON_CMD: return 2;
    case INIT_CMD:
    case DEINIT_CMD:
    case REINIT_CMD: return 1;
    default: return 0;
    }
}

namespace {

ControlMessage Begin(ControlCode code) {
    ControlMessage message;
    std::memset(&message, 0, sizeof message);
    message.bytes[0] = code;
    message.length = ControlMessageLength(code);
    return message;
}

void PutWord(unsigned char* bytes, unsigned short value) {
    bytes[0] = static_cast<unsigned char>(value & 0xFF);
    bytes[1] = static_cast<unsigned char>(value >> 8);
}

}  // namespace

ControlMessage EncodeKeyRepeat(int enabled, unsigned short rate, unsigned short holdMs) {
    ControlMessage message = Begin(SND_KEY_REPEAT);
    message.bytes[1] = enabled ? 1 : 0;
    PutWord(message.bytes + 2, rate);
    PutWord(message.bytes + 4, holdMs);
    return message;
}

ControlMessage EncodeFlagCommand(ControlCode code, unsigned char flag) {
    ControlMessage message = Begin(code);
    message.bytes[1] = flag;
    return message;
}

ControlMessage EncodeSettingsWindow(unsigned long window) {
    ControlMessage message = Begin(ORVIKSETTINGS_CMD);
    for (int i = 0; i < 4; ++i) message.bytes[1 + i] = static_cast<unsigned char>(window >> (8 * i));
    return message;
}

ControlMessage EncodeBareCommand(ControlCode code) { return Begin(code); }

int BuildForwardReply(int success, const unsigned char* payload, int length, unsigned char* reply) {
    std::memset(reply, 0, CONTROL_MESSAGE_SIZE);
    if (!success || length < 0 || length > CONTROL_MESSAGE_SIZE) return 0;
    if (length == 0) {
        reply[0] = CONTROL_REPLY_SUCCESS;
        return 1;
    }
    std::memcpy(reply, payload, length);
    return length;
}
