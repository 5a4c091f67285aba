// The user's settings as the pages store them. A user without the rights to
// change a setting has the write refused: that is reported where the user
// sees it, owned by the page, and the page never shows the value as saved.
#ifndef ORVIK_SETTINGS_SETTINGSTORE_H
#define ORVIK_SETTINGS_SETTINGSTORE_H

#include <windows.h>

#include "../common/settingsvalues.h"

// 1 when stored; 0 after the refusal was reported.
int StoreDwordSetting(HWND page, const SettingValue& value, DWORD number);
int StoreStringSetting(HWND page, const SettingValue& value, const char* text);

#endif
