#include "uiseam.h"

UiSeam g_ui = {MessageBoxA, MessageBoxW, DialogBoxParamA, PlaySoundA, CreateProcessAsUserA, ShellExecuteExA};
