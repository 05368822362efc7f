#include "os/system.h"

#include <sys/utsname.h>

#include <cstdlib>

namespace pavane::os {

std::string ProcessLocaleName() {
  // The order in which the C library itself decides the message language.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      return value;
    }
  }
  return {};
}

std::string SystemVersionText() {
  utsname info{};
  if (::uname(&info) != 0) {
    return "Linux";
  }
  return std::string(info.sysname) + " " + info.release + " " + info.machine;
}

}  // namespace pavane::os
