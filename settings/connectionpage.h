// The "Connection" tab: the serial ports the system knows, the one the driver
// is set to, and the choice of another one. The Bluetooth section is shown
// but never active.
#ifndef ORVIK_SETTINGS_CONNECTIONPAGE_H
#define ORVIK_SETTINGS_CONNECTIONPAGE_H

#include <functional>

#include "page.h"

// Hands each port name listed under HARDWARE\DEVICEMAP\SERIALCOMM to
// `consumer` until it returns false. Nothing when the key cannot be read.
void EnumerateSerialPorts(const std::function<bool(const char* portName)>& consumer);

class CConnectionPage : public CSettingsPage {
public:
    CConnectionPage();

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FillPortList();
    void OnPortChosen();
};

#endif
