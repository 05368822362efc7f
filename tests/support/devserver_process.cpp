#include "support/devserver_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/elapsed.h"

extern char** environ;

namespace pavane::testing {
namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(3);
constexpr std::string_view kAnnouncement = "listening on http://";

// The port from "pavane-devserver listening on http://127.0.0.1:PORT\n".
int PortFromAnnouncement(const std::string& text) {
  const std::size_t at = text.find(kAnnouncement);
  const std::size_t newline = text.find('\n', at);
  if (at == std::string::npos || newline == std::string::npos) return 0;
  return std::atoi(text.substr(text.rfind(':', newline) + 1).c_str());
}

}  // namespace

DevserverProcess::DevserverProcess(const std::string& program, std::vector<std::string> extraArgs)
    : logPath_(dir_.File("requests.jsonl")) {
  std::vector<std::string> args = {program, "--port", "0", "--log", logPath_};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2 failed";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  stderrFd_ = pipeFds[0];
  if (spawned != 0) {
    pid_ = -1;
    ADD_FAILURE() << "cannot start " << program;
    return;
  }

  std::string announced;
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (port_ == 0 && std::chrono::steady_clock::now() < deadline) {
    pollfd entry{stderrFd_, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (poll(&entry, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) break;
    char buffer[256];
    const ssize_t got = read(stderrFd_, buffer, sizeof buffer);
    if (got <= 0) break;
    announced.append(buffer, static_cast<std::size_t>(got));
    port_ = PortFromAnnouncement(announced);
  }
  if (port_ <= 0) {
    port_ = 0;
    ADD_FAILURE() << "the devserver did not announce its port; it said: " << announced;
  }
}

DevserverProcess::~DevserverProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    WaitFor([&] { return (ended = waitpid(pid_, &status, WNOHANG)) != 0; }, kStopLimit);
    if (ended == 0) {
      ADD_FAILURE() << "the devserver did not stop on SIGTERM";
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    } else if (ended == pid_) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "the devserver ended badly, status " << status;
    }
  }
  if (stderrFd_ >= 0) close(stderrFd_);
}

std::string DevserverProcess::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> DevserverProcess::LogLines() const {
  // A line still being written has no newline yet and is left for later.
  const std::string text = ReadBytes(logPath_);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    if (end > start) lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::vector<std::string> DevserverProcess::WaitForLogLines(std::size_t count,
                                                           std::chrono::milliseconds limit) const {
  std::vector<std::string> lines;
  WaitFor([&] { return (lines = LogLines()).size() >= count; }, limit);
  return lines;
}

}  // namespace pavane::testing
