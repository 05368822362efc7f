#include "os/posix/private_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pavane::os {
namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Because(const std::string& what) {
  return what + " (" + std::strerror(errno) + ")";
}

}  // namespace

int OpenPrivateFolder(const std::string& path, std::string& problem) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    problem = Because("the folder " + path + " cannot be opened");
    return -1;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 022) != 0) {
    close(fd);
    problem = "the folder " + path + " belongs to another user or others may write to it";
    return -1;
  }
  return fd;
}

int OpenUserTemporaryFolder(std::string& folder, std::string& problem) {
  std::string shared;
  for (const char* variable : {"Temp", "TMPDIR"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && IsFolder(value)) {
      shared = value;
      break;
    }
  }
  if (shared.empty()) shared = "/tmp";
  while (shared.size() > 1 && shared.back() == '/') shared.pop_back();

  std::string ignored;
  folder = shared;
  if (const int fd = OpenPrivateFolder(folder, ignored); fd >= 0) return fd;
  folder = (shared == "/" ? "" : shared) + "/pavane-" + std::to_string(geteuid());
  // Another user may have made it first; the checks on opening catch that.
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    problem = Because("the folder " + folder + " cannot be made");
    return -1;
  }
  return OpenPrivateFolder(folder, problem);
}

bool CreatePrivateFolders(std::string_view path, std::string& problem) {
  std::string folder(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty() || IsFolder(folder)) return true;
  // The missing folders, outermost first.
  std::size_t from = folder.find('/', folder.front() == '/' ? 1 : 0);
  for (;;) {
    const std::string part = folder.substr(0, from);
    if (!IsFolder(part)) {
      if (mkdir(part.c_str(), 0700) == 0) {
        // mkdir applies the umask; a mask such as 0277 would leave even us
        // unable to write.
        chmod(part.c_str(), 0700);
      } else if (errno != EEXIST) {
        problem = Because("the folder " + part + " cannot be made");
        return false;
      }
    }
    if (from == std::string::npos) return true;
    from = folder.find('/', from + 1);
  }
}

}  // namespace pavane::os
