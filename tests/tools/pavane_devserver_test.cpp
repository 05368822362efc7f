// The reference server as the tests and the run script start it.
#include <arpa/inet.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <thread>

#include "os/curl/curl_http_client.h"
#include "support/child_process.h"
#include "support/devserver_log.h"
#include "support/devserver_process.h"
#include "support/elapsed.h"

namespace pavane::testing {
namespace {

TEST(PavaneDevserver, ATakenPortIsRefusedNotShared) {
  DevserverProcess first(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(first.started());
  // A second server on the same port would take some of the requests
  // meant for the first, and its log would miss them.
  const auto second =
      RunProgram(PAVANE_DEVSERVER_PROGRAM, {"--port", std::to_string(first.port())});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("cannot listen on 127.0.0.1:" + std::to_string(first.port())),
            std::string::npos)
      << second.err;
}

TEST(PavaneDevserver, StopsOnASignalThatComesRightAfterItsAnnouncement) {
  // Each server is stopped the moment it has said its port; the destructor
  // fails the test when one does not end within its limit.
  for (int i = 0; i < 20; ++i) DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
}

std::string Get(const std::string& url) {
  os::CurlHttpClient client;
  const auto answer = client.Get(url, {});
  EXPECT_TRUE(answer.completed) << url << ": " << answer.error;
  return answer.body;
}

std::string Event(const std::string& action, const std::string& aid, const std::string& more = "") {
  return "/sw/tr.asp?source=Installer&application=SW&action=" + action + "&aid=" + aid +
         "&installdate=2026-12-01" + more + "&pc=QARVELM5039";
}

TEST(PavaneDevserver, EventPageGroupsRunsNewestFirstWithASummaryPerScreen) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  const std::string base = server.BaseUrl();
  // Five facts of 255 characters, as a setup may leave them, percent-encoded.
  std::string longFacts;
  for (const char* key :
       {"pid", "installer", "referrerapplication", "referrerinstaller", "trigger"})
    longFacts += std::string("&") + key + "=" + std::string(255 * 3, 'E') + "%C3%A9";
  Get(base + Event("Newsletter_Displayed", "A1"));
  Get(base + Event("Newsletter_Declined", "A1"));
  Get(base + "/sw/validate.asp?email=a%40b.example&language=en");
  Get(base + Event("PT_Pavane_Displayed", "B2", "&wait=%3Cscript%3Ex%3C%2Fscript%3E%FF"));
  Get(base + Event("PT_Pavane_Accepted", "B2", longFacts));

  const auto logged = ParseLoggedRequests(server.WaitForLogLines(5, std::chrono::seconds(2)));
  ASSERT_EQ(logged.size(), 5u);
  EXPECT_EQ(logged[4].Value("trigger"), std::string(255 * 3, 'E') + "\xc3\xa9");

  const std::string page = Get(base + "/");
  // The run heard from last comes first, its newest event at its top.
  const std::size_t others = page.find("Requests without installation facts");
  EXPECT_LT(page.find("data-aid=\"B2\""), others);
  EXPECT_LT(others, page.find("data-aid=\"A1\""));
  EXPECT_LT(page.find("data-action=\"PT_Pavane_Accepted\""),
            page.find("data-action=\"PT_Pavane_Displayed\""));
  EXPECT_LT(page.find("data-action=\"Newsletter_Declined\""),
            page.find("data-action=\"Newsletter_Displayed\""));

