// The running program itself, and the programs it starts.
#pragma once

#include <string>
#include <vector>

namespace pavane::os {

// Full path of the running program's file ("" when it cannot be found).
std::string CurrentProgramPath();

// Starts `argv[0]` with the arguments `argv` as a process of its own that we
// never wait for and that outlives us: the downloader and the print command
// are handed their work and left alone. No shell is involved and no search
// along PATH is made; the program path is matched without regard to case,
// as the content written for Windows expects. The new process gets its own
// session, reads standard input from /dev/null, inherits our environment and
// none of our open files. True once the program has been loaded; otherwise
// false with the reason in `error`.
bool StartDetached(const std::vector<std::string>& argv, std::string& error);

}  // namespace pavane::os
