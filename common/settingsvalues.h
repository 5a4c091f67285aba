// Every value of the settings store, declared once: its key under
// HKEY_LOCAL_MACHINE, its name, its type, the fallback with which each
// program reads it (a read that finds no value stores that fallback, so the
// first reader decides it), and what Setup writes (installer/factory.nsh).
// Free of Win32, so that a native test can hold the setup program's factory
// values and the README's table against it.
#ifndef ORVIK_COMMON_SETTINGSVALUES_H
#define ORVIK_COMMON_SETTINGSVALUES_H

#include <cstddef>
#include <cstdint>

// The keys (under HKEY_LOCAL_MACHINE).
#define REG_APPLICATION_KEY "SOFTWARE\\Brevane_org\\Application"
#define REG_PRODUCT_KEY "SOFTWARE\\Brevane_org\\ZelvoSoftware\\2.1"
#define REG_COMPORT_KEY REG_PRODUCT_KEY "\\ComPort\\Session"
#define REG_REPEAT_SESSION_KEY REG_PRODUCT_KEY "\\Keyboard\\Properties\\Session"
#define REG_REPEAT_DEFAULT_KEY REG_PRODUCT_KEY "\\Keyboard\\Properties\\Default"
#define REG_AUDIO_SESSION_KEY REG_PRODUCT_KEY "\\Keyboard\\Audio\\Session"
#define REG_AUDIO_DEFAULT_KEY REG_PRODUCT_KEY "\\Keyboard\\Audio\\Default"
#define REG_SENSITIVITY_DEFAULT_KEY REG_PRODUCT_KEY "\\Keyboard\\Sensitivity\\Default"
#define REG_MOUSE_SESSION_KEY REG_PRODUCT_KEY "\\Mouse\\Session"
#define REG_MOUSE_DEFAULT_KEY REG_PRODUCT_KEY "\\Mouse\\Default"
#define REG_POWER_DEFAULT_KEY REG_PRODUCT_KEY "\\Power\\Default"
#define REG_PROJECTOR_KEY REG_PRODUCT_KEY "\\Projector"
#define REG_NORMAL_LEVEL_KEY REG_PROJECTOR_KEY "\\Normal\\Default"
#define REG_STANDBY_LEVEL_KEY REG_PROJECTOR_KEY "\\Standby\\Default"

// The name of the installation and of the device when none is stored.
#define DEFAULT_DEVICE_NAME "Tavelin"

enum SettingType { SETTING_DWORD, SETTING_STRING };

// A number or a text, as the value's type asks; `present` false: none.
struct SettingData {
    bool present;
    uint32_t number;
    const char* text;
};

// What the setup program does with a value.
enum SetupWrite {
    SETUP_LEAVES,     // nothing (the programs create it, or Setup writes it elsewhere)
    SETUP_FACTORY,    // a factory value: every installation writes it again
    SETUP_IF_ABSENT,  // the user's setting starts with it; a value already there stays
};

struct SettingValue {
    const char* key;
    const char* name;  // nullptr: the key's default value
    SettingType type;
    SettingData driverFallback;    // absent: the driver does not read it
    SettingData settingsFallback;  // the settings program's
    SetupWrite setup;
    SettingData installed;  // what Setup writes
};

// The program that reads: each has its own fallbacks.
enum SettingReader { BY_DRIVER, BY_SETTINGS };

// The fallback that `reader` reads `value` with (0 or "" when it has none).
uint32_t FallbackNumber(const SettingValue& value, SettingReader reader);
const char* FallbackText(const SettingValue& value, SettingReader reader);

// Names and texts of the installation.
extern const SettingValue APP_DISPLAY_NAME;
extern const SettingValue APP_DEVICE_NAME;
extern const SettingValue APP_SHORT_NAME;
extern const SettingValue APP_DEVICE_SHORT_NAME;
extern const SettingValue APP_DESCRIPTION;
extern const SettingValue APP_OS_VERSION;
extern const SettingValue APP_DRIVER_RUNNING;

// The COM port and the tray icon.
extern const SettingValue PORT_NUMBER;
extern const SettingValue PORT_SHOW_TASK_ICON;
extern const SettingValue PORT_CONNECTED;

// Key repeat.
extern const SettingValue REPEAT_ENABLE;
extern const SettingValue REPEAT_DELAY;
extern const SettingValue REPEAT_RATE;
extern const SettingValue REPEAT_MIN_RATE;
extern const SettingValue REPEAT_MAX_RATE;
extern const SettingValue REPEAT_MIN_DELAY;
extern const SettingValue REPEAT_MAX_DELAY;

// Key sounds.
extern const SettingValue SOUND_ENABLE;
extern const SettingValue SOUND_SCHEME;
extern const SettingValue SOUND_REGULAR_FILE;
extern const SettingValue SOUND_CAPITAL_FILE;
extern const SettingValue SOUND_MODIFIER_FILE;
extern const SettingValue SOUND_FACTORY_ENABLE;
extern const SettingValue SOUND_FACTORY_SCHEME;
extern const SettingValue SOUND_FACTORY_REGULAR_FILE;
extern const SettingValue SOUND_FACTORY_CAPITAL_FILE;

// Key touch sensitivity (kept by the device).
extern const SettingValue KEY_SENSITIVITY_MIN;
extern const SettingValue KEY_SENSITIVITY_MAX;
extern const SettingValue KEY_SENSITIVITY_DEFAULT;

// Pointer.
extern const SettingValue TAP_ENABLE;
extern const SettingValue MOUSE_FACTORY_TAP;
extern const SettingValue MOUSE_MIN_SENSITIVITY;
extern const SettingValue MOUSE_MAX_SENSITIVITY;
extern const SettingValue MOUSE_DEFAULT_SENSITIVITY;
extern const SettingValue MOUSE_MIN_TAP_SPEED;
extern const SettingValue MOUSE_MAX_TAP_SPEED;
extern const SettingValue MOUSE_DEFAULT_TAP_SPEED;

// Power saving (kept by the device).
extern const SettingValue POWER_DEFAULT_ENABLE;
extern const SettingValue POWER_MIN_NO_ACTIVITY;
extern const SettingValue POWER_MAX_NO_ACTIVITY;
extern const SettingValue POWER_DEFAULT_NO_ACTIVITY;
extern const SettingValue POWER_MIN_REACTION;
extern const SettingValue POWER_MAX_REACTION;
extern const SettingValue POWER_DEFAULT_REACTION;
extern const SettingValue POWER_MIN_STANDBY;
extern const SettingValue POWER_MAX_STANDBY;
extern const SettingValue POWER_DEFAULT_STANDBY;

// Projector (kept by the device).
extern const SettingValue PROJECTOR_DEFAULT_ENABLE;
extern const SettingValue PROJECTOR_NORMAL_MIN;
extern const SettingValue PROJECTOR_NORMAL_MAX;
extern const SettingValue PROJECTOR_NORMAL_DEFAULT;
extern const SettingValue PROJECTOR_STANDBY_MIN;
extern const SettingValue PROJECTOR_STANDBY_MAX;
extern const SettingValue PROJECTOR_STANDBY_DEFAULT;

// All of the above, in this order.
extern const SettingValue* const ALL_SETTING_VALUES[];
extern const size_t SETTING_VALUE_COUNT;

#endif
