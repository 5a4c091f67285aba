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
        {"\"C:\\Web\\web.exe", "\"C:\\Web\\web.exe"},  // no closing quote: whole
        {"\"\" rest", "\"\""},
        // Unquoted: cut after the ".exe" that ends the program, then quoted,
        // so that a blank in the path never names another program.
        {"C:\\Web\\web.exe -url %1", "\"C:\\Web\\web.exe\""},
        {"C:\\Web\\web.exe", "\"C:\\Web\\web.exe\""},
        {"C:\\Program Files\\My Web\\Web.EXE -url %1", "\"C:\\Program Files\\My Web\\Web.EXE\""},
        {"C:\\a.exes\\b.exe x", "\"C:\\a.exes\\b.exe\""},  // ".exes" is no program's end
        // Without an ".exe" the program cannot be told from its arguments.
        {"C:\\Program Files\\web -url", REFUSED},
        {"", REFUSED},
        {"x", REFUSED},
    };
    for (const auto& test : cases) EXPECT_EQ(test.program, Browser(test.command)) << test.command;
}

TEST(CutBrowserProgram, RefusesAProgramLongerThanTheOutput) {
    EXPECT_EQ("\"a.exe\"", Browser("a.exe def", 8));
    EXPECT_EQ(REFUSED, Browser("ab.exe def", 8));
    EXPECT_EQ(REFUSED, Browser("\"ab.exe\" def", 8));
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

// The user's environment as a block: "NAME=value" texts, two terminators at the end.
const std::string kEnvironment = std::string("=C:=C:\\x") + '\0' + "home=C:\\Users\\me" + '\0' +
                                 "LONG=" + std::string(255, 'v') + '\0' + "TOOLONG=" + std::string(256, 'v') +
                                 '\0' + "HOMEDRIVE=D:" + '\0' + '\0';

std::string Expanded(const char* command, size_t size = LAUNCH_TEXT_SIZE, const char* environment = kEnvironment.c_str()) {
    char output[LAUNCH_TEXT_SIZE];
    return Result(ExpandFirstVariable(command, environment, output, size), output);
}

TEST(ExpandFirstVariable, ReplacesOnlyTheFirstPair) {
    const struct {
        const char* command;
        std::string expanded;
    } cases[] = {
        {"%HOME%\\mail.exe", "C:\\Users\\me\\mail.exe"},  // names in any letter case
        {"%HOMEDRIVE%\\m.exe", "D:\\m.exe"},                  // a name is matched whole
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
    EXPECT_EQ(REFUSED, Expanded("%HOME%", LAUNCH_TEXT_SIZE, nullptr)) << "no environment to expand from";
    EXPECT_EQ("mail.exe", Expanded("mail.exe", LAUNCH_TEXT_SIZE, nullptr)) << "nothing to expand";
}

TEST(ComposeText, JoinsOrRefuses) {
    char output[16];
    EXPECT_EQ(1, ComposeText(output, sizeof output, "a\\", "b", "\\c", "d"));
    EXPECT_STREQ("a\\b\\cd", output);
    EXPECT_EQ(0, ComposeText(output, 4, "ab", "cd"));
    EXPECT_STREQ("", output) << "never a cut key path";
}

}  // namespace
