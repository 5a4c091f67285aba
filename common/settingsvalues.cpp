#include "settingsvalues.h"

namespace {

constexpr SettingData NONE = {false, 0, nullptr};
constexpr SettingData Number(uint32_t number) { return {true, number, nullptr}; }
constexpr SettingData Text(const char* text) { return {true, 0, text}; }

constexpr const char* DEFAULT_SHORT_NAME_TEXT = "Orvik";

// A "\Default" value: only the settings program reads it, with 0 when the
// installation wrote none; Setup writes it at every installation.
constexpr SettingValue Factory(const char* key, const char* name, uint32_t installed) {
    return {key, name, SETTING_DWORD, NONE, Number(0), SETUP_FACTORY, Number(installed)};
}

const SettingData& FallbackOf(const SettingValue& value, SettingReader reader) {
    return reader == BY_DRIVER ? value.driverFallback : value.settingsFallback;
}

}  // namespace

uint32_t FallbackNumber(const SettingValue& value, SettingReader reader) { return FallbackOf(value, reader).number; }

const char* FallbackText(const SettingValue& value, SettingReader reader) {
    const char* text = FallbackOf(value, reader).text;
    return text ? text : "";
}

const SettingValue APP_DISPLAY_NAME = {REG_APPLICATION_KEY, nullptr, SETTING_STRING, Text(DEFAULT_DEVICE_NAME),
                                       Text(DEFAULT_DEVICE_NAME), SETUP_LEAVES, NONE};
const SettingValue APP_DEVICE_NAME = {REG_APPLICATION_KEY, "DeviceName", SETTING_STRING,
                                      Text(DEFAULT_DEVICE_NAME), Text(DEFAULT_DEVICE_NAME), SETUP_LEAVES, NONE};
const SettingValue APP_SHORT_NAME = {REG_APPLICATION_KEY, "AppShort", SETTING_STRING, Text(DEFAULT_SHORT_NAME_TEXT),
                                     NONE, SETUP_LEAVES, NONE};
const SettingValue APP_DEVICE_SHORT_NAME = {REG_APPLICATION_KEY, "DeviceNameShort", SETTING_STRING,
                                            Text(DEFAULT_SHORT_NAME_TEXT), NONE, SETUP_LEAVES, NONE};
const SettingValue APP_DESCRIPTION = {REG_APPLICATION_KEY, "Desc", SETTING_STRING, NONE, NONE, SETUP_LEAVES, NONE};
const SettingValue APP_OS_VERSION = {REG_APPLICATION_KEY, "OS Version", SETTING_STRING, Text("Windows CE 4.2"), NONE,
                                     SETUP_LEAVES, NONE};
const SettingValue APP_DRIVER_RUNNING = {REG_APPLICATION_KEY, "Orvik Settings", SETTING_DWORD, NONE, NONE,
                                         SETUP_LEAVES, NONE};

const SettingValue PORT_NUMBER = {REG_COMPORT_KEY, "Comport", SETTING_DWORD, Number(1), Number(0), SETUP_LEAVES, NONE};
const SettingValue PORT_SHOW_TASK_ICON = {REG_COMPORT_KEY, "ShowTaskIcon", SETTING_DWORD, Number(1), NONE,
                                          SETUP_IF_ABSENT, Number(1)};
const SettingValue PORT_CONNECTED = {REG_COMPORT_KEY, "Connected", SETTING_DWORD, NONE, NONE, SETUP_LEAVES, NONE};

const SettingValue REPEAT_ENABLE = {REG_REPEAT_SESSION_KEY, "Enable", SETTING_DWORD, Number(1), Number(0),
                                    SETUP_IF_ABSENT, Number(1)};
const SettingValue REPEAT_DELAY = {REG_REPEAT_SESSION_KEY, "DefRepeatDelay", SETTING_DWORD, Number(1050), Number(0),
                                   SETUP_IF_ABSENT, Number(500)};
// The driver's rate also stands in for a stored 0, which has no interval.
const SettingValue REPEAT_RATE = {REG_REPEAT_SESSION_KEY, "DefRepeatRate", SETTING_DWORD, Number(20), Number(0),
                                  SETUP_IF_ABSENT, Number(20)};
const SettingValue REPEAT_MIN_RATE = Factory(REG_REPEAT_DEFAULT_KEY, "MinRepeatRate", 3);
const SettingValue REPEAT_MAX_RATE = Factory(REG_REPEAT_DEFAULT_KEY, "MaxRepeatRate", 30);
const SettingValue REPEAT_MIN_DELAY = Factory(REG_REPEAT_DEFAULT_KEY, "MinRepeatDelay", 150);
const SettingValue REPEAT_MAX_DELAY = Factory(REG_REPEAT_DEFAULT_KEY, "MaxRepeatDelay", 1050);

