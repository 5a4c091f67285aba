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
