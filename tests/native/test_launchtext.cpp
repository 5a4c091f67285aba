// The texts of a launch: every rule as a table of (input, expected), and the
// texts that do not fit refused whole rather than cut.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../../driver/input/launchtext.h"

namespace {

const std::string REFUSED = "<refused>";

std::string Result(int ok, const char* output) { return ok ? std::string(output) : REFUSED; }

std::string Browser(const char* command, size_t size = LAUNCH_TEXT_SIZE) {
    char output[LAUNCH_TEXT_SIZE * 2];
    return Result(CutBrowserProgram(command, output, size), output);
}

TEST(CutBrowserProgram, KeepsTheProgramAndDropsItsArguments) {
    const struct {
        const char* command;
        std::string program;
    } cases[] = {
        {"\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\"", "\"C:\\Program Files\\Web\\web.exe\""},
        {"C:\\Web\\web.exe -url %1", "C:\\Web\\web.exe"},
        {"C:\\Web\\web.exe", "C:\\Web\\web.exe"},
        {"\"C:\\Web\\web.exe", "\"C:\\Web\\web.exe"},  // no closing quote: whole
        {"\"\" rest", "\"\""},
        {" leading", " leading"},  // the first character is never the cut
        {"", ""},
        {"x", "x"},
    };
    for (const auto& test : cases) EXPECT_EQ(test.program, Browser(test.command)) << test.command;
}

TEST(CutBrowserProgram, RefusesAProgramLongerThanTheOutput) {
    EXPECT_EQ("abc", Browser("abc def", 4));
    EXPECT_EQ(REFUSED, Browser("abcd def", 4));
}

std::string IconProgram(const char* location, size_t size = LAUNCH_TEXT_SIZE) {
    char output[LAUNCH_TEXT_SIZE];
    std::memset(output, 'Z', sizeof output);
    return Result(ProgramOfIconLocation(location, output, size), output);
}

TEST(ProgramOfIconLocation, TakesTheQuotedPathBeforeTheLastComma) {
    const struct {
        const char* location;
        std::string program;
    } cases[] = {
        {"\"C:\\Office\\OUTLOOK.EXE\",-9403", "C:\\Office\\OUTLOOK.EXE"},
        {"\"C:\\a,b\\mail.exe\",1", "C:\\a,b\\mail.exe"},
        {"\"C:\\Office\\OUTLOOK.EXE,1", "C:\\Office\\OUTLOOK.EXE"},  // no closing quote: up to the comma
        {"C:\\Office\\OUTLOOK.EXE,1", REFUSED},                      // no quotes
        {"\"C:\\Office\\OUTLOOK.EXE\"", REFUSED},                    // no comma
        {"\"\",1", REFUSED},                                         // empty path
        {"", REFUSED},
    };
    for (const auto& test : cases) EXPECT_EQ(test.program, IconProgram(test.location)) << test.location;
    EXPECT_EQ(REFUSED, IconProgram("\"C:\\long.exe\",1", 8));
}

std::string CommandLine(const char* program, const char* argument, size_t size = LAUNCH_TEXT_SIZE) {
    char output[LAUNCH_TEXT_SIZE * 2];
    return Result(BuildLaunchCommandLine(program, argument, output, size), output);
}

TEST(BuildLaunchCommandLine, QuotesProgramAndArgumentAndRefusesWhatDoesNotFit) {
    EXPECT_EQ("\"C:\\o.exe\" \"Outlook:Tasks\"", CommandLine("C:\\o.exe", "Outlook:Tasks"));
    EXPECT_EQ("C:\\calc.exe -x", CommandLine("C:\\calc.exe -x", nullptr));
    const std::string longest(255, 'p');
    EXPECT_EQ(longest, CommandLine(longest.c_str(), nullptr));
    EXPECT_EQ(REFUSED, CommandLine((longest + "p").c_str(), nullptr)) << "256 characters";
    const std::string program(250, 'p');
    EXPECT_EQ(REFUSED, CommandLine(program.c_str(), "arg")) << "quotes and space push it past 255";
}

int LookUp(const char* name, char* value, size_t size) {
    std::string text;
    if (!std::strcmp(name, "HOME")) text = "C:\\Users\\me";
    else if (!std::strcmp(name, "LONG")) text = std::string(255, 'v');
    else if (!std::strcmp(name, "TOOLONG")) text = std::string(256, 'v');
    if (text.size() >= size) return 0;
    std::strcpy(value, text.c_str());
    return 1;
}

std::string Expanded(const char* command, size_t size = LAUNCH_TEXT_SIZE) {
    char output[LAUNCH_TEXT_SIZE];
    return Result(ExpandFirstVariable(command, LookUp, output, size), output);
}

TEST(ExpandFirstVariable, ReplacesOnlyTheFirstPair) {
    const struct {
        const char* command;
        std::string expanded;
    } cases[] = {
        {"%HOME%\\mail.exe", "C:\\Users\\me\\mail.exe"},
        {"mail.exe %HOME% %HOME%", "mail.exe C:\\Users\\me %HOME%"},
        {"mail.exe %MISSING%x", "mail.exe x"},
        {"mail.exe %%", "mail.exe "},
        {"mail.exe 50%", "mail.exe 50%"},
        {"mail.exe", "mail.exe"},
        {"%HOME", "%HOME"},
    };
    for (const auto& test : cases) EXPECT_EQ(test.expanded, Expanded(test.command)) << test.command;
}

TEST(ExpandFirstVariable, RefusesValuesAndResultsThatDoNotFit) {
    EXPECT_EQ(std::string(255, 'v'), Expanded("%LONG%"));
    EXPECT_EQ(REFUSED, Expanded("x%LONG%")) << "256 characters after expansion";
    EXPECT_EQ(REFUSED, Expanded("%TOOLONG%")) << "a value longer than 255 characters";
    EXPECT_EQ(REFUSED, Expanded("%HOME%", 8));
}

TEST(ComposeText, JoinsOrRefuses) {
    char output[16];
    EXPECT_EQ(1, ComposeText(output, sizeof output, "a\\", "b", "\\c", "d"));
    EXPECT_STREQ("a\\b\\cd", output);
    EXPECT_EQ(0, ComposeText(output, 4, "ab", "cd"));
    EXPECT_STREQ("", output) << "never a cut key path";
}

}  // namespace
