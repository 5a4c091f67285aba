// Key presses and releases, the Fn and arrow layers, and the batch dispatcher.
//
// Ordinary keys are typed whole (press and release) at the device's press, so
// a lost release can never leave them stuck; only Tab, Enter, Insert and the
// modifiers send their release at the device's release, because holding them
// means something. The Fn layer's Alt is latched: it stays down until the key
// that made it or Fn itself is released, whichever comes first, so Fn+Win
// followed by other keys gives Alt+key.
#include "keyboard.h"

#include "../../common/trace.h"
#include "keyrepeat.h"
#include "keystate.h"
#include "launchkeys.h"
#include "mouse.h"
#include "sound.h"

PowerModeListener gpfnPowerModeListener = nullptr;

namespace {

const char* const kKeyDownTrace = "ProcessKeyDownEvent: ";
const char* const kKeyUpTrace = "ProcessKeyUpEvent: ";

// Translation state of the depacketizer thread.
BYTE gucFnAltKey = 0;                  // the Alt that Fn+Win or Fn+Space holds down
bool gEnterClosedApplication = false;  // the Enter held now was Fn+Enter: nothing of it was typed

int IsWinKey(BYTE key) { return key == VK_LWIN || key == VK_RWIN; }

// Keys whose held state means nothing to repeat: the Win keys, and the
// button keys, whose hold is a drag.
int NeverRepeats(BYTE key) { return IsWinKey(key) || IsMouseButtonKey(key); }

int IsAltKey(BYTE key) { return key == VK_LMENU || key == VK_RMENU; }

// The Alt the Fn layer makes of a key: Left Alt for the Win keys, Right Alt
// for the space bar, 0 for any other key.
BYTE FnAltOf(BYTE key) {
    if (IsWinKey(key)) return VK_LMENU;
    return key == VK_SPACE ? VK_RMENU : 0;
}

bool AltLatched() { return gucFnAltKey && IsKeyHeld(gucFnAltKey); }

int IsSpecialKey(const InputEvent* event, SpecialKey code) {
    return event->keyCode == SPECIAL_KEY_CODE && event->specialCode == code;
}

// Keys whose release is sent at the device's release instead of at once.
int IsPressOnlyKey(BYTE key, BYTE sentKey) {
    return key == VK_TAB || key == VK_RETURN || key == VK_INSERT || IsModifierKey(key) || IsAltKey(sentKey);
}

// Fn layer. Returns 0 when the key was an action (Fn+Enter) and nothing is to be typed.
int ApplyFnLayer(BYTE key, BYTE* sentKey) {
    if (key >= '1' && key <= '9') {
        *sentKey = static_cast<BYTE>(VK_F1 + (key - '1'));
        SetRepeatKey(0);
    } else if (key == '0') {
        *sentKey = VK_F10;
        SetRepeatKey(0);
    } else if (BYTE alt = FnAltOf(key)) {
        *sentKey = alt;
        gucFnAltKey = alt;
        SetRepeatKey(alt);
    } else if (key == VK_RETURN) {
        gEnterClosedApplication = true;
        SetRepeatKey(0);  // holding it must not type Enter into the next window
        CloseForegroundApplication();
        return 0;
    }
    return 1;
}

void ApplyArrowLayer(BYTE key, BYTE* sentKey) {
    static const struct {
        BYTE letter, arrow;
    } kArrows[] = {{'I', VK_UP}, {'J', VK_LEFT}, {'K', VK_DOWN}, {'L', VK_RIGHT}};
    for (const auto& row : kArrows) {
        if (row.letter != key) continue;
        *sentKey = row.arrow;
        SetRepeatKey(0);
    }
}

// The latched Alt that the release of `key` ends: the key that made it while
// Fn is held, or Fn itself. 0 when this release ends no latch.
BYTE LatchedAltEndedBy(const InputEvent* event) {
    if (!AltLatched()) return 0;
    const bool fnReleased = IsSpecialKey(event, SPECIAL_FN);
    const bool makerReleased = IsFnLayerOn() && FnAltOf(event->keyCode) == gucFnAltKey;
    return fnReleased || makerReleased ? gucFnAltKey : 0;
}

void PostPowerMode(PowerModeNotice mode) {
    const PowerModeListener listener = gpfnPowerModeListener;
    if (listener) listener(mode);
}

void DispatchInputEvent(const InputEvent* event) {
    switch (event->kind) {
    case EVENT_KEY_UP:
        ProcessKeyUpEvent(event);
        break;
    case EVENT_KEY_DOWN:
        ProcessKeyDownEvent(event);
        break;
    case EVENT_KEY_HELD:
        ProcessKeyHoldEvent(event);
        break;
    case EVENT_MOUSE_MOVE:
        ProcessMouseMoveEvent(event);
        break;
    case EVENT_LEFT_TAP:
        if (bTapEnabled) ProcessMouseLClickEvent(event);
        break;
    case EVENT_RIGHT_TAP:
        if (bTapEnabled) ProcessMouseRClickEvent(event);
        break;
    case POWER_NORMAL:
        PostPowerMode(POWER_MODE_NORMAL);
        break;
    case POWER_STANDBY:
        PostPowerMode(POWER_MODE_STANDBY);
        break;
    case POWER_NOT_STARTED:
        PostPowerMode(POWER_MODE_NOT_STARTED);
        break;
    default:
        break;
    }
}

}  // namespace

