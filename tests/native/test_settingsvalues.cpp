// The declaration of the settings values against the two other places that
// name values: the setup program's installer/factory.nsh and the README's
// table of factory values. Each is read as text and compared row by row.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../../common/settingsvalues.h"

namespace {

// One value as a place states it: "key|name|type|value".
using Rows = std::set<std::string>;

std::string Row(const std::string& key, const std::string& name, SettingType type, const std::string& value) {
    return key + "|" + name + "|" + (type == SETTING_DWORD ? "dword" : "string") + "|" + value;
}

std::string ReadSourceFile(const std::string& relativePath) {
    std::ifstream file(std::string(ORVIK_SOURCE_DIR) + "/" + relativePath);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What the declaration says Setup writes in the way `setup`.
Rows DeclaredRows(SetupWrite setup) {
    Rows rows;
    for (size_t i = 0; i < SETTING_VALUE_COUNT; ++i) {
        const SettingValue& value = *ALL_SETTING_VALUES[i];
        if (value.setup != setup) continue;
        const std::string data = value.type == SETTING_DWORD ? std::to_string(value.installed.number)
                                                              : std::string(value.installed.text);
        rows.insert(Row(value.key, value.name ? value.name : "", value.type, data));
    }
    return rows;
}

std::string Unquoted(const std::string& text, SettingType* type) {
    const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
    *type = quoted ? SETTING_STRING : SETTING_DWORD;
    return quoted ? text.substr(1, text.size() - 2) : text;
}

// The lines of the NSIS macro `macro` in `nsh`.
std::vector<std::string> MacroLines(const std::string& nsh, const std::string& macro) {
    std::vector<std::string> lines;
    std::istringstream in(nsh);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.rfind("!macro " + macro, 0) == 0) inside = true;
        else if (line.rfind("!macroend", 0) == 0) inside = false;
        else if (inside) lines.push_back(line);
    }
    return lines;
}

// The values that the macro `macro` writes: WriteRegDWORD and WriteRegStr
// lines, or DwordIfAbsent and StringIfAbsent lines, under ${SETTINGS_KEY}.
Rows NsisRows(const std::string& nsh, const std::string& macro) {
    static const std::regex write(
        R"re(^\s*(?:WriteReg(DWORD|Str) HKLM|!insertmacro (Dword|String)IfAbsent) "\$\{SETTINGS_KEY\}([^"]*)" "([^"]*)" (.+?)\s*$)re");
    Rows rows;
    for (const std::string& line : MacroLines(nsh, macro)) {
        std::smatch m;
        if (!std::regex_match(line, m, write)) continue;
        const bool dword = m[1] == "DWORD" || m[2] == "Dword";
        SettingType quoted;
        const std::string value = Unquoted(m[5], &quoted);
        rows.insert(Row(REG_PRODUCT_KEY + m[3].str(), m[4], dword ? SETTING_DWORD : SETTING_STRING, value));
    }
    return rows;
}

// The README's table after "<!-- factory values -->": key, value, factory value.
Rows ReadmeRows(const std::string& readme) {
    static const std::regex row(R"(^\| `([^`]+)` \| `([^`]+)` \| ([^|]+?) \|.*$)");
    Rows rows;
    std::istringstream in(readme.substr(readme.find("<!-- factory values -->")));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && !line.empty()) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        SettingType type;
        const std::string value = Unquoted(m[3], &type);
        rows.insert(Row(REG_PRODUCT_KEY "\\" + m[1].str(), m[2], type, value));
    }
    return rows;
}

// Every row that one side has and the other lacks, named with its place.
std::vector<std::string> Disagreements(const Rows& declared, const Rows& stated, const std::string& place) {
    std::vector<std::string> found;
    for (const std::string& row : declared)
        if (!stated.count(row)) found.push_back(place + " lacks " + row);
    for (const std::string& row : stated)
        if (!declared.count(row)) found.push_back(place + " has undeclared " + row);
    return found;
}

