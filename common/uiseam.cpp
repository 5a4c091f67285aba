#include "uiseam.h"

UiSeam g_ui = {MessageBoxA, MessageBoxW, DialogBoxParamA, PlaySoundA, ShellExecuteExA};