void DispatchInputEvents(InputEventBatch* batch) {
    if (!batch) return;
    int count = batch->count;
    if (count > MAX_BATCH_EVENTS) {
        Trace("DispatchInputEvents: count %d cut to %d", count, MAX_BATCH_EVENTS);
        count = MAX_BATCH_EVENTS;
    }
    for (int i = 0; i < count; ++i) {
        InputEvent* event = batch->events[i];
        if (!event) continue;
        DispatchInputEvent(event);
        delete event;
        batch->events[i] = nullptr;
    }
    batch->count = 0;
}

void ProcessKeyDownEvent(const InputEvent* event) {
    const BYTE key = event->keyCode;
    SetRepeatKey(NeverRepeats(key) || key == SPECIAL_KEY_CODE ? 0 : key);
    StopKeyRepeat();
    if (key == SPECIAL_KEY_CODE) {
        ProcessSpecialKeyEvent(event);
        return;
    }
    if (key == VK_RETURN) gEnterClosedApplication = false;  // every Enter press decides anew
    BYTE sentKey = key;
    if (IsFnLayerOn() && !AltLatched()) {
        if (!ApplyFnLayer(key, &sentKey)) return;
    } else if (IsArrowLayerOn()) {
        ApplyArrowLayer(key, &sentKey);
    }
    if (IsMouseButtonKey(sentKey)) PressButton(sentKey, event, kKeyDownTrace);
    else if (IsPressOnlyKey(key, sentKey)) PressKey(sentKey, kKeyDownTrace);
    else TypeKey(sentKey, kKeyDownTrace);
    PlayKeyPressSound(sentKey);
}

void ProcessKeyUpEvent(const InputEvent* event) {
    const BYTE key = event->keyCode;
    // The Enter of Fn+Enter closed an application; its release has nothing to
    // end, whether Fn is still held or not. An Enter typed before Fn was
    // pressed is released as usual.
    if (key == VK_RETURN && gEnterClosedApplication) {
        gEnterClosedApplication = false;
        return;
    }
    const BYTE latchedAlt = LatchedAltEndedBy(event);
    const BYTE sentKey = latchedAlt ? latchedAlt : key;
    if (IsSpecialKey(event, SPECIAL_FN)) {
        SetFnLayer(false);
        if (!latchedAlt) return;
    }
    if (sentKey == RepeatKey()) SetRepeatKey(0);
    if (IsSpecialKey(event, SPECIAL_ARROW_LAYER)) {
        SetArrowLayer(false);
        return;
    }
    if (!RepeatKey()) StopKeyRepeat();
    if (IsMouseButtonKey(sentKey)) ReleaseButton(sentKey, event, kKeyUpTrace);
    else if (IsPressOnlyKey(key, sentKey)) ReleaseKey(sentKey, kKeyUpTrace);
}

void ReleaseStuckKeys() {
    gucFnAltKey = 0;
    gEnterClosedApplication = false;
    StopKeyRepeat();
    ReleaseEverythingHeld();
}
