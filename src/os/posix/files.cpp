#include "os/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "os/posix/private_folder.h"
#include "os/unicode.h"

namespace pavane::os {
namespace {

FileError ErrorFromErrno(int code) {
  switch (code) {
    case ENOENT:
      return {53, "File not found"};
    case ENOTDIR:
      return {76, "Path not found"};
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return {70, "Permission denied"};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return {61, "Disk full"};
    case EIO:
      return {57, "Device I/O error"};
    case EMFILE:
    case ENFILE:
      return {67, "Too many files"};
    case ENAMETOOLONG:
      return {52, "Bad file name or number"};
    case ENOMEM:
      return {7, "Out of memory"};
    default:
      return {75, std::string("Path/File access error (") + std::strerror(code) + ")"};
  }
}

std::string ToString(std::string_view text) {
  return std::string(text);
}

bool StatPath(const std::string& path, struct stat& info) {
  return ::stat(path.c_str(), &info) == 0;
}

bool PathExistsExactly(const std::string& path) {
  struct stat info;
  return StatPath(path, info);
}

// The entry of `folder` to use for `name` when `name` itself is not there.
std::optional<std::string> MatchInFolder(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) {
    return std::nullopt;
  }
  const std::string wanted = LowerCaseUtf8(name);
  std::vector<std::string> matches;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (candidate != "." && candidate != ".." && LowerCaseUtf8(candidate) == wanted) {
      matches.push_back(candidate);
    }
  }
  ::closedir(dir);
  if (matches.empty()) {
    return std::nullopt;
  }
  // readdir order depends on the file system; sorting keeps the choice stable.
  return *std::min_element(matches.begin(), matches.end());
}

std::string Append(const std::string& base, std::string_view component) {
  if (base.empty() || base.back() == '/') {
    return base + std::string(component);
  }
  return base + "/" + std::string(component);
}

bool CloseChecked(int fd) {
  return ::close(fd) == 0 || errno == EINTR;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::pair<std::string, std::string> SplitFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return {"", path};
  }
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The file that saving to `path` must replace: the end of its chain of
// symbolic links (which need not exist yet), so that a link stays a link.
// False with `failure` set for a loop or an unreadable link.
bool FollowLinks(std::string& path, int& failure) {
  // As many links as the kernel follows in one path.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
      failure = length < 0 ? errno : ENAMETOOLONG;
      return false;
    }
    const std::string link(buffer, static_cast<std::size_t>(length));
    path = !link.empty() && link.front() == '/' ? link : SplitFolder(path).first + link;
  }
  failure = ELOOP;
  return false;
}

}  // namespace

std::optional<std::string> ResolvePath(std::string_view path) {
  if (path.empty()) {
    return std::nullopt;
  }
  std::string exact = ToString(path);
  if (PathExistsExactly(exact)) {
    return exact;
  }
  std::string resolved = path.front() == '/' ? "/" : "";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) {
      end = path.size();
    }
    const std::string_view component = path.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".") {
      continue;
    }
    std::string next = Append(resolved, component);
    if (component != ".." && !PathExistsExactly(next)) {
      const std::optional<std::string> match = MatchInFolder(resolved, std::string(component));
      if (!match) {
        return std::nullopt;
      }
      next = Append(resolved, *match);
    }
    resolved = std::move(next);
  }
  if (!PathExistsExactly(resolved.empty() ? "." : resolved)) {
    return std::nullopt;
  }
  if (path.back() == '/' && !resolved.empty() && resolved.back() != '/') {
    resolved.push_back('/');
  }
  return resolved;
}

bool FileExists(std::string_view path) {
  return ResolvePath(path).has_value();
}

bool IsFolder(std::string_view path) {
  const std::optional<std::string> resolved = ResolvePath(path);
  struct stat info;
  return resolved && StatPath(*resolved, info) && S_ISDIR(info.st_mode);
}

std::optional<std::chrono::system_clock::time_point> LastModified(std::string_view path) {
  const std::optional<std::string> resolved = ResolvePath(path);
  struct stat info;
  if (!resolved || !StatPath(*resolved, info)) {
    return std::nullopt;
  }
  const auto sinceEpoch =
      std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
}

