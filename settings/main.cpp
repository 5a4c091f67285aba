// OrvikSettings: the settings program of the projected keyboard.
#include <windows.h>

#include "app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return COrvikSettingsApp().Run(); }