const SettingValue SOUND_ENABLE = {REG_AUDIO_SESSION_KEY, "Enable", SETTING_DWORD, Number(1), Number(0),
                                   SETUP_IF_ABSENT, Number(1)};
const SettingValue SOUND_SCHEME = {REG_AUDIO_SESSION_KEY, "Scheme", SETTING_STRING, NONE, Text("Sound Scheme 1"),
                                   SETUP_IF_ABSENT, Text("Sound Scheme 1")};
const SettingValue SOUND_REGULAR_FILE = {REG_AUDIO_SESSION_KEY, "SoundRegular", SETTING_STRING, Text("hwandsw.wav"),
                                    Text("start.wav"), SETUP_IF_ABSENT, Text("KeyClick1.wav")};
const SettingValue SOUND_CAPITAL_FILE = {REG_AUDIO_SESSION_KEY, "SoundCapital", SETTING_STRING, Text("Default.wav"),
                                    Text("KeyClick1.wav"), SETUP_IF_ABSENT, Text("KeyClick2.wav")};
const SettingValue SOUND_MODIFIER_FILE = {REG_AUDIO_SESSION_KEY, "SoundModifier", SETTING_STRING, Text("Default.wav"),
                                     Text("KeyClick1.wav"), SETUP_IF_ABSENT, Text("KeyClick2.wav")};
const SettingValue SOUND_FACTORY_ENABLE = Factory(REG_AUDIO_DEFAULT_KEY, "Enable", 1);
const SettingValue SOUND_FACTORY_SCHEME = {REG_AUDIO_DEFAULT_KEY, "Scheme", SETTING_STRING, NONE,
                                           Text("Sound Scheme 1"), SETUP_FACTORY, Text("Sound Scheme 1")};
const SettingValue SOUND_FACTORY_REGULAR_FILE = {REG_AUDIO_DEFAULT_KEY, "SoundRegular", SETTING_STRING, NONE,
                                            Text("start.wav"), SETUP_FACTORY, Text("KeyClick1.wav")};
const SettingValue SOUND_FACTORY_CAPITAL_FILE = {REG_AUDIO_DEFAULT_KEY, "SoundCapital", SETTING_STRING, NONE,
                                            Text("KeyClick1.wav"), SETUP_FACTORY, Text("KeyClick2.wav")};

const SettingValue KEY_SENSITIVITY_MIN = Factory(REG_SENSITIVITY_DEFAULT_KEY, "Min", 1);
const SettingValue KEY_SENSITIVITY_MAX = Factory(REG_SENSITIVITY_DEFAULT_KEY, "Max", 8);
const SettingValue KEY_SENSITIVITY_DEFAULT = Factory(REG_SENSITIVITY_DEFAULT_KEY, "Default", 4);

const SettingValue TAP_ENABLE = {REG_MOUSE_SESSION_KEY, "EnableTap", SETTING_DWORD, Number(1), Number(0),
                                 SETUP_IF_ABSENT, Number(1)};
const SettingValue MOUSE_FACTORY_TAP = Factory(REG_MOUSE_DEFAULT_KEY, "EnableTap", 1);
const SettingValue MOUSE_MIN_SENSITIVITY = Factory(REG_MOUSE_DEFAULT_KEY, "MinSensitivity", 1);
const SettingValue MOUSE_MAX_SENSITIVITY = Factory(REG_MOUSE_DEFAULT_KEY, "MaxSensitivity", 8);
const SettingValue MOUSE_DEFAULT_SENSITIVITY = Factory(REG_MOUSE_DEFAULT_KEY, "DefSensitivity", 2);
const SettingValue MOUSE_MIN_TAP_SPEED = Factory(REG_MOUSE_DEFAULT_KEY, "MinTapSpeed", 1);
const SettingValue MOUSE_MAX_TAP_SPEED = Factory(REG_MOUSE_DEFAULT_KEY, "MaxTapSpeed", 10);
const SettingValue MOUSE_DEFAULT_TAP_SPEED = Factory(REG_MOUSE_DEFAULT_KEY, "DefTapSpeed", 5);

