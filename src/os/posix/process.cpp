#include "os/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "os/files.h"

extern char** environ;

namespace pavane::os {
namespace {

// What the intermediate child or the started program tells us when it could
// not do its part; nothing arrives when the program was loaded.
struct StartFailure {
  int stage;  // kForkStage or kExecStage
  int number;
};

constexpr int kForkStage = 1;
constexpr int kExecStage = 2;

// Only async-signal-safe calls from here on: we may have other threads (the
// HTTP transfers), and after fork() only such calls are sound.
[[noreturn]] void Fail(int pipeOut, int stage) {
  const StartFailure failure{stage, errno};
  [[maybe_unused]] const ssize_t ignored = write(pipeOut, &failure, sizeof failure);
  _exit(127);
}

[[noreturn]] void RunStartedProgram(const char* path, char* const* argv, int pipeOut) {
  // Signal settings survive exec: a signal we block or ignore (SIGPIPE,
  // for one) must not be blocked or ignored in the program we start.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (int number = 1; number < NSIG; ++number) sigaction(number, &standard, nullptr);

  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0 && devNull != STDIN_FILENO) {
    dup2(devNull, STDIN_FILENO);
    close(devNull);
  }
  // Files we opened without close-on-exec must not reach the program: an
  // inherited instance lock would keep a later copy of us from running.
  // The report pipe is close-on-exec already, so it ends with the exec.
#ifdef CLOSE_RANGE_CLOEXEC
  close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
  execve(path, argv, environ);
  Fail(pipeOut, kExecStage);
}

// Reads what the children reported until every copy of the pipe is closed.
std::optional<StartFailure> ReadFailure(int pipeIn) {
  StartFailure failure{};
  std::size_t got = 0;
  auto* bytes = reinterpret_cast<char*>(&failure);
  for (;;) {
    const ssize_t count = read(pipeIn, bytes + got, sizeof failure - got);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    got += static_cast<std::size_t>(count);
    if (got == sizeof failure) break;
  }
  if (got == sizeof failure) return failure;
  return std::nullopt;
}

void WaitForChild(pid_t child) {
  // A SIGCHLD set to be ignored by someone else reaps the child for us;
  // waitpid then fails with ECHILD, which is fine.
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

std::string CurrentProgramPath() {
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

// The program is started by a short-lived intermediate child: it makes a new
// session, forks the program and exits at once. We wait for the intermediate
// child only, so the program becomes the child of init (or of a subreaper),
// which reaps it; no zombie stays with us and our SIGCHLD disposition is not
// touched. A close-on-exec pipe carries a failed fork or exec back to us;
// when the exec succeeds the pipe just closes.
bool StartDetached(const std::vector<std::string>& argv, std::string& error) {
  error.clear();
  if (argv.empty() || argv.front().empty()) {
    error = "No program to start";
    return false;
  }
  const std::optional<std::string> resolved = ResolvePath(argv.front());
  if (!resolved) {
    error = "Program not found: " + argv.front();
    return false;
  }

  // Everything the children need is prepared before fork().
  std::vector<std::string> texts(argv);
  std::vector<char*> pointers;
  pointers.reserve(texts.size() + 1);
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  const char* path = resolved->c_str();

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    error = std::string("Cannot start ") + argv.front() + ": " + std::strerror(errno);
    return false;
  }

  const pid_t child = fork();
  if (child < 0) {
    const int number = errno;
    close(report[0]);
    close(report[1]);
    error = std::string("Cannot start ") + argv.front() + ": " + std::strerror(number);
    return false;
  }
  if (child == 0) {
    close(report[0]);
    setsid();
    const pid_t program = fork();
    if (program < 0) Fail(report[1], kForkStage);
    if (program == 0) RunStartedProgram(path, pointers.data(), report[1]);
    _exit(0);
  }

  close(report[1]);
  const std::optional<StartFailure> failure = ReadFailure(report[0]);
  close(report[0]);
  WaitForChild(child);
  if (failure) {
    error = std::string("Cannot start ") + argv.front() + ": " + std::strerror(failure->number);
    return false;
  }
  return true;
}

}  // namespace pavane::os
