// The texts of a launch: command lines and registry key paths composed,
// cut and expanded. Platform-free, so that every rule is tested natively.
//
// Every function writes a terminated text into `output` of `size` bytes and
// returns 1, or returns 0 when the result would not fit: a launch whose text
// does not fit is refused, never cut into the name of another program.
#ifndef ORVIK_INPUT_LAUNCHTEXT_H
#define ORVIK_INPUT_LAUNCHTEXT_H

#include <cstddef>

// Command lines and composed key paths: 255 characters and the terminator.
const size_t LAUNCH_TEXT_SIZE = 256;

// The pieces one after the other.
int ComposeText(char* output, size_t size, const char* first, const char* second, const char* third = "",
                const char* fourth = "");

// The program of a browser's command line, its arguments dropped: a text
// that begins with a double quote is cut after the next double quote (kept
// whole without one); any other text is cut after its ".exe" and quoted.
// 0 for an unquoted text without one: its program cannot be told from its
// arguments.
int CutBrowserProgram(const char* command, char* output, size_t size);

// The program path of an icon location such as "\"C:\\a b\\x.exe\",-1": the
// text before the last comma must begin with a double quote; the path is
// what follows it up to the next double quote. 0 without a comma, without the
// leading quote or with an empty path.
int ProgramOfIconLocation(const char* iconLocation, char* output, size_t size);

// "\"program\" \"argument\"" with an argument, else the program unchanged.
int BuildLaunchCommandLine(const char* program, const char* argument, char* output, size_t size);

// Looks variable `name` (letter case ignored) up in `environment`, a block
// of "NAME=value" texts each ended by a terminator, the last by two: writes
// its value (empty when it does not exist, or for an empty name) and returns
// 1. 0 without a block, or when the value does not fit in `size`.
int LookUpVariable(const char* environment, const char* name, char* value, size_t size);

// Replaces the first "%NAME%" (first "%" to the next one) by the variable's
// value in `environment` (LookUpVariable); later references stay as they
// are. Values longer than 255 characters are refused like a result that does
// not fit, and so is a reference without an environment to look it up in.
int ExpandFirstVariable(const char* command, const char* environment, char* output, size_t size);

#endif
