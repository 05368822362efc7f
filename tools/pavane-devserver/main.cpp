// pavane-devserver: the maker's web server in miniature, on loopback. It
// records every request as a JSON line and answers the validation service by
// the rules in answers.h, so a run's events can be watched and asserted on.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "answers.h"
#include "request_log.h"

namespace {

using pavane::devserver::AnswerFor;
using pavane::devserver::RequestLog;
using pavane::devserver::SplitQuery;

constexpr const char* kUsage =
    "Usage: pavane-devserver [--host ADDRESS] [--port N] [--delay-ms N] [--log FILE]\n"
    "\n"
    "Stands in for the maker's web server on loopback.\n"
    "  --host ADDRESS  address to listen on (default 127.0.0.1)\n"
    "  --port N        port (default 8917; 0 picks a free one)\n"
    "  --delay-ms N    wait N milliseconds before answering each request\n"
    "  --log FILE      append one JSON line per request to FILE (default stdout)\n"
    "\n"
    "Answers \"OK\" to .../tr.asp, .../installer_email.asp, .../monitor.asp and\n"
    ".../default.asp; .../validate.asp?email=... answers by the address's domain:\n"
    "unverified.example ERR_CODE:9999, invalid.example (or no \"@\") a rejection,\n"
    "latin1.example a rejection in ISO-8859-1, nomarker.example a page without\n"
    "the marker, any other ERR_CODE:0000.\n"
    "/qa/bytes.asp?bytes=N answers N bytes. Anything else is 404, and logged.\n";

struct Options {
  std::string host = "127.0.0.1";
  int port = 8917;
  int delayMs = 0;
  std::string logFile;
};

bool ParseNumber(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

// Returns 0 to go on, otherwise the exit code (after --help or a bad option).
int ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return -1;
    }
    std::string_view value;
    const std::size_t equals = arg.find('=');
    if (equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      std::cerr << "pavane-devserver: " << arg << " needs a value\n" << kUsage;
      return 2;
    }
    bool good = true;
    if (arg == "--host") {
      options.host = value;
    } else if (arg == "--port") {
      good = ParseNumber(value, options.port) && options.port <= 65535;
    } else if (arg == "--delay-ms") {
      good = ParseNumber(value, options.delayMs);
    } else if (arg == "--log") {
      options.logFile = value;
    } else {
      std::cerr << "pavane-devserver: unknown option " << arg << "\n" << kUsage;
      return 2;
    }
    if (!good) {
      std::cerr << "pavane-devserver: bad value for " << arg << ": " << value << "\n";
      return 2;
    }
  }
  return 0;
}

std::string QueryValue(std::string_view target, std::string_view wanted) {
  const std::size_t question = target.find('?');
  if (question == std::string_view::npos) return {};
  for (auto& [key, value] : SplitQuery(target.substr(question + 1))) {
    if (key == wanted) return value;
  }
  return {};
}

// A slow server's wait, cut short when the server is told to stop so that
// shutdown does not hang behind sleeping requests.
class Delay {
 public:
  explicit Delay(int ms) : ms_(ms) {}
  void Wait() {
    if (ms_ <= 0) return;
    std::unique_lock lock(mutex_);
    stopped_.wait_for(lock, std::chrono::milliseconds(ms_), [this] { return stopping_; });
  }
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    stopped_.notify_all();
  }

 private:
  int ms_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int code = ParseOptions(argc, argv, options); code != 0) return code < 0 ? 0 : code;

  // Signals go to one thread that stops the server; block them before any
  // other thread exists so that none of the server's threads takes them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::ofstream logFile;
  if (!options.logFile.empty()) {
    logFile.open(options.logFile, std::ios::app);
    if (!logFile) {
      std::cerr << "pavane-devserver: cannot open log file " << options.logFile << "\n";
      return 1;
    }
  }
  RequestLog log(options.logFile.empty() ? std::cout : logFile);
  Delay delay(options.delayMs);

  httplib::Server server;
  // Clients fire many short requests at once; one request per connection and
  // a generous pool keep an idle keep-alive connection from holding a thread.
  server.new_task_queue = [] { return new httplib::ThreadPool(32); };
  server.set_keep_alive_max_count(1);
  // httplib listens with a backlog of 5; a burst of reports overflows it and
  // the dropped connections come back only after a one-second SYN retry. Keep
  // the socket so its backlog can be raised once it listens.
  // httplib's own options share the port with any other listener
  // (SO_REUSEPORT), so a second server would quietly take half the requests;
  // only a quick restart after the last one is allowed here.
  int listenSocket = -1;
  server.set_socket_options([&listenSocket](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listenSocket = socket;
  });
  server.set_pre_routing_handler([&](const httplib::Request& request, httplib::Response&) {
    log.Record(request.method, request.path, request.target);
    delay.Wait();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.Get(".*", [](const httplib::Request& request, httplib::Response& response) {
    const auto answer = AnswerFor(request.path, QueryValue(request.target, "email"),
                                  QueryValue(request.target, "bytes"));
    response.status = answer.status;
    response.set_content(answer.body, answer.contentType.c_str());
  });

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.host);
  } else if (!server.bind_to_port(options.host, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "pavane-devserver: cannot listen on " << options.host << ":" << options.port
              << "\n";
    return 1;
  }
  if (listenSocket >= 0) listen(listenSocket, SOMAXCONN);

  std::atomic<bool> signalled{false};
  std::thread signalThread([&] {
    int received = 0;
    sigwait(&stopSignals, &received);
    signalled = true;
    delay.Stop();
    server.stop();
  });

  std::cerr << "pavane-devserver listening on http://" << options.host << ":" << port << std::endl;
  const bool listened = server.listen_after_bind();

  if (!signalled) {
    // The server ended on its own; release the signal thread from its wait.
    delay.Stop();
    pthread_kill(signalThread.native_handle(), SIGTERM);
  }
  signalThread.join();
  return listened || signalled ? 0 : 1;
}
