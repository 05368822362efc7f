// pavane-devserver: the maker's web server in miniature, on loopback. It
// records every request as a JSON line, answers the validation service by the
// rules in answers.h and shows what it received on its own page, so a run's
// events can be watched and asserted on.
//
// One thread, one GLib loop: a slow answer is a timer, not a sleeping thread,
// and a stop signal is a source of the loop, so it is heard whenever it comes.
// No client can hold the server up or use it up: connections.h keeps each one
// within its limits.
#include <glib-unix.h>
#include <libsoup/soup.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "answers.h"
#include "connections.h"
#include "event_page.h"
#include "request_log.h"

namespace {

using pavane::devserver::Answer;
using pavane::devserver::AnswerFor;
using pavane::devserver::Connections;
using pavane::devserver::EventPage;
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
    "the marker; status500, garbage, huge (50 MB), cut, hang and redirect.example\n"
    "answer as a broken service would; any other ERR_CODE:0000.\n"
    "/qa/bytes.asp?bytes=N answers N bytes. Anything else is 404, and logged.\n"
    "\n"
    "Each connection carries one request (\"Connection: close\"), which must arrive\n"
    "whole within 3 s; an answer its client takes nothing of for 3 s is cut off.\n"
    "A request body over 1 MiB is refused with 413, a request head over 64 KiB\n"
    "with 431; each refusal is logged with a \"refused\" reason.\n";

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

template <typename T>
using GPtr = std::unique_ptr<T, decltype(&g_object_unref)>;

struct Server {
  int delayMs = 0;
  RequestLog* log = nullptr;
  Connections* connections = nullptr;
};

// The path as the pages see it: %XX decoded; a path that does not decode
// (an escaped NUL, a lone "%") stays as sent.
std::string DecodedPath(const char* path) {
  char* decoded = g_uri_unescape_string(path, nullptr);
  if (decoded == nullptr) return path;
  std::string text = decoded;
  g_free(decoded);
  return text;
}

// The request target as sent: the path, then "?" and the raw query.
std::string Target(GUri* uri) {
  std::string target = g_uri_get_path(uri);
  if (const char* rawQuery = g_uri_get_query(uri); rawQuery != nullptr) {
    target += std::string("?") + rawQuery;
  }
  return target;
}

// Gives the answer; `paused` when the message was paused for a delay.
void Deliver(const Server& server, SoupServerMessage* message, const Answer& answer, bool paused) {
  using Delivery = Answer::Delivery;
  if (answer.delivery == Delivery::kNever) {
    server.connections->Hold(message, std::nullopt, nullptr);
    return;
  }
  if (answer.delivery == Delivery::kCut) {
    // The headers of an answer of 4 KiB and what there is of its body.
    if (paused) soup_server_message_unpause(message);
    server.connections->Cut(message, "HTTP/1.1 " + std::to_string(answer.status) +
                                         " OK\r\nContent-Type: " + answer.contentType +
                                         "\r\nContent-Length: 4096\r\nConnection: close\r\n\r\n" +
                                         answer.body);
    return;
  }
  if (answer.delivery == Delivery::kRedirect) {
    GUri* uri = soup_server_message_get_uri(message);
    const std::string to = "http://localhost:" + std::to_string(g_uri_get_port(uri)) + answer.body;
    soup_server_message_set_redirect(message, 302, to.c_str());
  } else {
    soup_server_message_set_status(message, static_cast<guint>(answer.status), nullptr);
    soup_server_message_set_response(message, answer.contentType.c_str(), SOUP_MEMORY_COPY,
                                     answer.body.data(), answer.body.size());
  }
  if (paused) soup_server_message_unpause(message);
}

void OnRequest(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer data) {
  const Server& server = *static_cast<Server*>(data);
  GUri* uri = soup_server_message_get_uri(message);
  const std::string path = DecodedPath(g_uri_get_path(uri));
  const std::string target = Target(uri);
  const std::string method = soup_server_message_get_method(message);

  // The event page and what a browser asks for beside it are the viewer's,
  // not a run's: logged, not shown.
  const bool viewer = path == "/" || path == "/favicon.ico";
  server.log->Record(method, path, target, !viewer);

  Answer answer;
  if (method != "GET" && method != "HEAD") {
    answer = Answer{.status = 405, .body = "Method Not Allowed"};
  } else if (path == "/") {
    answer = Answer{.contentType = "text/html; charset=utf-8",
                    .body = EventPage(server.log->Recent(), std::chrono::system_clock::now())};
  } else {
    answer = AnswerFor(path, QueryValue(target, "email"), QueryValue(target, "bytes"));
  }
  if (server.delayMs <= 0 || viewer) {
    Deliver(server, message, answer, false);
    return;
  }
  server.connections->Hold(message, std::chrono::milliseconds(server.delayMs),
                           [&server, message, answer] { Deliver(server, message, answer, true); });
}

// The log line of a request the server refused; one whose head could not be
// read has neither method nor path.
void LogRefused(RequestLog& log, SoupServerMessage* message, std::string_view why) {
  const char* method = message != nullptr ? soup_server_message_get_method(message) : nullptr;
  GUri* uri = method != nullptr ? soup_server_message_get_uri(message) : nullptr;
  if (uri == nullptr) {
    log.Record("", "", "", false, why);
  } else {
    log.Record(method, DecodedPath(g_uri_get_path(uri)), Target(uri), false, why);
  }
}

// A server left up for days meets more clients at once than a shell's
// default descriptor limit allows; the hard limit is what the system grants.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

gboolean OnStopSignal(gpointer data) {
  g_main_loop_quit(static_cast<GMainLoop*>(data));
  return G_SOURCE_CONTINUE;
}

// A listening socket on host:port (port 0: one the system picks). The
// backlog is the system's largest, as clients fire bursts of reports; the
// port is not shared with another listener (no SO_REUSEPORT), only reused
// right after an earlier server's end.
GSocket* Listen(const Options& options, int& port, std::string& error) {
  GError* failure = nullptr;
  GInetAddress* address = g_inet_address_new_from_string(options.host.c_str());
  if (address == nullptr) {
    GList* found = g_resolver_lookup_by_name(g_resolver_get_default(), options.host.c_str(),
                                             nullptr, &failure);
    if (found == nullptr) {
      error = failure->message;
      g_error_free(failure);
      return nullptr;
    }
    address = G_INET_ADDRESS(g_object_ref(found->data));
    g_resolver_free_addresses(found);
  }
  GPtr<GSocketAddress> socketAddress(
      g_inet_socket_address_new(address, static_cast<guint16>(options.port)), &g_object_unref);
  GSocket* socket = g_socket_new(g_inet_address_get_family(address), G_SOCKET_TYPE_STREAM,
                                 G_SOCKET_PROTOCOL_TCP, &failure);
  g_object_unref(address);
  if (socket != nullptr) {
    g_socket_set_listen_backlog(socket, SOMAXCONN);
    if (g_socket_bind(socket, socketAddress.get(), TRUE, &failure) &&
        g_socket_listen(socket, &failure)) {
      GPtr<GSocketAddress> local(g_socket_get_local_address(socket, &failure), &g_object_unref);
      if (local) {
        port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(local.get()));
        return socket;
      }
    }
    g_object_unref(socket);
  }
  error = failure != nullptr ? failure->message : "unknown error";
  if (failure != nullptr) g_error_free(failure);
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int code = ParseOptions(argc, argv, options); code != 0) return code < 0 ? 0 : code;
  signal(SIGPIPE, SIG_IGN);
  RaiseDescriptorLimit();

  std::ofstream logFile;
  if (!options.logFile.empty()) {
    logFile.open(options.logFile, std::ios::app);
    if (!logFile) {
      std::cerr << "pavane-devserver: cannot open log file " << options.logFile << "\n";
      return 1;
    }
  }
  RequestLog log(options.logFile.empty() ? std::cout : logFile);

  // The stop signals are the loop's before the port is announced: one that
  // comes before the loop runs is kept and ends it at its first turn.
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_unix_signal_add(SIGTERM, OnStopSignal, loop);
  g_unix_signal_add(SIGINT, OnStopSignal, loop);

  GPtr<SoupServer> server(
      SOUP_SERVER(g_object_new(SOUP_TYPE_SERVER, "server-header", "pavane-devserver", nullptr)),
      &g_object_unref);
  Connections connections(server.get(), [&log](SoupServerMessage* message, std::string_view why) {
    LogRefused(log, message, why);
  });
  Server state{options.delayMs, &log, &connections};
  soup_server_add_handler(server.get(), nullptr, OnRequest, &state, nullptr);

  int port = 0;
  std::string error;
  GError* failure = nullptr;
  GSocket* socket = Listen(options, port, error);
  if (socket != nullptr &&
      !soup_server_listen_socket(server.get(), socket, SoupServerListenOptions(0), &failure)) {
    error = failure->message;
    g_error_free(failure);
    port = 0;
  }
  if (socket != nullptr) g_object_unref(socket);
  if (port <= 0) {
    std::cerr << "pavane-devserver: cannot listen on " << options.host << ":" << options.port
              << " (" << error << ")\n";
    return 1;
  }

  std::cerr << "pavane-devserver listening on http://" << options.host << ":" << port << std::endl;
  g_main_loop_run(loop);
  soup_server_disconnect(server.get());
  g_main_loop_unref(loop);
  return 0;
}
