// Small routines over the operating system that several parts share.
#pragma once

#include <string>
#include <string_view>

namespace pavane::platform {

// The path with its last `drop` components removed, ending in the native
// separator: "/a/b/c" with 1 gives "/a/b/".
std::string GetParentFolder(std::string_view path, int drop);

// The text before the first NUL character, or all of it.
std::string StripAtNul(std::string_view text);

// The current time in UTC as "yyyy-mm-dd hh:mm:ss".
std::string GetUtcTimeString();

// True when the file or folder exists (names matched without regard to case
// when the exact spelling does not exist).
bool funFileExists(std::string_view path);

// The two-letter language of the process locale (LC_ALL, LC_MESSAGES, LANG),
// lower case, "en" when none is set or it is "C"/"POSIX".
std::string DefaultLanguageFromLocale();

// A one-line name and version of the operating system, for error reports.
std::string OsVersion();

// "ProgramFiles" and "Temp" as the environment gives them, else the Linux
// defaults: /opt, and $TMPDIR or /tmp.
std::string ProgramFilesFolder();
std::string TempFolder();

// Joins folder and name with the native separator, none doubled.
std::string JoinPath(std::string_view folder, std::string_view name);

// Turns the "\" of a path written the Windows way into the native separator.
std::string NativePath(std::string_view windowsPath);

}  // namespace pavane::platform
