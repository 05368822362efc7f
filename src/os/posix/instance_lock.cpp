#include "os/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pavane::os {
namespace {

std::string EnvFolder(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Only characters that cannot leave the folder or confuse a reader of it.
std::string SafeName(std::string_view name) {
  std::string safe;
  for (const char ch : name) {
    const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                       (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' || ch == '.';
    safe += plain ? ch : '_';
  }
  return safe;
}

std::string LockFilePath(std::string_view name) {
  const std::string fileName = "pavane-" + SafeName(name);
  std::string folder = EnvFolder("XDG_RUNTIME_DIR");
  if (IsFolder(folder)) return folder + "/" + fileName + ".lock";
  // The temporary folder is shared by every user of the machine.
  for (const char* variable : {"Temp", "TMPDIR"}) {
    folder = EnvFolder(variable);
    if (IsFolder(folder)) break;
    folder.clear();
  }
  if (folder.empty()) folder = "/tmp";
  return folder + "/" + fileName + "-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

InstanceLock::InstanceLock(int descriptor, std::string path)
    : descriptor_(descriptor), path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
  // The file stays: removing it would let a copy that opened it just before
  // lock an unlinked file while a third copy locks a fresh one.
  if (descriptor_ >= 0) close(descriptor_);
}

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(std::string_view name) {
  std::string path = LockFilePath(name);
  // Close-on-exec: a program we start must not carry our lock on; flock
  // rather than fcntl locks, because they belong to this open file and not
  // to the process, so a second lock in the same process is refused too.
  const int descriptor = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descriptor < 0) return std::unique_ptr<InstanceLock>(new InstanceLock(-1, std::move(path)));
  int result;
  do {
    result = flock(descriptor, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const bool heldElsewhere = errno == EWOULDBLOCK;
    close(descriptor);
    if (heldElsewhere) return nullptr;
    return std::unique_ptr<InstanceLock>(new InstanceLock(-1, std::move(path)));
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(descriptor, std::move(path)));
}

}  // namespace pavane::os
