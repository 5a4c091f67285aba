// The Connection, Keyboard and Sounds pages with the real driver and the
// simulated devices: what the user sees, and what reaches the device, the
// driver and the registry when the user changes it with mouse and keys.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "../../../common/packet.h"
#include "../../../common/registry.h"
#include "../../../settings/resource.h"
#include "settingsfixture.h"

namespace {

const int TAB_CONNECTION = 0, TAB_KEYBOARD = 2, TAB_SOUNDS = 5, TAB_ABOUT = 6;
using Strings = std::vector<std::string>;

class SettingsPages : public SettingsWithDriver {
protected:
    // Leaves the tab and comes back: the page is built and reads again.
    HWND RevisitTab(int tab) {
        if (!SelectTab(TAB_ABOUT)) ADD_FAILURE() << "the About tab did not open: " << TabState();
        HWND page = SelectTab(tab);
        if (!page) ADD_FAILURE() << "tab " << tab << " did not open: " << TabState();
        return page;
    }

    std::string TabState() {
        return "selected " + std::to_string(SendMessageA(Tabs(), TCM_GETCURSEL, 0, 0)) + ", page " +
               (Page() ? (IsWindowVisible(Page()) ? "shown" : "hidden") : "none") + ", main window " +
               (GetForegroundWindow() == MainWindow() ? "in front" : "behind");
    }

    long long ComPort() { return StoredDword(REG_COMPORT_KEY, "Comport"); }
};

// Tells whether a value of a registry key was written since it was made.
class RegistryWatch {
public:
    explicit RegistryWatch(const char* subkey) : changed_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_NOTIFY, &key_) != ERROR_SUCCESS) key_ = nullptr;
        if (key_) RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed_, TRUE);
    }
    ~RegistryWatch() {
        if (key_) RegCloseKey(key_);
        CloseHandle(changed_);
    }
    bool Watching() const { return key_ != nullptr; }
    bool Written() const { return WaitForSingleObject(changed_, 0) == WAIT_OBJECT_0; }

private:
    HKEY key_ = nullptr;
    HANDLE changed_;
};

TEST_F(SettingsPages, ConnectionListsThePortsSortedAndMovesTheDriverToTheChosenOne) {
    ASSERT_TRUE(sim2.Connected()) << "the second simulator (ORVIK_SIM2_PORT) does not answer";
    SetSerialPorts({"COM2", "COM10", "COM5", "COM1", "COM6"});
    ASSERT_TRUE(StartSettings());
    HWND ports = Control(IDC_CONN_PORTS);
    EXPECT_EQ((Strings{"COM1", "COM10", "COM2", "COM5", "COM6"}), ComboItems(ports));
    EXPECT_EQ("COM5", ComboSelection(ports)) << "the stored port";
    EXPECT_TRUE(IsChecked(Control(IDC_CONN_SERIAL)));
    EXPECT_FALSE(IsChecked(Control(IDC_CONN_BLUETOOTH)));
    for (int id : {IDC_CONN_BLUETOOTH, IDC_CONN_DEVICES, IDC_CONN_SEARCH, IDC_CONN_CONNECT})
        EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;

    // COM6: stored, and the driver reads and starts the device there.
    Focus(ports);
    Keys(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return ComPort() == 6; })) << "the choice was not stored";
    EXPECT_TRUE(WaitUntil([&] { return ReceivedCount(sim2, START_ZSM) == 1; })) << "no start on COM6";
    EXPECT_TRUE(WaitUntil([&] { return ReceivedCount(sim2, GET_PROJECTEDLAYOUTNUM) == 1; })) << "no layout";
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Strings{"kd 41", "kd 42"}), TypedThrough(sim2));

    // Two digits: COM12 is the second device under another number. (The
    // test bed links one pseudo-terminal under both names, which Windows
    // never does: the driver leaves it for COM5 first, as a port held under
    // one name is refused under the other.)
    SetSerialPorts({"COM6", "COM12", "COM5"});
    ASSERT_NE(nullptr, RevisitTab(TAB_CONNECTION));
    ports = Control(IDC_CONN_PORTS);
    EXPECT_EQ((Strings{"COM12", "COM5", "COM6"}), ComboItems(ports));
    EXPECT_EQ("COM6", ComboSelection(ports));
    Focus(ports);
    Keys(VK_UP);
    EXPECT_TRUE(WaitUntil([&] { return ComPort() == 5; }));
    ASSERT_TRUE(Idle());
    ASSERT_TRUE(sim2.Run("clearlog"));
    Keys(VK_HOME);
    EXPECT_TRUE(WaitUntil([&] { return ComPort() == 12; }));
    EXPECT_TRUE(WaitUntil([&] { return ReceivedCount(sim2, GET_PROJECTEDLAYOUTNUM) == 1; }))
        << "the driver did not end up on COM12";
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Strings{"kd 41", "kd 42"}), TypedThrough(sim2));

    // A stored port the list lacks selects nothing (COM1 is no prefix match for 12 or 10).
    StoreDword(REG_COMPORT_KEY, "Comport", 1);
    SetSerialPorts({"COM10", "COM12"});
    ASSERT_NE(nullptr, RevisitTab(TAB_CONNECTION));
    EXPECT_EQ("", ComboSelection(Control(IDC_CONN_PORTS)));
}