bool ReadFileBytes(std::string_view path, std::uint64_t maxBytes, std::string& bytes,
                   FileError& error) {
  bytes.clear();
  error = {};
  const std::optional<std::string> resolved = ResolvePath(path);
  if (!resolved) {
    error = ErrorFromErrno(ENOENT);
    return false;
  }
  const int fd = ::open(resolved->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = ErrorFromErrno(errno);
    return false;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    error = ErrorFromErrno(errno);
    ::close(fd);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = {75, "Path/File access error"};
    ::close(fd);
    return false;
  }
  const FileError tooLarge{7, "File is larger than " + std::to_string(maxBytes) + " bytes"};
  if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    error = tooLarge;
    ::close(fd);
    return false;
  }
  // The size from fstat is only a hint: the file may grow while we read, and
  // special files report none, so the cap is enforced on what arrives.
  if (S_ISREG(info.st_mode)) {
    bytes.reserve(static_cast<std::size_t>(info.st_size));
  }
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      error = ErrorFromErrno(errno);
      break;
    }
    if (got == 0) {
      break;
    }
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
      error = tooLarge;
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (error.number != 0) {
    bytes.clear();
    return false;
  }
  return true;
}

bool WriteFileAtomically(std::string_view path, std::string_view bytes, FileError& error) {
  error = {};
  std::string target;
  if (const std::optional<std::string> existing = ResolvePath(path)) {
    target = *existing;
  } else {
    auto [folder, name] = SplitFolder(ToString(path));
    if (name.empty()) {
      error = ErrorFromErrno(EISDIR);
      return false;
    }
    if (!folder.empty()) {
      const std::optional<std::string> resolvedFolder = ResolvePath(folder);
      if (!resolvedFolder) {
        error = ErrorFromErrno(ENOTDIR);
        return false;
      }
      folder = *resolvedFolder;
      if (folder.back() != '/') {
        folder.push_back('/');
      }
    }
    target = folder + name;
  }
  if (int failure = 0; !FollowLinks(target, failure)) {
    error = ErrorFromErrno(failure);
    return false;
  }

  struct stat targetInfo;
  const bool hadTarget = StatPath(target, targetInfo);
  if (hadTarget && S_ISDIR(targetInfo.st_mode)) {
    error = {75, "Path/File access error"};
    return false;
  }

  // The temporary file must sit in the target's folder: rename is only atomic
  // within one file system.
  const auto [folder, name] = SplitFolder(target);
  static std::atomic<unsigned> counter{0};
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + "." + name + ".tmp-" + std::to_string(::getpid()) + "-" +
                std::to_string(counter.fetch_add(1));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      break;
    }
  }
  if (fd < 0) {
    error = ErrorFromErrno(errno);
    return false;
  }

  bool ok = WriteAll(fd, bytes);
  if (ok && hadTarget) {
    // Keep the permissions someone gave the file they had.
    ok = ::fchmod(fd, targetInfo.st_mode & 07777) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  int failure = ok ? 0 : errno;
  if (!CloseChecked(fd) && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    error = ErrorFromErrno(failure);
    return false;
  }
  // Make the rename itself durable; the data is already safe, so a failure
  // here is not worth failing the save for.
  const int folderFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
  return true;
}

std::optional<std::string> UserTemporaryFolder(std::string& problem) {
  std::string folder;
  const int fd = OpenUserTemporaryFolder(folder, problem);
  if (fd < 0) return std::nullopt;
  ::close(fd);
  return folder;
}

bool RemoveFile(std::string_view path, FileError& error) {
  error = {};
  const std::optional<std::string> resolved = ResolvePath(path);
  if (!resolved) {
    error = ErrorFromErrno(ENOENT);
    return false;
  }
  if (::unlink(resolved->c_str()) != 0) {
    error = ErrorFromErrno(errno == EISDIR ? EPERM : errno);
    return false;
  }
  return true;
}

}  // namespace pavane::os
