// What the program asks the operating system about itself: the process
// locale and the system's name and version.
#pragma once

#include <string>

namespace pavane::os {

// The locale that governs messages, from LC_ALL, LC_MESSAGES, then LANG (the
// first one set and not empty), for example "de_DE.UTF-8"; "" when none is.
std::string ProcessLocaleName();

// Kernel name, release and machine, for example "Linux 6.1.0-18-amd64 x86_64".
std::string SystemVersionText();

}  // namespace pavane::os
