// "Another running copy": the newsletter screen ends the run silently when
// another copy of the program is already running. A copy holds an advisory
// lock on a file for as long as it runs; the system drops the lock when the
// holder ends, however it ends, so a crashed copy never blocks the next one.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace pavane::os {

class InstanceLock {
 public:
  // Takes the lock named `name` (file "pavane-<name>.lock" in
  // $XDG_RUNTIME_DIR, else in the folder "pavane-<user id>" of the temporary
  // folder, which is made private to the user; either folder is used only
  // when no other user may write to it). nullptr when another process holds
  // it. When the lock file cannot be made or is not the user's own, a lock
  // that holds nothing is returned and the reason goes to standard error: a
  // lone run must not be refused because the folder is unusable, nor end
  // because another user holds a file of the same name.
  static std::unique_ptr<InstanceLock> TryAcquire(std::string_view name);

  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False for the lock that holds nothing (see TryAcquire).
  bool held() const { return descriptor_ >= 0; }
  const std::string& path() const { return path_; }
  // Why the lock holds nothing; empty for a lock that is held.
  const std::string& problem() const { return problem_; }

 private:
  InstanceLock(int descriptor, std::string path, std::string problem);

  int descriptor_;
  std::string path_;
  std::string problem_;
};

}  // namespace pavane::os
