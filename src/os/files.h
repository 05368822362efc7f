// The one way the program reaches files: every read and write of a file goes
// through here. Paths are UTF-8 with "/" separators.
//
// Content written for Windows names files without regard to case
// ("Language.inx" and "language.inx" are one file there), so lookups fall
// back to a case-blind match of each path component when the exact spelling
// does not exist.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pavane::os {

// Cap for whole-file reads of text the program is given (language, loader
// and source files); far above any real one, low enough to refuse garbage.
inline constexpr std::uint64_t kMaxTextFileBytes = 64ull * 1024 * 1024;

// Why a file operation failed, numbered the way the old runtime numbered its
// file errors (53 "File not found", 70 "Permission denied", ...) because
// those numbers end up in messages the user sees.
struct FileError {
  int number = 0;
  std::string description;
};

// The existing path that `path` names: the exact spelling when it exists,
// else the one whose components match without regard to case. When several
// entries of a folder match, the exact spelling wins, then the first in
// byte order; the search does not back up to try the others. A trailing "/"
// is kept.
std::optional<std::string> ResolvePath(std::string_view path);

// Both match names without regard to case, as ResolvePath.
bool FileExists(std::string_view path);  // a file or a folder
bool IsFolder(std::string_view path);

// Last-modified time of the file, nullopt when it does not exist.
std::optional<std::chrono::system_clock::time_point> LastModified(std::string_view path);

// Reads the whole file into `bytes`; refuses a file larger than `maxBytes`.
bool ReadFileBytes(std::string_view path, std::uint64_t maxBytes, std::string& bytes,
                   FileError& error);

// Replaces the file by `bytes` all at once: the bytes go to a temporary file
// in the same folder, which is flushed to disk and then renamed over the
// target. A failure leaves the previous target as it was and no temporary
// file behind. An existing target spelt in another case is the one replaced.
// A symbolic link is written through: the file at the end of its chain is
// replaced (the temporary file goes beside that one) and the link stays.
bool WriteFileAtomically(std::string_view path, std::string_view bytes, FileError& error);

// A folder for the user's temporary files that no other user can write to:
// "Temp" or $TMPDIR (the first that names a folder, else /tmp) when only the
// user may write there, else the folder "pavane-<user id>" inside it, made
// 0700 on first use. nullopt with the reason in `problem` when that folder
// belongs to another user or cannot be made: a shared folder is never used.
std::optional<std::string> UserTemporaryFolder(std::string& problem);

// Deletes a file (not a folder).
bool RemoveFile(std::string_view path, FileError& error);

}  // namespace pavane::os
