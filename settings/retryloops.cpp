#include "retryloops.h"

#include "../common/controlprotocol.h"
#include "../common/registry.h"
#include "../common/uiseam.h"
#include "controlclient.h"
#include "drivercalls.h"
#include "errordialog.h"

namespace {

const DWORD START_SETTLE_MS = 2000;  // between an accepted START_ZSM and the next command

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

// What the user settled on in the connection error dialog.
enum Decision { DECIDED_REINITIALISED, DECIDED_TURN_OFF, DECIDED_CANCEL, DECIDED_NOTHING };

int GiveUpAs(const GiveUp& rule) {
    if (rule.quit) PostQuitMessage(0);
    return rule.result;
}

// Retry re-initialises the link; when that fails the dialog comes back at
// once. Any result the dialog does not offer (it could not be shown) and a
// driver that went away decide nothing.
Decision AskUntilDecided(HWND owner) {
    while (!DriverGone()) {
        const INT_PTR answer = CError(owner).DoModal();
        if (answer == IDC_TURNOFF) return DECIDED_TURN_OFF;
        if (answer == IDCANCEL) return DECIDED_CANCEL;
        if (answer != IDRETRY) return DECIDED_NOTHING;
        if (ReinitSequence()) return DECIDED_REINITIALISED;
    }
    return DECIDED_NOTHING;
}

bool UserWantsRetry(HWND page) {
    char text[512];
    FormatWithDeviceName(text, sizeof text, "Please check the connection.\n\nAnd make sure that the %s is turned on.");
    return g_ui.messageBoxA(page, text, "Error", MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2) == IDRETRY;
}

}  // namespace

HWND MainWindowOf(HWND page) { return page ? GetAncestor(page, GA_ROOT) : nullptr; }

int QueryWithErrorDialog(HWND page, unsigned short opcode, unsigned char* reply,
                         const std::function<void()>& cancelAction, const std::function<void()>& turnOffAction) {
    for (;;) {
        if (ReadDeviceValue(opcode, reply)) return 1;
        switch (AskUntilDecided(MainWindowOf(page))) {
        case DECIDED_REINITIALISED: continue;
        case DECIDED_TURN_OFF:
            SendInitCommand(DEINIT_CMD);
            turnOffAction();
            return 0;
        case DECIDED_CANCEL: cancelAction(); return 0;
        default: return 0;
        }
    }
}

int SendWithRetryPrompt(HWND page, unsigned short opcode, DWORD value, RetryVariant variant) {
    const VariantRule& rule = kVariantRules[variant];
    for (;;) {
        if (SendDeviceValue(opcode, value)) return 1;
        if (DriverGone()) return 0;
        if (!UserWantsRetry(page)) return GiveUpAs(rule.onCancel);
        if (!SendStartZSMWithRetry(MainWindowOf(page))) return GiveUpAs(rule.onStartFailure);
        Sleep(START_SETTLE_MS);
    }
}

int SendStartZSMWithRetry(HWND owner) {
    for (;;) {
        if (StartDevice()) return 1;
        if (DriverGone()) return 0;
        const INT_PTR answer = CError(owner).DoModal();
        if (answer == IDRETRY) continue;
        if (answer == IDC_TURNOFF) SendInitCommand(DEINIT_CMD);
        return 0;
    }
}

int ReinitSequence() {
    if (!StartDevice()) return 0;
    Sleep(START_SETTLE_MS);
    return 1;
}