  // A summary per screen; what a client sent is shown as text, in valid UTF-8.
  for (const char* part :
       {"data-aid=\"A1\"",
        "data-screen=\"PT_Pavane\" data-displayed=\"1\" data-accepted=\"1\" data-declined=\"0\"",
        "data-screen=\"Newsletter\" data-displayed=\"1\" data-accepted=\"0\" data-declined=\"1\"",
        "&lt;script&gt;x&lt;/script&gt;\xef\xbf\xbd", "http-equiv=\"refresh\" content=\"2\""})
    EXPECT_NE(page.find(part), std::string::npos) << part;
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  // The page's own request is logged but is no run's.
  EXPECT_EQ(server.WaitForLogLines(6, std::chrono::seconds(2)).size(), 6u);
  EXPECT_EQ(page.find("<td>GET /</td>"), std::string::npos);
}

// GCC says so with a macro, Clang with a feature.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// A connection of the test's own, for what no HTTP client sends.
class Socket {
 public:
  explicit Socket(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  ~Socket() { close(fd_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // False once the server no longer takes what is sent.
  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }
  // What the server sends until it closes the connection or stays silent for 5 s.
  std::string Read() {
    const timeval limit{5, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = recv(fd_, buffer, sizeof buffer, 0)) > 0;)
      text.append(buffer, static_cast<std::size_t>(got));
    return text;
  }
  // The server has closed its end (looked at without waiting).
  bool Closed() {
    char byte = 0;
    const ssize_t got = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN);
  }

 private:
  int fd_;
};

std::size_t OpenDescriptors(pid_t pid) {
  const auto entries = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd");
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// The most memory the process has used so far, in KiB.
long PeakMemoryKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  return -1;
}

TEST(PavaneDevserver, IdleAndTricklingClientsNeitherUseUpDescriptorsNorStay) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  const std::size_t descriptors = OpenDescriptors(server.pid());
  // As under `ulimit -n 64`, which a QA shell may well have.
  const rlimit limit{64, 64};
  ASSERT_EQ(prlimit(server.pid(), RLIMIT_NOFILE, &limit, nullptr), 0);

  std::deque<Socket> silent;
  for (int i = 0; i < 100; ++i) silent.emplace_back(server.port());
  EXPECT_EQ(Get(server.BaseUrl() + "/sw/tr.asp?action=After_Displayed"), "OK");

  // A byte every 200 ms: never silent, never a whole request.
  const auto start = Clock::now();
  Socket trickle(server.port());
  bool cut = false;
  for (std::string_view part = "GET /sw/tr.asp?slow="; !cut && SecondsSince(start) < 8;
       part = "x") {
    cut = !trickle.Send(part) || trickle.Closed();
    if (!cut) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_TRUE(cut);
  EXPECT_GT(SecondsSince(start), 2.5) << "cut off by the request's time limit, not before";

  EXPECT_TRUE(WaitFor([&] { return std::ranges::all_of(silent, &Socket::Closed); },
                      std::chrono::seconds(2)));
  EXPECT_TRUE(WaitFor([&] { return OpenDescriptors(server.pid()) <= descriptors; },
                      std::chrono::seconds(2)))
      << "every descriptor taken for them is given back";
}

TEST(PavaneDevserver, OverLongHeadsAndBodiesAreAnsweredAndLoggedAsRefused) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  const long memoryBefore = PeakMemoryKiB(server.pid());
  std::string chunks;
  for (int i = 0; i < 20; ++i) chunks += "10000\r\n" + std::string(0x10000, 'c') + "\r\n";
  const struct {
    const char* name;
    std::string request;
    const char* status;
    const char* path;  // as logged
  } cases[] = {
      {"a head of 4 MiB",
       "GET /sw/tr.asp?facts=" + std::string(4 * 1024 * 1024, 'f') + " HTTP/1.1\r\nHost: h\r\n\r\n",
       "431", ""},
      {"16 MiB of body",
       "POST /sw/tr.asp?aid=B HTTP/1.1\r\nHost: h\r\nContent-Length: 16777216\r\n\r\n" +
           std::string(16 * 1024 * 1024, 'b'),
       "413", "/sw/tr.asp"},
      {"1.25 MiB of chunks",
       "POST /sw/chunks.asp HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n" + chunks +
           "0\r\n\r\n",
       "413", "/sw/chunks.asp"},
      {"300 MB announced, waiting for a go-ahead",
       "POST /sw/big.asp HTTP/1.1\r\nHost: h\r\nContent-Length: 300000000\r\n"
       "Expect: 100-continue\r\n\r\n",
       "413", "/sw/big.asp"},
  };
  std::size_t lines = 0;
  for (const auto& [name, request, status, path] : cases) {
    SCOPED_TRACE(name);
    Socket client(server.port());
    EXPECT_TRUE(client.Send(request)) << "the server reads on, whatever it refused";
    const auto logged =
        ParseLoggedRequests(server.WaitForLogLines(++lines, std::chrono::seconds(2)));
    ASSERT_EQ(logged.size(), lines);
    EXPECT_EQ(logged.back().refused.rfind(status, 0), 0u) << logged.back().refused;
    EXPECT_EQ(logged.back().path, path);
    // Read only now, the server done with the request: its answer waits
    // unread while the server reads what the client sent on.
    const std::string answer = client.Read();
    EXPECT_EQ(answer.rfind("HTTP/1.1 " + std::string(status) + " ", 0), 0u)
        << answer.substr(0, 200);
  }
  // AddressSanitizer sets freed memory aside for a while: the peak then says
  // nothing of what the server keeps.
  if (!kSanitized) {
    EXPECT_LT(PeakMemoryKiB(server.pid()) - memoryBefore, 8 * 1024) << "no body is kept";
  }
}

