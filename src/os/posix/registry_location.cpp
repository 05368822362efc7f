#include "os/posix/registry_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace pavane::os {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// HOME may be unset for a service or a setup run by a system tool.
std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
      result != nullptr && result->pw_dir != nullptr) {
    home = result->pw_dir;
  }
  return home;
}

}  // namespace

std::string DefaultRegistryPath() {
  const std::string named = Environment("PAVANE_REGISTRY");
  if (!named.empty()) return named;
  std::string dataHome = Environment("XDG_DATA_HOME");
  // The base directory rules tell us to ignore a relative setting.
  if (dataHome.empty() || dataHome.front() != '/') dataHome = HomeFolder() + "/.local/share";
  return dataHome + "/pavane/registry.db";
}

}  // namespace pavane::os
