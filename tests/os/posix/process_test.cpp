#include "os/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <vector>

#include "os/instance_lock.h"
#include "support/elapsed.h"
#include "support/temp_dir.h"

namespace pavane::os {
namespace {

using pavane::testing::ReadBytes;
using pavane::testing::ScopedEnv;
using pavane::testing::TempDir;
using pavane::testing::WaitFor;

// A standard tool by its full path; the program under test never searches.
std::string FindTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (access((folder + "/" + name).c_str(), X_OK) == 0) return folder + "/" + name;
  }
  return {};
}

// Runs `argv` detached with its standard output going to `file`, and waits
// for the line it writes there.
std::string OutputOf(const std::vector<std::string>& argv, const std::string& file) {
  const int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int saved = dup(STDOUT_FILENO);
  std::fflush(stdout);
  dup2(out, STDOUT_FILENO);
  std::string error;
  const bool started = StartDetached(argv, error);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(out);
  EXPECT_TRUE(started) << error;
  EXPECT_TRUE(WaitFor([&] { return ReadBytes(file).ends_with('\n'); }));
  return ReadBytes(file);
}

// The exit code of a forked copy of this test that tries the lock.
int TryLockInOtherProcess(const std::string& name) {
  const pid_t child = fork();
  if (child == 0) _exit(InstanceLock::TryAcquire(name) ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A copy of ours holds the lock while it starts other programs: they run in a
// session of their own with nothing to read, are not our children and do not
// keep the lock. Without XDG_RUNTIME_DIR the lock goes into a folder of the
// user's own in the shared temporary folder (made private: the temporary
// folder's test).
TEST(ProcessTest, TheInstanceLockAndTheProgramsStartedWhileItIsHeld) {
  const std::string cat = FindTool("cat");
  const std::string readlink = FindTool("readlink");
  const std::string sleep = FindTool("sleep");
  if (cat.empty() || readlink.empty() || sleep.empty()) GTEST_SKIP() << "no cat, readlink, sleep";
  TempDir dir;
  chmod(dir.path().c_str(), 01777);  // shared, as /tmp
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  ScopedEnv temp("Temp", nullptr);
  ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  auto lock = InstanceLock::TryAcquire("a/../b");
  ASSERT_NE(lock, nullptr);
  EXPECT_TRUE(lock->held());
  EXPECT_EQ(lock->path(), dir.File("pavane-" + std::to_string(geteuid())) + "/pavane-a_.._b.lock")
      << "the name cannot leave the folder";
  EXPECT_EQ(TryLockInOtherProcess("a/../b"), 1) << "another running copy";
  EXPECT_EQ(InstanceLock::TryAcquire("a/../b"), nullptr) << "also within one process";
  EXPECT_EQ(TryLockInOtherProcess("other"), 0) << "another name is another lock";

  EXPECT_EQ(OutputOf({readlink, "/proc/self/fd/0"}, dir.File("stdin")), "/dev/null\n");
  // pid (comm) state ppid pgrp session ...
  const std::string stat = OutputOf({cat, "/proc/self/stat"}, dir.File("stat"));
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  char state = 0;
  long parent = 0, group = 0, session = 0;
  fields >> state >> parent >> group >> session;
  EXPECT_NE(parent, getpid()) << "not our child";
  EXPECT_NE(session, getsid(0)) << "a session of its own";
  EXPECT_EQ(group, session);
  std::string error;
  EXPECT_TRUE(StartDetached({sleep, "3"}, error)) << error;
  lock.reset();
  EXPECT_EQ(TryLockInOtherProcess("a/../b"), 0) << "free again after release";

  // Failures come back as an error, not as a started program.
  EXPECT_FALSE(StartDetached({}, error));
  EXPECT_FALSE(error.empty()) << "no program";
  EXPECT_FALSE(StartDetached({dir.File("missing.exe"), "x"}, error));
  EXPECT_NE(error.find("missing.exe"), std::string::npos) << error;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child of ours is left to reap";
  EXPECT_EQ(errno, ECHILD);
}

// What another local user can plant where the lock would go, or a lock file
// that cannot be used. None of it may end the run as "another copy"; the run
// goes on without the lock.
TEST(InstanceLockTest, RefusesWhatItCannotTrust) {
  namespace fs = std::filesystem;
  const std::string own = "/pavane-" + std::to_string(geteuid());
  const std::string lockFile = "/pavane-PV.lock";
  // A plant gives 0 once done; only root can give a file to another user,
  // elsewhere those rows are left out.
  const auto others = [](const std::string& path) { return chown(path.c_str(), 65534, 65534); };
  const struct {
    const char* what;
    bool runtimeDir;  // the lock goes into XDG_RUNTIME_DIR, else into the shared folder
    std::function<int(const std::string& dir)> plant;
  } cases[] = {
      {"our folder name is a link to another folder", false,
       [&](const std::string& dir) {
         return mkdir((dir + "/elsewhere").c_str(), 0700) |
                symlink("elsewhere", (dir + own).c_str());
       }},
      {"our folder name is a folder of another user", false,
       [&](const std::string& dir) {
         return mkdir((dir + own).c_str(), 0700) | others(dir + own);
       }},
      {"the lock file belongs to another user", true,
       [&](const std::string& dir) {
         return close(open((dir + lockFile).c_str(), O_CREAT | O_WRONLY, 0644)) |
                others(dir + lockFile);
       }},
      {"the lock file is a folder", true,
       [&](const std::string& dir) { return mkdir((dir + lockFile).c_str(), 0700); }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    TempDir dir;
    if (test.plant(dir.path().string()) != 0) continue;
    if (!test.runtimeDir) chmod(dir.path().c_str(), 01777);  // shared, as /tmp
    ScopedEnv runtime("XDG_RUNTIME_DIR", test.runtimeDir ? dir.path().c_str() : nullptr);
    ScopedEnv temp("Temp", nullptr);
    ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
    auto lock = InstanceLock::TryAcquire("PV");
    ASSERT_NE(lock, nullptr) << "not taken for another running copy";
    EXPECT_FALSE(lock->held());
    EXPECT_FALSE(lock->problem().empty());
    EXPECT_FALSE(fs::exists(dir.File("elsewhere/pavane-PV.lock")));
  }
}

}  // namespace
}  // namespace pavane::os