TEST(PavaneDevserver, AnAnswerThatWaitsEndsWhenItsClientGoesAway) {
  std::optional<Socket> leftWaiting;  // closed after the servers: they stop all the same
  DevserverProcess plain(PAVANE_DEVSERVER_PROGRAM);
  DevserverProcess slow(PAVANE_DEVSERVER_PROGRAM, {"--delay-ms", "600000"});
  ASSERT_TRUE(plain.started());
  ASSERT_TRUE(slow.started());
  const std::string hang =
      "GET /ol/validate.asp?email=a%40hang.example HTTP/1.1\r\nHost: h\r\n\r\n";
  const struct {
    const char* name;
    const DevserverProcess& server;
    std::string request;
  } cases[] = {
      {"an answer that never comes", plain, hang},
      {"an answer 10 minutes late", slow, "GET /sw/tr.asp HTTP/1.1\r\nHost: h\r\n\r\n"},
  };
  for (const auto& [name, server, request] : cases) {
    SCOPED_TRACE(name);
    const std::size_t descriptors = OpenDescriptors(server.pid());
    {
      Socket client(server.port());
      client.Send(request);
      ASSERT_EQ(server.WaitForLogLines(1, std::chrono::seconds(2)).size(), 1u);
      EXPECT_GT(OpenDescriptors(server.pid()), descriptors);
    }
    const pid_t pid = server.pid();  // a lambda may not name a structured binding (clang 14)
    EXPECT_TRUE(
        WaitFor([&] { return OpenDescriptors(pid) <= descriptors; }, std::chrono::seconds(2)));
  }
  leftWaiting.emplace(plain.port());
  leftWaiting->Send(hang);
  EXPECT_EQ(plain.WaitForLogLines(2, std::chrono::seconds(2)).size(), 2u);
}

TEST(PavaneDevserver, EventPageShowsTheNewestRunsAndRequestsAndSaysWhatItLeavesOut) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  const std::string base = server.BaseUrl();
  os::CurlHttpClient client;
  for (int run = 0; run < 53; ++run)
    client.Get(base + Event("Newsletter_Displayed", "R" + std::to_string(run)), {});
  for (int i = 0; i < 107; ++i) client.Get(base + "/sw/validate.asp?email=a%40b.example", {});
  Get(base + Event("PT_Pavane_Displayed", "R52", "&wait=" + std::string(5000, 'L')));

  // 54 groups: R52, the requests without facts, R51 ... R0.
  const std::string page = Get(base + "/");
  const std::regex section("<section class=\"run\"");
  EXPECT_EQ(std::distance(std::sregex_iterator(page.begin(), page.end(), section), {}), 50);
  for (const std::string& part : {std::string("data-aid=\"R4\""), std::string(1000, 'L'),
                                  std::string("4 older groups are not shown"),
                                  std::string("7 older requests of this group are not shown")})
    EXPECT_NE(page.find(part), std::string::npos) << part;
  EXPECT_EQ(page.find("data-aid=\"R3\""), std::string::npos);
  EXPECT_EQ(page.find(std::string(2100, 'L')), std::string::npos) << "a long fact is cut short";
}

}  // namespace
}  // namespace pavane::testing
