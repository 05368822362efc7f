// Folders that only the user may write to. The machine is shared: a folder
// that another user can write to (the shared /tmp) lets them make our file
// names first, and a folder another user can read shows them what we keep.
#pragma once

#include <string>
#include <string_view>

namespace pavane::os {

// The folder, opened (a descriptor to close), when it is ours alone: a real
// folder (not a link to one) that we own and nobody else may write to.
// Otherwise -1 and `problem` says why.
int OpenPrivateFolder(const std::string& path, std::string& problem);

// The user's folder for temporary files: "Temp" or $TMPDIR (the first that
// names a folder, else /tmp) when it is private already, else the folder
// "pavane-<user id>" inside it, made 0700 when missing. Opened as by
// OpenPrivateFolder; `folder` gets its path.
int OpenUserTemporaryFolder(std::string& folder, std::string& problem);

// Makes `path` and every missing folder above it, each new one 0700
// whatever the umask; existing folders are left as they are. False with
// the reason in `problem`.
bool CreatePrivateFolders(std::string_view path, std::string& problem);

}  // namespace pavane::os
