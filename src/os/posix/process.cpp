#include "os/process.h"

#include <filesystem>
#include <system_error>

namespace pavane::os {

std::string CurrentProgramPath() {
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

}  // namespace pavane::os
