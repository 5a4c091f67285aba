// How the web-link label opens its address when the shell cannot: the
// program registered for ".htm" pages, and the texts of the failures.
// Platform-free.
#ifndef ORVIK_SETTINGS_LINKOPEN_H
#define ORVIK_SETTINGS_LINKOPEN_H

#include <string>

// The ".htm" open command with its document argument cut off (just before
// the first "%1" in double quotes, cutting before the quote; else before
// the first "%1"), then a blank and the address. An unquoted program is cut
// after its ".exe" and quoted (a blank in its path must not name another
// program); "" when it has none.
std::string BrowserCommandForAddress(const std::string& openCommand, const std::string& address);

// The result of a start of that command in the terms of the shell's
// results: above 32 when `started`, else the code of `error`.
long LinkStartResult(bool started, unsigned long error);

// What the user is told after "Unable to open hyperlink:\n\n" for a shell
// or program start result of 32 or below.
std::string HyperlinkFailureReason(long result);

#endif
