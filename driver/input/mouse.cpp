#include "mouse.h"

#include "inject.h"

volatile LONG bTapEnabled = 1;

namespace {

void SendClick(DWORD downFlag, DWORD upFlag, const InputEvent* event, const char* tracePrefix) {
    INPUT inputs[2] = {MouseInput(downFlag, event), MouseInput(upFlag, event)};
    SendInputs(inputs, 2, tracePrefix);
}

}  // namespace

void ProcessMouseMoveEvent(const InputEvent* event) {
    INPUT input = MouseInput(MOUSEEVENTF_MOVE, event);
    SendInputs(&input, 1, "ProcessMouseMoveEvent: ");
}

void ProcessMouseLClickEvent(const InputEvent* event) {
    SendClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, event, "ProcessMouseLClickEvent: ");
}

void ProcessMouseRClickEvent(const InputEvent* event) {
    SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, event, "ProcessMouseRClickEvent: ");
}

