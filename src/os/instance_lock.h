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
  // $XDG_RUNTIME_DIR, else in the temporary folder with the user id added,
  // so that users do not see each other's copies). nullptr when another
  // process holds it. When the lock file cannot be made at all, a lock that
  // holds nothing is returned: a lone run must not be refused because the
  // folder is unusable.
  static std::unique_ptr<InstanceLock> TryAcquire(std::string_view name);

  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False for the lock that holds nothing (see TryAcquire).
  bool held() const { return descriptor_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  InstanceLock(int descriptor, std::string path);

  int descriptor_;
  std::string path_;
};

}  // namespace pavane::os
