// Small routines over the operating system that several parts share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// A language code as every source gives it (a switch, the saved value, the
// language screen, the locale) in the one form the program uses: two or
// three ASCII letters in lower case ("DE" gives "de", "fil" stays "fil"),
// with the old Windows abbreviations "ge" and "jp" read as "de" and "ja".
// Anything else (empty, "de-de", "../x") gives "".
std::string NormalizeLanguageCode(std::string_view code);

// The languages the user's environment asks for, most wanted first, each
// normalised and none twice: the entries of GNU LANGUAGE ("es:fr"), then the
// language of the process locale (LC_ALL, LC_MESSAGES, LANG). Empty when
// nothing usable is set or the locale is "C"/"POSIX".
std::vector<std::string> LanguagesFromLocale();

// The first of LanguagesFromLocale, or "en".
std::string DefaultLanguageFromLocale();

// A one-line name and version of the operating system, for error reports.
std::string OsVersion();

// "ProgramFiles" as the environment gives it, else /opt.
std::string ProgramFilesFolder();
// The folder for the user's temporary files: "Temp" (or $TMPDIR, else /tmp)
// when only the user may write there, else a private folder of the user's
// inside it (os::UserTemporaryFolder). "" with the reason in `problem` when
// there is none.
std::string TempFolder(std::string& problem);

// Joins folder and name with the native separator, none doubled.
std::string JoinPath(std::string_view folder, std::string_view name);

// `path` is `folder` or lies below it. Both must be absolute; their "." and
// ".." components are resolved as written (links are not followed), so
// "/a/b/../../etc" is not inside "/a".
bool IsInsideFolder(std::string_view path, std::string_view folder);

// Turns the "\" of a path written the Windows way into the native separator.
std::string NativePath(std::string_view windowsPath);

}  // namespace pavane::platform
