// The reference server as the tests and the run script start it.
#include <arpa/inet.h>
#include <errno.h>
#include <gmock/gmock.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <tuple>

#include "os/curl/curl_http_client.h"
#include "support/child_process.h"
#include "support/devserver_log.h"
#include "support/devserver_process.h"
#include "support/elapsed.h"
#include "support/temp_dir.h"

namespace pavane::testing {
namespace {

using std::chrono::seconds;
using ::testing::HasSubstr;
using ::testing::Not;

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

TEST(PavaneDevserver, EventPageGroupsRunsNewestFirstAndShowsTheNewestOnly) {
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  const std::string base = server.BaseUrl();
  Get(base + Event("Newsletter_Displayed", "A1"));
  Get(base + Event("Newsletter_Declined", "A1"));
  Get(base + "/sw/validate.asp?email=a%40b.example&language=en");
  Get(base + Event("PT_Pavane_Displayed", "B2", "&wait=%3Cscript%3Ex%3C%2Fscript%3E%FF"));
  Get(base + Event("PT_Pavane_Accepted", "B2"));

  std::string page = Get(base + "/");
  // The run heard from last comes first, its newest event at its top.
  const std::size_t others = page.find("Requests without installation facts");
  EXPECT_LT(page.find("data-aid=\"B2\""), others);
  EXPECT_LT(others, page.find("data-aid=\"A1\""));
  EXPECT_LT(page.find("data-action=\"PT_Pavane_Accepted\""),
            page.find("data-action=\"PT_Pavane_Displayed\""));
  // A summary per screen; what a client sent is shown as text, in valid UTF-8.
  for (const char* part :
       {"data-screen=\"PT_Pavane\" data-displayed=\"1\" data-accepted=\"1\" data-declined=\"0\"",
        "data-screen=\"Newsletter\" data-displayed=\"1\" data-accepted=\"0\" data-declined=\"1\"",
        "&lt;script&gt;x&lt;/script&gt;\xef\xbf\xbd", "http-equiv=\"refresh\" content=\"2\""})
    EXPECT_THAT(page, HasSubstr(part));
  EXPECT_THAT(page, Not(HasSubstr("<script>")));
  // The page's own request is logged but is no run's.
  EXPECT_EQ(server.WaitForLogLines(6, seconds(2)).size(), 6u);
  EXPECT_THAT(page, Not(HasSubstr("<td>GET /</td>")));

  for (int run = 0; run < 53; ++run)
    Get(base + Event("Newsletter_Displayed", "R" + std::to_string(run)));
  for (int i = 0; i < 107; ++i) Get(base + "/sw/validate.asp?email=a%40b.example");
  Get(base + Event("PT_Pavane_Displayed", "R52", "&wait=" + std::string(5000, 'L')));
  // 56 groups: R52, the requests without facts, R51 ... R0, B2, A1; 50 are shown.
  page = Get(base + "/");
  for (const std::string& part : {std::string("data-aid=\"R4\""), std::string(1000, 'L'),
                                  std::string("6 older groups are not shown"),
                                  std::string("8 older requests of this group are not shown")})
    EXPECT_THAT(page, HasSubstr(part));
  EXPECT_THAT(page, Not(HasSubstr("data-aid=\"R3\"")));
  EXPECT_THAT(page, Not(HasSubstr(std::string(2100, 'L')))) << "a long fact is cut short";
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
    const sockaddr_in address{
        AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    EXPECT_EQ(connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const timeval limit{5, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  ~Socket() { close(fd_); }
  Socket(const Socket&) = delete;

  // False once the server no longer takes what is sent.
  bool Send(std::string_view bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  // The start of what the server sends, waiting up to 5 s for it.
  std::string Read() {
    char start[32];
    const ssize_t got = recv(fd_, start, sizeof start, MSG_WAITALL);
    return std::string(start, static_cast<std::size_t>(std::max(got, ssize_t{0})));
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
  const std::string status = ReadBytes("/proc/" + std::to_string(pid) + "/status");
  return std::stol(status.substr(status.find("VmHWM:") + 6));
}

// One server meets bad clients of every kind in turn and keeps serving.
TEST(PavaneDevserver, NoClientHoldsItUpOrUsesItUp) {
  std::optional<Socket> leftWaiting;  // closed after the servers: they stop all the same
  DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  DevserverProcess slow(PAVANE_DEVSERVER_PROGRAM, {"--delay-ms", "600000"});
  ASSERT_TRUE(server.started() && slow.started());
  // Servers stopped the moment they have said their port; the destructor
  // fails the test when one does not end within its limit.
  for (int i = 0; i < 20; ++i) DevserverProcess(PAVANE_DEVSERVER_PROGRAM);
  const pid_t pid = server.pid();
  // A second server on the same port would take some of the requests meant
  // for the first, and its log would miss them.
  const std::string port = std::to_string(server.port());
  const auto second = RunProgram(PAVANE_DEVSERVER_PROGRAM, {"--port", port});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_THAT(second.err, HasSubstr("cannot listen on 127.0.0.1:" + port));

  const std::size_t descriptors = OpenDescriptors(pid);
  const long memoryBefore = PeakMemoryKiB(pid);
  // As under `ulimit -n 64`, which a QA shell may well have.
  const rlimit limit{64, 64};
  ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &limit, nullptr), 0);
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
  EXPECT_TRUE(WaitFor([&] { return std::ranges::all_of(silent, &Socket::Closed); }, seconds(2)));
  EXPECT_TRUE(WaitFor([&] { return OpenDescriptors(pid) <= descriptors; }, seconds(2)))
      << "every descriptor taken for them is given back";

  std::string chunks;
  for (int i = 0; i < 20; ++i) chunks += "10000\r\n" + std::string(0x10000, 'c') + "\r\n";
  // Each request, the status it gets and the path logged.
  const std::tuple<std::string, const char*, const char*> refused[] = {
      {"GET /sw/tr.asp?facts=" + std::string(4 * 1024 * 1024, 'f') + " HTTP/1.1\r\nHost: h\r\n\r\n",
       "431", ""},
      {"POST /sw/tr.asp?aid=B HTTP/1.1\r\nHost: h\r\nContent-Length: 16777216\r\n\r\n" +
           std::string(16 * 1024 * 1024, 'b'),
       "413", "/sw/tr.asp"},
      {"POST /sw/chunks.asp HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n" + chunks +
           "0\r\n\r\n",
       "413", "/sw/chunks.asp"},
      // 300 MB announced, waiting for a go-ahead
      {"POST /sw/big.asp HTTP/1.1\r\nHost: h\r\nContent-Length: 300000000\r\n"
       "Expect: 100-continue\r\n\r\n",
       "413", "/sw/big.asp"},
  };
  std::size_t lines = server.LogLines().size();
  for (const auto& [request, status, path] : refused) {
    SCOPED_TRACE(path);
    Socket client(server.port());
    EXPECT_TRUE(client.Send(request)) << "the server reads on, whatever it refused";
    const auto logged = ParseLoggedRequests(server.WaitForLogLines(++lines, seconds(2)));
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
  EXPECT_LT(kSanitized ? 0 : PeakMemoryKiB(pid) - memoryBefore, 8 * 1024) << "no body is kept";

  // An answer that never comes, and one 10 minutes late, end when their
  // client goes away.
  const std::string hang =
      "GET /ol/validate.asp?email=a%40hang.example HTTP/1.1\r\nHost: h\r\n\r\n";
  for (const DevserverProcess* held : {&server, &slow}) {
    const std::size_t before = OpenDescriptors(held->pid()), heard = held->LogLines().size() + 1;
    {
      Socket client(held->port());
      client.Send(hang);
      ASSERT_EQ(held->WaitForLogLines(heard, seconds(2)).size(), heard);
      EXPECT_GT(OpenDescriptors(held->pid()), before);
    }
    EXPECT_TRUE(WaitFor([&] { return OpenDescriptors(held->pid()) <= before; }, seconds(2)));
  }
  leftWaiting.emplace(server.port());
  leftWaiting->Send(hang);
  EXPECT_EQ(server.WaitForLogLines(lines + 2, seconds(2)).size(), lines + 2);
}

}  // namespace
}  // namespace pavane::testing
