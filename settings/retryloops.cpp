#include "retryloops.h"

#include <cstdio>
#include <cstring>

#include "../common/packet.h"
#include "../common/registry.h"
#include "../common/uiseam.h"
#include "controlclient.h"
#include "errordialog.h"

namespace {

// What giving up means: whether the program is asked to end, and the result.
struct GiveUp {
    bool quit;
    int result;
};

struct VariantRule {
    GiveUp onCancel;        // the user cancelled the prompt
    GiveUp onStartFailure;  // the device could not be started
};

// By RetryVariant.
const VariantRule kVariantRules[] = {
    {{false, 0}, {false, 0}},  // RETRY_IMMEDIATE_CHANGE
    {{false, 1}, {false, 1}},  // RETRY_KEYBOARD_DEFAULTS
    {{true, 1}, {true, 0}},    // RETRY_DEFAULTS_QUITTING
    {{false, 1}, {false, 0}},  // RETRY_PROJECTOR_DEFAULTS
};

int GiveUpAs(const GiveUp& rule) {
    if (rule.quit) PostQuitMessage(0);
    return rule.result;
}

// Until the answer is something else than "ask again".
INT_PTR AskUntilDecided() {
    INT_PTR answer;
    do {
        answer = CError(CError::MODE_ORDINARY).DoModal();
    } while (answer == IDRETRY);
    return answer;
}

bool UserWantsRetry(HWND page) {
    char text[512];
    FormatWithDeviceName(text, sizeof text, "Please check the connection.\n\nAnd make sure that the %s is turned on.");
    return g_ui.messageBoxA(page, text, "Error", MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2) == IDRETRY;
}

}  // namespace

// The payload: two zero bytes, then the value in as many little-endian
// bytes as the command table says.
int SendDeviceValue(unsigned short opcode, DWORD value) {
    unsigned short requestLength = 0, responseLength = 0;
    if (!GetLength(opcode, &requestLength, &responseLength)) return 0;
    unsigned char payload[16];
    std::memset(payload, 0, sizeof payload);
    for (unsigned i = 0; i < sizeof value && i < requestLength; ++i)
        payload[2 + i] = static_cast<unsigned char>(value >> (8 * i));
    return CommandIssuer(opcode, payload, nullptr, KIND_DEVICE_COMMAND);
}

int QueryWithErrorDialog(unsigned short opcode, unsigned char* reply, const std::function<void()>& cancelAction,
                         const std::function<void()>& turnOffAction) {
    for (;;) {
        if (CommandIssuer(opcode, nullptr, reply, KIND_DEVICE_COMMAND)) return 1;
        const INT_PTR answer = AskUntilDecided();
        if (answer == IDINITSUCCESS) continue;
        if (answer == IDC_TURNOFF) {
            SendInitCommand(DEINIT_CMD);
            turnOffAction();
        } else if (answer == IDCANCEL) {
            cancelAction();
        }
        return 0;
    }
}

int SendWithRetryPrompt(HWND page, unsigned short opcode, DWORD value, RetryVariant variant) {
    const VariantRule& rule = kVariantRules[variant];
    for (;;) {
        if (SendDeviceValue(opcode, value)) return 1;
        if (!UserWantsRetry(page)) return GiveUpAs(rule.onCancel);
        if (!SendStartZSMWithRetry()) return GiveUpAs(rule.onStartFailure);
        Sleep(START_SETTLE_MS);
    }
}
