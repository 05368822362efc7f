// The running program itself.
#pragma once

#include <string>

namespace pavane::os {

// Full path of the running program's file ("" when it cannot be found).
std::string CurrentProgramPath();

}  // namespace pavane::os
