#include "support/devserver_process.h"

#include <gio/gio.h>
#include <gio/gunixinputstream.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <regex>

#include "support/elapsed.h"

namespace pavane::testing {

DevserverProcess::DevserverProcess(const std::string& program, std::vector<std::string> extraArgs)
    : logPath_(dir_.File("requests.jsonl")) {
  std::vector<std::string> args = {program, "--port", "0", "--log", logPath_};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  GError* error = nullptr;
  child_ = g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_STDERR_PIPE, &error);
  if (child_ == nullptr) {
    ADD_FAILURE() << "cannot start " << program << ": " << error->message;
    g_error_free(error);
    return;
  }
  // It announces "pavane-devserver listening on http://127.0.0.1:PORT" on
  // standard error; a server that says nothing of it within 10 s has failed.
  const int fd =
      g_unix_input_stream_get_fd(G_UNIX_INPUT_STREAM(g_subprocess_get_stderr_pipe(child_)));
  std::string announced;
  const std::regex announcement("listening on http://[^\n]*:([0-9]+)\n");
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  for (std::smatch port; port_ == 0 && Clock::now() < deadline;) {
    pollfd entry{fd, POLLIN, 0};
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    char buffer[256];
    const ssize_t got =
        poll(&entry, 1, int(left.count())) > 0 ? read(fd, buffer, sizeof buffer) : 0;
    if (got <= 0) break;
    announced.append(buffer, std::size_t(got));
    if (std::regex_search(announced, port, announcement)) port_ = std::stoi(port[1]);
  }
  if (port_ == 0)
    ADD_FAILURE() << "the devserver did not announce its port; it said: " << announced;
}

DevserverProcess::~DevserverProcess() {
  if (child_ == nullptr) return;
  g_subprocess_send_signal(child_, SIGTERM);
  if (!WaitFor([&] { return g_subprocess_get_identifier(child_) == nullptr; },
               std::chrono::seconds(3))) {
    ADD_FAILURE() << "the devserver did not stop on SIGTERM";
    g_subprocess_force_exit(child_);
    g_subprocess_wait(child_, nullptr, nullptr);
  } else {
    EXPECT_TRUE(g_subprocess_get_if_exited(child_) && g_subprocess_get_exit_status(child_) == 0)
        << "the devserver ended badly, status " << g_subprocess_get_status(child_);
  }
  g_object_unref(child_);
}

pid_t DevserverProcess::pid() const {
  const char* id = child_ ? g_subprocess_get_identifier(child_) : nullptr;
  return id ? std::atoi(id) : -1;
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
