#include "os/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "os/posix/private_folder.h"

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

// Closes the descriptor it holds when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Where the lock files live: $XDG_RUNTIME_DIR, which is private to the user,
// else the user's own folder of the temporary folder, which every user of the
// machine shares. `folder` gets its path.
int OpenLockFolder(std::string& folder, std::string& problem) {
  folder = EnvFolder("XDG_RUNTIME_DIR");
  if (IsFolder(folder)) {
    const int fd = OpenPrivateFolder(folder, problem);
    if (fd >= 0) return fd;
  }
  return OpenUserTemporaryFolder(folder, problem);
}

}  // namespace

InstanceLock::InstanceLock(int descriptor, std::string path, std::string problem)
    : descriptor_(descriptor), path_(std::move(path)), problem_(std::move(problem)) {
  if (!problem_.empty()) {
    std::fprintf(stderr, "pavane: %s; the run goes on without checking for another running copy\n",
                 problem_.c_str());
  }
}

InstanceLock::~InstanceLock() {
  // The file stays: removing it would let a copy that opened it just before
  // lock an unlinked file while a third copy locks a fresh one.
  if (descriptor_ >= 0) close(descriptor_);
}

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(std::string_view name) {
  const std::string fileName = "pavane-" + SafeName(name) + ".lock";
  std::string folder;
  std::string problem;
  const Descriptor folderFd(OpenLockFolder(folder, problem));
  std::string path = folder + "/" + fileName;
  const auto holdingNothing = [&](std::string why) {
    return std::unique_ptr<InstanceLock>(new InstanceLock(-1, path, std::move(why)));
  };
  if (folderFd.get() < 0) return holdingNothing(problem);
  // Close-on-exec: a program we start must not carry our lock on; flock
  // rather than fcntl locks, because they belong to this open file and not
  // to the process, so a second lock in the same process is refused too.
  Descriptor file(openat(folderFd.get(), fileName.c_str(),
                         O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
  if (file.get() < 0) {
    return holdingNothing("the lock file " + path + " cannot be opened (" + std::strerror(errno) +
                          ")");
  }
  struct stat info {};
  if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
    // Someone else's file: holding it could let them end every run of ours.
    return holdingNothing("the lock file " + path + " belongs to another user");
  }
  int result;
  do {
    result = flock(file.get(), LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    if (errno == EWOULDBLOCK) return nullptr;
    return holdingNothing("the lock file " + path + " cannot be locked (" + std::strerror(errno) +
                          ")");
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(file.release(), std::move(path), {}));
}

}  // namespace pavane::os