TEST_F(SettingsPages, KeyboardSendsSensitivityAtTheEndOfAMoveAndKeyRepeatWithinItsLimits) {
    StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Min", 1);
    StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Max", 10);
    StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Default", 0);
    // No repeat limits stored; a stored rate below any minimum.
    StoreDword(REG_REPEAT_SESSION_KEY, "Enable", 1);
    StoreDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate", 1);
    StoreDword(REG_REPEAT_SESSION_KEY, "DefRepeatDelay", 500);
    ASSERT_TRUE(sim.Run("set keysensitivity 7"));
    ASSERT_TRUE(StartSettings());
    ASSERT_NE(nullptr, SelectTab(TAB_KEYBOARD));
    HWND slider = Control(IDC_KB_SENSITIVITY);
    EXPECT_EQ(7, TrackbarPosition(slider)) << "the device's sensitivity";
    EXPECT_TRUE(IsChecked(Control(IDC_KB_REPEAT_ENABLE)));
    EXPECT_EQ("1", WindowText(Control(IDC_KB_RATE)));
    EXPECT_EQ("500", WindowText(Control(IDC_KB_DELAY)));

    // A key held on the slider: nothing during the move, one command at its end.
    ASSERT_TRUE(sim.Run("clearlog"));
    Focus(slider);
    KeyDown(VK_RIGHT);
    KeyDown(VK_RIGHT);
    KeyDown(VK_RIGHT);
    ASSERT_TRUE(WaitUntil([&] { return TrackbarPosition(slider) == 10; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(0u, ReceivedCount(sim, SET_KEYSENSITIVITY)) << "sent during the move";
    KeyUp(VK_RIGHT);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_KEYSENSITIVITY) == 1; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Strings{"0A"}), ReceivedPayloads(sim, SET_KEYSENSITIVITY));
    Strings device;
    ASSERT_TRUE(sim.Run("get keysensitivity", &device));
    EXPECT_EQ((Strings{"keysensitivity 10"}), device);

    // The rate's up arrow: raised into the fallback limits 3..30, taken by
    // the driver (which refuses a rate of 0), then stored.
    ClickSpinArrow(Control(IDC_KB_RATE_SPIN), true);
    ASSERT_TRUE(WaitUntil([] { return StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate") != 1; }))
        << "no key repeat reached the driver";
    const long long rate = StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate");
    EXPECT_GE(rate, 3);
    EXPECT_LE(rate, 30);
    EXPECT_EQ(std::to_string(rate), WindowText(Control(IDC_KB_RATE)));
    EXPECT_EQ(500, StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatDelay"));
    EXPECT_EQ(1, StoredDword(REG_REPEAT_SESSION_KEY, "Enable"));

    // The delay moves in steps of 50.
    ASSERT_TRUE(Idle());
    ClickSpinArrow(Control(IDC_KB_DELAY_SPIN), true);
    EXPECT_TRUE(WaitUntil([] { return StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatDelay") == 550; }));
    EXPECT_EQ("550", WindowText(Control(IDC_KB_DELAY)));

    // A stored rate of 0 is never sent: switching repeat off sends the minimum.
    StoreDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate", 0);
    ASSERT_NE(nullptr, RevisitTab(TAB_KEYBOARD));
    Click(Control(IDC_KB_REPEAT_ENABLE));
    ASSERT_TRUE(WaitUntil([] { return StoredDword(REG_REPEAT_SESSION_KEY, "Enable") == 0; }))
        << "the driver refused the key repeat";
    ASSERT_TRUE(Idle()) << "the page stores the values before it greys the fields";
    EXPECT_EQ(3, StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate"));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_KB_RATE)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_KB_DELAY_SPIN)));

    // Restore Defaults: a "Default" of 0 sends 4; key repeat stays.
    ASSERT_TRUE(sim.Run("clearlog"));
    Click(Control(IDC_KB_DEFAULTS));
    ASSERT_TRUE(WaitUntil([&] { return ReceivedCount(sim, SET_KEYSENSITIVITY) == 1; }));
    EXPECT_EQ((Strings{"04"}), ReceivedPayloads(sim, SET_KEYSENSITIVITY));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(4, TrackbarPosition(Control(IDC_KB_SENSITIVITY)));
    EXPECT_EQ(0, StoredDword(REG_REPEAT_SESSION_KEY, "Enable"));
    EXPECT_EQ(3, StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate"));
}

TEST_F(SettingsPages, SoundsOpensAsStoredAndStoresTheSchemesFilesBeforeTheDriverHearsOfThem) {
    StoreDword(REG_AUDIO_SESSION_KEY, "Enable", 1);
    StoreString(REG_AUDIO_SESSION_KEY, "Scheme", "Sound Scheme 2");
    StoreString(REG_AUDIO_SESSION_KEY, "SoundRegular", "Key1.wav");
    StoreString(REG_AUDIO_SESSION_KEY, "SoundCapital", "None");
    StoreString(REG_AUDIO_SESSION_KEY, "SoundModifier", "Key1.wav");
    ASSERT_TRUE(StartSettings());
    RegistryWatch watch(REG_AUDIO_SESSION_KEY);
    ASSERT_TRUE(watch.Watching());
    ASSERT_NE(nullptr, SelectTab(TAB_SOUNDS));
    ASSERT_TRUE(Idle());
    auto stored = [](const char* name) { return StoredString(REG_AUDIO_SESSION_KEY, name); };

    // Opening shows the stored scheme's lists and the stored sounds, and stores nothing.
    EXPECT_EQ("Sound Scheme 2", ComboSelection(Control(IDC_SND_SCHEME)));
    EXPECT_EQ("Key1.wav", WindowText(Control(IDC_SND_REGULAR)));
    EXPECT_EQ((Strings{"Key2.wav", "Key1.wav", "None"}), ComboItems(Control(IDC_SND_CAPITAL)));
    EXPECT_EQ("None", ComboSelection(Control(IDC_SND_CAPITAL))) << "the user's None was lost";
    EXPECT_EQ("Key1.wav", ComboSelection(Control(IDC_SND_MODIFIER)));
    EXPECT_FALSE(watch.Written()) << "opening the page stored the sounds";
    EXPECT_EQ("None", stored("SoundCapital"));
    EXPECT_EQ("Key1.wav", stored("SoundModifier"));
    EXPECT_TRUE(IsChecked(Control(IDC_SND_ENABLE)));
    for (int id : {IDC_SND_ACTIVATION, IDC_SND_ACTIVATION_PLAY, IDC_SND_DEACTIVATION, IDC_SND_DEACTIVATION_PLAY})
        EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;

    // Another scheme refills both lists.
    Focus(Control(IDC_SND_SCHEME));
    Keys(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return stored("Scheme") == "Sound Scheme 3"; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ((Strings{"TypeWriter2.wav", "TypeWriter1.wav", "None"}), ComboItems(Control(IDC_SND_CAPITAL)));
    EXPECT_EQ((Strings{"None", "TypeWriter2.wav", "TypeWriter1.wav"}), ComboItems(Control(IDC_SND_MODIFIER)));
    EXPECT_EQ("TypeWriter1.wav", stored("SoundRegular"));
    EXPECT_EQ("TypeWriter2.wav", stored("SoundModifier"));

    // "None" is stored as it reads, and its preview is silent and quiet.
    Focus(Control(IDC_SND_CAPITAL));
    Keys(VK_END);
    ASSERT_TRUE(WaitUntil([&] { return stored("SoundCapital") == "None"; }));
    Click(Control(IDC_SND_CAPITAL_PLAY));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(nullptr, WaitForDialog(nullptr, 1000)) << "the preview showed a message";

    // Off: stored, and the scheme controls follow.
    Click(Control(IDC_SND_ENABLE));
    ASSERT_TRUE(WaitUntil([] { return StoredDword(REG_AUDIO_SESSION_KEY, "Enable") == 0; }));
    ASSERT_TRUE(Idle());
    for (int id : {IDC_SND_SCHEME, IDC_SND_CAPITAL, IDC_SND_MODIFIER, IDC_SND_REGULAR_PLAY, IDC_SND_CAPITAL_PLAY})
        EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;

    // A scheme the list does not know: the first one's lists, and the
    // stored names stay.
    StoreString(REG_AUDIO_SESSION_KEY, "Scheme", "Bogus");
    ASSERT_NE(nullptr, RevisitTab(TAB_SOUNDS));
    ASSERT_TRUE(Idle());
    EXPECT_EQ("Sound Scheme 1", ComboSelection(Control(IDC_SND_SCHEME)));
    EXPECT_EQ((Strings{"KeyClick2.wav", "KeyClick1.wav", "None"}), ComboItems(Control(IDC_SND_CAPITAL)));
    EXPECT_EQ("Bogus", stored("Scheme"));
    EXPECT_EQ("TypeWriter1.wav", stored("SoundRegular"));
    EXPECT_EQ("None", stored("SoundCapital"));

    // Restore Defaults: the installation's scheme, sounds and switch.
    StoreString(REG_AUDIO_DEFAULT_KEY, "Scheme", "Sound Scheme 3");
    StoreString(REG_AUDIO_DEFAULT_KEY, "SoundCapital", "TypeWriter1.wav");
    StoreString(REG_AUDIO_DEFAULT_KEY, "SoundRegular", "TypeWriter1.wav");
    StoreDword(REG_AUDIO_DEFAULT_KEY, "Enable", 1);
    Click(Control(IDC_SND_DEFAULTS));
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(Control(IDC_SND_ENABLE)); }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ("Sound Scheme 3", stored("Scheme"));
    EXPECT_EQ("TypeWriter1.wav", stored("SoundCapital"));
    EXPECT_EQ("TypeWriter1.wav", stored("SoundRegular"));
    EXPECT_EQ("TypeWriter1.wav", ComboSelection(Control(IDC_SND_CAPITAL)));
    EXPECT_EQ(1, StoredDword(REG_AUDIO_SESSION_KEY, "Enable"));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_SND_CAPITAL)));
}

TEST_F(SettingsPages, SilentDeviceWhileAPageOpensAsksAndEachAnswerDoesItsPart) {
    StoreDword(REG_SENSITIVITY_DEFAULT_KEY, "Max", 10);
    StoreDword(REG_REPEAT_SESSION_KEY, "Enable", 1);
    StoreDword(REG_REPEAT_SESSION_KEY, "DefRepeatRate", 20);
    ASSERT_TRUE(sim.Run("set keysensitivity 6"));
    ASSERT_TRUE(sim.Run("silent 0201"));
    ASSERT_TRUE(StartSettings());

    // Cancel: the page stays as its layout made it.
    SelectTab(TAB_KEYBOARD);
    HWND error = WaitForDialog("Tavelin Error");
    ASSERT_NE(nullptr, error);
    EXPECT_NE(std::string::npos, DialogMessage(error).find("Unable to detect a connected device."));
    EXPECT_NE(std::string::npos, DialogMessage(error).find("turn off the Tavelin or cancel"));
    Press(error, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return Page() && IsWindowVisible(Page()); }));
    EXPECT_EQ("", WindowText(Control(IDC_KB_RATE))) << "the page went on after Cancel";
    EXPECT_FALSE(IsChecked(Control(IDC_KB_REPEAT_ENABLE)));

    // Retry once the device answers again: it is started, then asked again.
    SelectTab(TAB_ABOUT);
    SelectTab(TAB_KEYBOARD);
    error = WaitForDialog("Tavelin Error");
    ASSERT_NE(nullptr, error);
    ASSERT_TRUE(sim.Run("silent off"));
    ASSERT_TRUE(sim.Run("clearlog"));
    Press(error, IDRETRY);
    ASSERT_TRUE(WaitUntil([&] { return Page() && IsWindowVisible(Page()); }));
    EXPECT_EQ(6, TrackbarPosition(Control(IDC_KB_SENSITIVITY)));
    EXPECT_EQ("20", WindowText(Control(IDC_KB_RATE)));
    const Strings log = [&] {
        Strings opcodes;
        for (const std::string& command : sim.ReceivedCommands()) opcodes.push_back(command.substr(18, 5));
        return opcodes;
    }();
    EXPECT_EQ((Strings{"80 06", "01 02"}), log) << "START_ZSM, then the query again";

    // A sensitivity the device does not take: the prompt, and after Cancel
    // the device keeps its value.
    ASSERT_TRUE(sim.Run("silent 0101"));
    Focus(Control(IDC_KB_SENSITIVITY));
    Keys(VK_RIGHT);
    HWND prompt = WaitForDialog("Error");
    ASSERT_NE(nullptr, prompt) << "no retry prompt";
    EXPECT_EQ("Please check the connection.\n\nAnd make sure that the Tavelin is turned on.", DialogMessage(prompt));
    Press(prompt, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return WaitForDialog("Error", 0) == nullptr; }));
    ASSERT_TRUE(Idle());
    Strings device;
    ASSERT_TRUE(sim.Run("get keysensitivity", &device));
    EXPECT_EQ((Strings{"keysensitivity 6"}), device);
    ASSERT_TRUE(sim.Run("silent off"));

    // Turn Off: the driver is turned off; the page goes on with what it held.
    ASSERT_TRUE(sim.Run("silent 0201"));
    SelectTab(TAB_ABOUT);
    SelectTab(TAB_KEYBOARD);
    error = WaitForDialog("Tavelin Error");
    ASSERT_NE(nullptr, error);
    Press(error, 1024);
    EXPECT_TRUE(DriverEnded()) << "Turn Off did not stop the driver";
    ASSERT_TRUE(WaitUntil([&] { return Page() && IsWindowVisible(Page()); }));
    EXPECT_EQ("20", WindowText(Control(IDC_KB_RATE)));
    EXPECT_TRUE(IsChecked(Control(IDC_KB_REPEAT_ENABLE)));
}

}  // namespace