const SettingValue POWER_DEFAULT_ENABLE = Factory(REG_POWER_DEFAULT_KEY, "DefEnable", 1);
const SettingValue POWER_MIN_NO_ACTIVITY = Factory(REG_POWER_DEFAULT_KEY, "MinNoActivity", 30);
const SettingValue POWER_MAX_NO_ACTIVITY = Factory(REG_POWER_DEFAULT_KEY, "MaxNoActivity", 1800);
const SettingValue POWER_DEFAULT_NO_ACTIVITY = Factory(REG_POWER_DEFAULT_KEY, "DefNoActivity", 60);
const SettingValue POWER_MIN_REACTION = Factory(REG_POWER_DEFAULT_KEY, "MinReaction", 50);
const SettingValue POWER_MAX_REACTION = Factory(REG_POWER_DEFAULT_KEY, "MaxReaction", 1000);
const SettingValue POWER_DEFAULT_REACTION = Factory(REG_POWER_DEFAULT_KEY, "DefReaction", 150);
const SettingValue POWER_MIN_STANDBY = Factory(REG_POWER_DEFAULT_KEY, "MinStandby", 1);
const SettingValue POWER_MAX_STANDBY = Factory(REG_POWER_DEFAULT_KEY, "MaxStandby", 60);
const SettingValue POWER_DEFAULT_STANDBY = Factory(REG_POWER_DEFAULT_KEY, "DefStandby", 10);

const SettingValue PROJECTOR_DEFAULT_ENABLE = Factory(REG_PROJECTOR_KEY, "DefEnable", 1);
const SettingValue PROJECTOR_NORMAL_MIN = Factory(REG_NORMAL_LEVEL_KEY, "Min", 1);
const SettingValue PROJECTOR_NORMAL_MAX = Factory(REG_NORMAL_LEVEL_KEY, "Max", 31);
const SettingValue PROJECTOR_NORMAL_DEFAULT = Factory(REG_NORMAL_LEVEL_KEY, "Default", 31);
const SettingValue PROJECTOR_STANDBY_MIN = Factory(REG_STANDBY_LEVEL_KEY, "Min", 0);
const SettingValue PROJECTOR_STANDBY_MAX = Factory(REG_STANDBY_LEVEL_KEY, "Max", 31);
const SettingValue PROJECTOR_STANDBY_DEFAULT = Factory(REG_STANDBY_LEVEL_KEY, "Default", 8);

const SettingValue* const ALL_SETTING_VALUES[] = {
    &APP_DISPLAY_NAME, &APP_DEVICE_NAME, &APP_SHORT_NAME, &APP_DEVICE_SHORT_NAME, &APP_DESCRIPTION, &APP_OS_VERSION,
    &APP_DRIVER_RUNNING, &PORT_NUMBER, &PORT_SHOW_TASK_ICON, &PORT_CONNECTED, &REPEAT_ENABLE, &REPEAT_DELAY,
    &REPEAT_RATE, &REPEAT_MIN_RATE, &REPEAT_MAX_RATE, &REPEAT_MIN_DELAY, &REPEAT_MAX_DELAY, &SOUND_ENABLE,
    &SOUND_SCHEME, &SOUND_REGULAR_FILE, &SOUND_CAPITAL_FILE, &SOUND_MODIFIER_FILE, &SOUND_FACTORY_ENABLE, &SOUND_FACTORY_SCHEME,
    &SOUND_FACTORY_REGULAR_FILE, &SOUND_FACTORY_CAPITAL_FILE, &KEY_SENSITIVITY_MIN, &KEY_SENSITIVITY_MAX,
    &KEY_SENSITIVITY_DEFAULT, &TAP_ENABLE, &MOUSE_FACTORY_TAP, &MOUSE_MIN_SENSITIVITY, &MOUSE_MAX_SENSITIVITY,
    &MOUSE_DEFAULT_SENSITIVITY, &MOUSE_MIN_TAP_SPEED, &MOUSE_MAX_TAP_SPEED, &MOUSE_DEFAULT_TAP_SPEED,
    &POWER_DEFAULT_ENABLE, &POWER_MIN_NO_ACTIVITY, &POWER_MAX_NO_ACTIVITY, &POWER_DEFAULT_NO_ACTIVITY,
    &POWER_MIN_REACTION, &POWER_MAX_REACTION, &POWER_DEFAULT_REACTION, &POWER_MIN_STANDBY, &POWER_MAX_STANDBY,
    &POWER_DEFAULT_STANDBY, &PROJECTOR_DEFAULT_ENABLE, &PROJECTOR_NORMAL_MIN, &PROJECTOR_NORMAL_MAX,
    &PROJECTOR_NORMAL_DEFAULT, &PROJECTOR_STANDBY_MIN, &PROJECTOR_STANDBY_MAX, &PROJECTOR_STANDBY_DEFAULT,
};
const size_t SETTING_VALUE_COUNT = sizeof ALL_SETTING_VALUES / sizeof ALL_SETTING_VALUES[0];
