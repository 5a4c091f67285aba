// The settings program's platform-free rules: port names and the port
// change character, key repeat limits and clamping, the sensitivity default,
// the sound schemes, and how the web link falls back to the browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../common/portname.h"
#include "../../settings/linkopen.h"
#include "../../settings/typingsettings.h"

namespace {

TEST(PortNames, NumbersSortOrderAndExactLookup) {
    struct Row {
        const char* name;
        unsigned long number;
    };
    const Row rows[] = {{"COM1", 1},    {"COM12", 12}, {"com7", 7},   {"COM", 0},      {"", 0},
                        {"COMX", 0},    {"COM3x", 3},  {"COM255", 255}, {"COM256", 0}, {"COM99999999999999", 0}};
    for (const Row& row : rows) EXPECT_EQ(row.number, PortNumberFromName(row.name)) << row.name;
    EXPECT_EQ(0u, PortNumberFromName(nullptr));

    std::vector<std::string> ports = {"COM2", "COM10", "COM1", "com3", "COM12"};
    SortPortNames(&ports);
    EXPECT_EQ((std::vector<std::string>{"COM1", "COM10", "COM12", "COM2", "com3"}), ports);
    EXPECT_EQ(0, FindPortEntry(ports, 1)) << "COM1 sorts first";
    EXPECT_EQ(2, FindPortEntry(ports, 12));
    EXPECT_EQ(4, FindPortEntry(ports, 3));
    EXPECT_EQ(-1, FindPortEntry(ports, 0)) << "no stored port selects nothing";
    EXPECT_EQ(-1, FindPortEntry({"COM10", "COM2"}, 1)) << "a stored 1 never selects COM10";
    EXPECT_EQ(-1, FindPortEntry({"COM3x"}, 3)) << "only a name that is exactly the port";
}

TEST(PortNames, TheOneCharacterOfThePortChangeAndWhatTheDriverMakesOfIt) {
    EXPECT_EQ('3', PortChangeCharacter(3));
    EXPECT_EQ('1', PortChangeCharacter(12));
    EXPECT_EQ('2', PortChangeCharacter(255));
    // The driver: a single-digit port is its digit, whatever is stored.
    EXPECT_EQ(3u, PortForChangeCommand('3', 3));
    EXPECT_EQ(3u, PortForChangeCommand('3', 12));
    EXPECT_EQ(1u, PortForChangeCommand('1', 1));
    // Two digits: the stored port when it begins with the digit sent.
    EXPECT_EQ(12u, PortForChangeCommand('1', 12));
    EXPECT_EQ(10u, PortForChangeCommand('1', 10));
    EXPECT_EQ(1u, PortForChangeCommand('1', 21)) << "21 does not begin with 1";
    EXPECT_EQ(2u, PortForChangeCommand('2', 0));
    // No digit names no port.
    EXPECT_EQ(0u, PortForChangeCommand('0', 10));
    EXPECT_EQ(0u, PortForChangeCommand('A', 12));
    EXPECT_EQ(0u, PortForChangeCommand('\0', 12));
}

TEST(KeyRepeat, AbsentLimitsFallBackAndNumbersAreClampedToThem) {
    const RepeatLimits none = EffectiveLimits(0, 0, RATE_FALLBACK_LIMITS);
    EXPECT_EQ(3u, none.min);
    EXPECT_EQ(30u, none.max);
    const RepeatLimits delay = EffectiveLimits(0, 0, DELAY_FALLBACK_LIMITS);
    EXPECT_EQ(150u, delay.min);
    EXPECT_EQ(1050u, delay.max);
    const RepeatLimits halfStored = EffectiveLimits(5, 0, RATE_FALLBACK_LIMITS);
    EXPECT_EQ(5u, halfStored.min);
    EXPECT_EQ(30u, halfStored.max);

    // No limits stored: a rate of 0 becomes the fallback minimum, never 0.
    EXPECT_EQ(3, ClampToLimits(0, none));
    EXPECT_EQ(3, ClampToLimits(1, none));
    EXPECT_EQ(20, ClampToLimits(20, none));
    EXPECT_EQ(30, ClampToLimits(31, none));
    EXPECT_EQ(30, ClampToLimits(70000, none));
    const RepeatLimits stored = EffectiveLimits(200, 800, DELAY_FALLBACK_LIMITS);
    EXPECT_EQ(200, ClampToLimits(150, stored));
    EXPECT_EQ(800, ClampToLimits(1050, stored));
    EXPECT_EQ(10, ClampToLimits(1, RepeatLimits{10, 5})) << "crossed limits: the minimum wins";
}

TEST(KeySensitivity, RestoreDefaultsSendsFourForAZeroDefault) {
    EXPECT_EQ(4u, SensitivityDefault(0));
    EXPECT_EQ(7u, SensitivityDefault(7));
}

TEST(SoundSchemes, TheTableAndTheSchemeAStoredNameSelects) {
    ASSERT_EQ(3, SOUND_SCHEME_COUNT);
    const char* const names[] = {"Sound Scheme 1", "Sound Scheme 2", "Sound Scheme 3"};
    const char* const regular[] = {"KeyClick1.wav", "Key1.wav", "TypeWriter1.wav"};
    const char* const second[] = {"KeyClick2.wav", "Key2.wav", "TypeWriter2.wav"};
    for (int i = 0; i < SOUND_SCHEME_COUNT; ++i) {
        const SoundScheme& scheme = kSoundSchemes[i];
        EXPECT_STREQ(names[i], scheme.name);
        EXPECT_STREQ(regular[i], scheme.regular);
        EXPECT_STREQ(second[i], SchemeCapitalSound(scheme)) << "capitalized: the scheme's second file";
        EXPECT_STREQ(second[i], SchemeModifierSound(scheme)) << "modifier: the scheme's second file";
        EXPECT_STREQ("None", scheme.capitalList[2]);
        EXPECT_STREQ("None", scheme.modifierList[0]);
        EXPECT_STREQ(regular[i], scheme.capitalList[1]);
        EXPECT_STREQ(regular[i], scheme.modifierList[2]);
    }
    EXPECT_STREQ("Sound Scheme 2", SchemeStartingWith("Sound Scheme 2").name);
    EXPECT_STREQ("Sound Scheme 3", SchemeStartingWith("sound scheme 3").name);
    EXPECT_STREQ("Sound Scheme 1", SchemeStartingWith("Sound").name) << "the first entry that begins so";
    // A name the list does not know still gives a scheme with sound names.
    for (const char* unknown : {"Bogus", "Sound Scheme 4", "Sound Scheme 1 and more", ""}) {
        const SoundScheme& scheme = SchemeStartingWith(unknown);
        EXPECT_STRNE("", scheme.regular) << unknown;
        EXPECT_STRNE("", SchemeCapitalSound(scheme)) << unknown;
    }
    EXPECT_STREQ("Sound Scheme 1", SchemeStartingWith(nullptr).name);
}

TEST(WebLink, BrowserCommandAndFailureTexts) {
    EXPECT_EQ("\"C:\\Browser\\browse.exe\"  http://a/",
              BrowserCommandForAddress("\"C:\\Browser\\browse.exe\" \"%1\"", "http://a/"));
    EXPECT_EQ("\"browse.exe\" -url  http://a/", BrowserCommandForAddress("browse.exe -url %1", "http://a/"));
    EXPECT_EQ("\"browse.exe\" -nohome http://a/", BrowserCommandForAddress("browse.exe -nohome", "http://a/"));
    EXPECT_EQ("\"b.exe\" -x  http://a/", BrowserCommandForAddress("b.exe -x \"%1\" %1", "http://a/"))
        << "the quoted %1 wins";
    EXPECT_EQ("\"C:\\Program Files\\B\\b.exe\" http://a/",
              BrowserCommandForAddress("C:\\Program Files\\B\\b.exe", "http://a/"))
        << "an unquoted path with blanks is quoted after its .exe";
    EXPECT_EQ("", BrowserCommandForAddress("C:\\Program Files\\B\\b %1", "http://a/"))
        << "without an .exe the program cannot be told from its arguments";

    EXPECT_GT(LinkStartResult(true, 0), 32);
    EXPECT_EQ(2, LinkStartResult(false, 2));
    EXPECT_EQ(11, LinkStartResult(false, 193)) << "not a program of this system";
    EXPECT_EQ(26, LinkStartResult(false, 32)) << "sharing violation";
    EXPECT_EQ(0, LinkStartResult(false, 1450)) << "never read as a start";
    EXPECT_EQ("The specified file was not found.", HyperlinkFailureReason(2));
    EXPECT_EQ("A sharing violation occurred. ", HyperlinkFailureReason(26));
    EXPECT_EQ("The specified dynamic-link library was not found.", HyperlinkFailureReason(32));
    EXPECT_EQ("The operating system is out\nof memory or resources.", HyperlinkFailureReason(0));
    EXPECT_EQ("Unknown Error (7) occurred.", HyperlinkFailureReason(7));
}

}  // namespace