// The program sources (driver, settings program, notifier, common), their
// comments taken out, by path under the source tree.
std::vector<std::pair<std::string, std::string>> ProgramSources() {
    static const std::regex comment(R"(//[^\n]*)");
    std::vector<std::pair<std::string, std::string>> sources;
    for (const char* folder : {"driver", "settings", "logon", "common"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(ORVIK_SOURCE_DIR) + "/" + folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h") continue;
            const std::string path = std::filesystem::relative(entry.path(), ORVIK_SOURCE_DIR).generic_string();
            sources.emplace_back(path, std::regex_replace(ReadSourceFile(path), comment, ""));
        }
    }
    return sources;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class SettingValues : public ::testing::Test {
protected:
    const std::string nsh = ReadSourceFile("installer/factory.nsh");
    const std::string readme = ReadSourceFile("README.md");
};

TEST_F(SettingValues, EachKeyAndNameIsDeclaredOnceWithFallbacksOfItsType) {
    std::set<std::string> seen;
    for (size_t i = 0; i < SETTING_VALUE_COUNT; ++i) {
        const SettingValue& value = *ALL_SETTING_VALUES[i];
        const std::string id = std::string(value.key) + "\\" + (value.name ? value.name : "(default)");
        EXPECT_TRUE(seen.insert(id).second) << id << " is declared twice";
        EXPECT_EQ(0u, std::string(value.key).find("SOFTWARE\\Brevane_org\\")) << id;
        for (const SettingData* data : {&value.driverFallback, &value.settingsFallback, &value.installed}) {
            if (!data->present) continue;
            EXPECT_EQ(value.type == SETTING_STRING, data->text != nullptr) << id << ": a fallback of another type";
        }
        EXPECT_EQ(value.setup != SETUP_LEAVES, value.installed.present) << id;
        // A factory value is what the settings program offers: it reads every one.
        if (value.setup == SETUP_FACTORY) EXPECT_TRUE(value.settingsFallback.present) << id;
    }
    EXPECT_EQ(std::string("Tavelin"), FallbackText(APP_DEVICE_NAME, BY_DRIVER));
    EXPECT_EQ(std::string(""), FallbackText(APP_OS_VERSION, BY_SETTINGS)) << "no fallback reads as empty";
    EXPECT_EQ(1050u, FallbackNumber(REPEAT_DELAY, BY_DRIVER));
    EXPECT_EQ(0u, FallbackNumber(REPEAT_DELAY, BY_SETTINGS));
}

TEST_F(SettingValues, TheSetupProgramWritesTheDeclaredValues) {
    ASSERT_FALSE(nsh.empty()) << "installer/factory.nsh not found under " ORVIK_SOURCE_DIR;
    const Rows factory = NsisRows(nsh, "WriteFactoryValues");
    EXPECT_EQ(35u, factory.size());
    for (const std::string& problem : Disagreements(DeclaredRows(SETUP_FACTORY), factory, "WriteFactoryValues"))
        ADD_FAILURE() << problem;
    const Rows first = NsisRows(nsh, "WriteFirstSessionValues");
    EXPECT_EQ(10u, first.size());
    for (const std::string& problem : Disagreements(DeclaredRows(SETUP_IF_ABSENT), first, "WriteFirstSessionValues"))
        ADD_FAILURE() << problem;
}

TEST_F(SettingValues, TheReadmeTableListsTheDeclaredFactoryValues) {
    ASSERT_FALSE(readme.empty());
    const Rows table = ReadmeRows(readme);
    EXPECT_EQ(35u, table.size());
    for (const std::string& problem : Disagreements(DeclaredRows(SETUP_FACTORY), table, "README")) ADD_FAILURE() << problem;
}

// The comparison itself: a changed value, a changed type, a missing row and
// an extra row in either text are each reported.
TEST_F(SettingValues, EveryKindOfDisagreementIsReported) {
    const Rows declared = DeclaredRows(SETUP_FACTORY);
    const std::string minRate = R"("MinRepeatRate" 3)";
    EXPECT_EQ(2u, Disagreements(declared, NsisRows(Replaced(nsh, minRate, R"("MinRepeatRate" 4)"), "WriteFactoryValues"),
                                "nsh")
                      .size())
        << "a changed value is one row missing and one undeclared";
    EXPECT_EQ(2u, Disagreements(declared,
                                NsisRows(Replaced(nsh, R"re("Scheme" "Sound Scheme 1")re", R"re("Scheme" "Sound Scheme 2")re"),
                                         "WriteFactoryValues"),
                                "nsh")
                      .size());
    EXPECT_EQ(2u, Disagreements(declared,
                                NsisRows(Replaced(nsh, R"re(WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "EnableTap")re",
                                                  R"re(WriteRegStr HKLM "${SETTINGS_KEY}\Mouse\Default" "EnableTap")re"),
                                         "WriteFactoryValues"),
                                "nsh")
                      .size())
        << "a DWORD written as a string";
    const std::string readmeRow = "| `Power\\Default` | `MaxStandby` | 60 |";
    ASSERT_NE(std::string::npos, readme.find(readmeRow));
    const std::vector<std::string> missing =
        Disagreements(declared, ReadmeRows(Replaced(readme, readmeRow, "| `Power\\Default` | `Standby` | 60 |")), "README");
    ASSERT_EQ(2u, missing.size());
    EXPECT_EQ("README lacks " REG_POWER_DEFAULT_KEY "|MaxStandby|dword|60", missing[0]);
    EXPECT_EQ("README has undeclared " REG_POWER_DEFAULT_KEY "|Standby|dword|60", missing[1]);
    Rows fewer = declared;
    fewer.erase(fewer.begin());
    EXPECT_EQ(1u, Disagreements(fewer, ReadmeRows(readme), "README").size()) << "a value the declaration lacks";
}

// A value is named in the declaration and nowhere else: the programs reach
// the registry functions only through the settings store, and no value name
// appears as a literal in their code.
TEST(SettingValueUses, TheProgramsNameEveryValueThroughTheDeclarationOnly) {
    const std::set<std::string> store = {"common/registry.h", "common/registry.cpp", "common/settingsstore.cpp"};
    // Literals that name something else than a value: the desktop "Default".
    const std::set<std::string> otherUses = {"driver/input/usersession.h \"Default\""};
    const auto sources = ProgramSources();
    ASSERT_GT(sources.size(), 50u) << "the program sources were not found under " ORVIK_SOURCE_DIR;
    for (const auto& [path, code] : sources) {
        if (!store.count(path)) {
            for (const char* function : {"GetDwordValueFromRegistry(", "SetDwordValueFromRegistry(",
                                         "GetStringValueFromRegistry(", "SetStringValueInRegistry(",
                                         "SetStringValueToRegistry("})
                EXPECT_EQ(std::string::npos, code.find(function)) << path << " calls " << function;
        }
        if (path == "common/settingsvalues.cpp") continue;
        for (size_t i = 0; i < SETTING_VALUE_COUNT; ++i) {
            if (!ALL_SETTING_VALUES[i]->name) continue;
            const std::string literal = std::string("\"") + ALL_SETTING_VALUES[i]->name + "\"";
            if (code.find(literal) == std::string::npos || otherUses.count(path + " " + literal)) continue;
            ADD_FAILURE() << path << " names the value " << literal;
        }
    }
}

}  // namespace
