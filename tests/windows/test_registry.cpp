// The settings store on the real registry.
#include <gtest/gtest.h>

#include <cstring>

#include "../../common/registry.h"

namespace {

const char* const kRoot = "SOFTWARE\\Brevane_org";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeRecursive(kRoot); }
    void TearDown() override { RegDeleteTreeRecursive(kRoot); }

    static void RegDeleteTreeRecursive(const char* path) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        char child[256];
        while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) {
            std::string sub = std::string(path) + "\\" + child;
            RegDeleteTreeRecursive(sub.c_str());
        }
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    }

    static bool ReadRaw(const char* subkey, const char* name, DWORD* type, BYTE* data, DWORD* size) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        LONG status = RegQueryValueExA(key, name, nullptr, type, data, size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    static DWORD StoredDword(const char* subkey, const char* name) {
        DWORD type = 0, value = 0xDEADBEEF, size = sizeof value;
        EXPECT_TRUE(ReadRaw(subkey, name, &type, reinterpret_cast<BYTE*>(&value), &size)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
        return value;
    }
};

TEST_F(RegistryTest, FirstReadCreatesTheWholePathWithEachProgramsFallback) {
    EXPECT_EQ(1u, GetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 1));
    EXPECT_EQ(1u, StoredDword(REG_COMPORT_KEY, "Comport"));
    EXPECT_EQ(1u, GetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 0)) << "the first reader decided";

    EXPECT_EQ(0u, GetDwordValueFromRegistry(REG_MOUSE_SESSION_KEY, "EnableTap", 0));
    EXPECT_EQ(0u, StoredDword(REG_MOUSE_SESSION_KEY, "EnableTap"));
}

TEST_F(RegistryTest, MissingValueInAnExistingKeyIsCreated) {
    ASSERT_EQ(1, SetDwordValueFromRegistry(REG_REPEAT_SESSION_KEY, "Enable", 0));
    EXPECT_EQ(1050u, GetDwordValueFromRegistry(REG_REPEAT_SESSION_KEY, "DefRepeatDelay", 1050));
    EXPECT_EQ(1050u, StoredDword(REG_REPEAT_SESSION_KEY, "DefRepeatDelay"));
    EXPECT_EQ(0u, GetDwordValueFromRegistry(REG_REPEAT_SESSION_KEY, "Enable", 1)) << "stored 0 wins";
}

TEST_F(RegistryTest, AllOnesCountsAsUnsetAndStaysStored) {
    ASSERT_EQ(1, SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 0xFFFFFFFF));
    EXPECT_EQ(7u, GetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 7));
    EXPECT_EQ(0xFFFFFFFFu, StoredDword(REG_COMPORT_KEY, "Comport"));
}

TEST_F(RegistryTest, DeviceNameIsCreatedWithItsDefaultInAnExistingKey) {
    ASSERT_EQ(1, SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "AppShort", "Orvik"));
    char name[REG_STRING_MAX];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(1, GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "DeviceName", name,
                                            DEFAULT_DEVICE_NAME, sizeof name));
    EXPECT_STREQ("Tavelin", name);
    char stored[64] = {};
    DWORD type = 0, size = sizeof stored;
    ASSERT_TRUE(ReadRaw(REG_APPLICATION_KEY, "DeviceName", &type, reinterpret_cast<BYTE*>(stored), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(8u, size) << "stored with its terminator";
}

TEST_F(RegistryTest, KeysDefaultValueWorksLikeANamedValue) {
    char name[REG_STRING_MAX];
    ASSERT_EQ(1, GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, nullptr, name, "Tavelin",
                                            sizeof name));
    EXPECT_STREQ("Tavelin", name);
    ASSERT_EQ(1, SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "", "Orvik Suite"));
    ASSERT_EQ(1, GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, nullptr, name, "Tavelin",
                                            sizeof name));
    EXPECT_STREQ("Orvik Suite", name);
}

TEST_F(RegistryTest, EmptyStringIsStoredAsOneByte) {
    ASSERT_EQ(1, SetStringValueToRegistry(REG_AUDIO_SESSION_KEY, "Scheme", ""));
    BYTE data[8];
    DWORD type = 0, size = sizeof data;
    ASSERT_TRUE(ReadRaw(REG_AUDIO_SESSION_KEY, "Scheme", &type, data, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(1u, size);
}

TEST_F(RegistryTest, StoredTextIsReadBackTerminatedAndCutToTheCallersBuffer) {
    ASSERT_EQ(1, SetStringValueToRegistry(REG_AUDIO_SESSION_KEY, "SoundRegular", "KeyClick2.wav"));
    char small[5];
    std::memset(small, 'x', sizeof small);
    ASSERT_EQ(1, GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, REG_AUDIO_SESSION_KEY, "SoundRegular", small,
                                            "hwandsw.wav", sizeof small));
    EXPECT_EQ('\0', small[4]) << "never left unterminated";
    char full[REG_STRING_MAX];
    ASSERT_EQ(1, GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, REG_AUDIO_SESSION_KEY, "SoundRegular", full,
                                            "hwandsw.wav", sizeof full));
    EXPECT_STREQ("KeyClick2.wav", full) << "a text too long for one caller is not overwritten";
}

TEST_F(RegistryTest, MissingArgumentsFailWithoutTouchingTheRegistry) {
    char out[16];
    EXPECT_EQ(9u, GetDwordValueFromRegistry(nullptr, "Comport", 9));
    EXPECT_EQ(9u, GetDwordValueFromRegistry(REG_COMPORT_KEY, nullptr, 9));
    EXPECT_EQ(0, SetDwordValueFromRegistry(REG_COMPORT_KEY, nullptr, 1));
    EXPECT_EQ(0, GetStringValueFromRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "DeviceName", out, nullptr,
                                            sizeof out));
    EXPECT_EQ(0, SetStringValueInRegistry(HKEY_LOCAL_MACHINE, REG_APPLICATION_KEY, "DeviceName", nullptr));
    EXPECT_EQ(0, SetStringValueToRegistry(nullptr, "Scheme", "x"));
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRoot, 0, KEY_READ, &key));
}

}  // namespace
