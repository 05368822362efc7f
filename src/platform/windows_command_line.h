// Splitting a command line the way a Windows program receives it as
// arguments. The downloader and the print command are defined as one
// command-line text; we start them without a shell, so the text is cut into
// arguments by the same rules the Microsoft C runtime applies at a
// program's start, and the started program sees what it would have seen
// there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pavane::platform {

// The arguments of `commandLine`, the program path first. An empty or blank
// text gives no arguments.
//
// The program path: leading blanks and tabs are skipped; then a double quote
// switches quoting on or off and is dropped, and a blank or tab outside
// quotes ends the path. Backslashes are always literal there (a path such as
// "C:\Program Files\" must survive).
//
// Every further argument follows the C runtime's rules since Visual C++ 2008:
// - blanks and tabs outside quotes separate arguments;
// - a double quote switches quoting on or off and is dropped, so quoted and
//   unquoted parts join into one argument and "" gives an empty argument;
// - 2n backslashes before a double quote give n backslashes, and the quote
//   then acts as a quote; 2n+1 backslashes give n backslashes and a literal
//   double quote;
// - backslashes not followed by a double quote are literal;
// - inside quotes, "" gives one literal double quote and quoting goes on.
std::vector<std::string> SplitWindowsCommandLine(std::string_view commandLine);

// The arguments that follow the program path, by the rules above; for a
// program whose path is known apart from its command line.
std::vector<std::string> SplitWindowsArguments(std::string_view arguments);

// `argument` written so that the rules above give it back as one argument
// (not as a program path): as it is when it holds no blank, tab or double
// quote, else between double quotes with backslashes doubled where they
// come before a quote.
std::string QuoteWindowsArgument(std::string_view argument);

}  // namespace pavane::platform
