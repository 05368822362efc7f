#include "os/curl/curl_http_client.h"

#include <curl/curl.h>
#include <glib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pavane/build_config.h"

namespace pavane::os {
namespace {

// With nothing to do the worker sleeps this long between looks; a new request
// or the destructor wakes it at once, and curl shortens the wait itself when
// one of its own timers is due.
constexpr int kIdleWaitMs = 60000;
constexpr long kMaxValidationRedirects = 3;
// A Get is answered by its own deadline this long after its time-out when the
// worker has not answered it by then (curl normally answers first).
constexpr std::chrono::milliseconds kAnswerGrace{250};
// How long a report that is on the wire holds back the next one when its
// answer is late: a server that reads it has it by then, and a slow or silent
// one does not hold up the rest for long.
constexpr std::chrono::milliseconds kReportGrace{200};
// How long the destructor waits for the worker to wind up before leaving it.
constexpr std::chrono::milliseconds kStopWait{250};
// Longer charset names than this are not names iconv knows.
constexpr std::size_t kMaxCharsetName = 40;

using Clock = std::chrono::steady_clock;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string DefaultUserAgent() {
  return "Pavane/" + std::to_string(build::kVersionMajor) + "." +
         std::to_string(build::kVersionMinor) + "." + std::to_string(build::kVersionRevision);
}

// The meeting point of a synchronous Get and the worker. The caller may only
// leave once the worker is done with the hook (`released`), because the hook
// usually lives on the caller's stack.
struct SyncCall {
  std::mutex mutex;
  std::condition_variable changed;
  bool done = false;
  bool released = false;
  HttpResponse response;
  WaitHook* hook = nullptr;
  std::size_t maxBodyBytes = 0;
  std::chrono::milliseconds timeout{0};
};

struct Job {
  std::string url;
  std::shared_ptr<SyncCall> sync;  // null: fire-and-forget
};

struct Transfer {
  CURL* easy = nullptr;
  std::shared_ptr<SyncCall> sync;
  std::string body;
  bool truncated = false;
  char error[CURL_ERROR_SIZE] = {};
  // A report's request: the last bytes of it sent so far, and when it had
  // gone out whole.
  std::string sentTail;
  std::optional<Clock::time_point> sentAt;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (!transfer->sync) return bytes;  // nobody reads a fire-and-forget answer
  const std::size_t room = transfer->sync->maxBodyBytes - transfer->body.size();
  if (bytes > room) {
    // Keep what fits and abort: a server that sends more is not worth reading.
    transfer->body.append(data, room);
    transfer->truncated = true;
    return 0;
  }
  transfer->body.append(data, bytes);
  return bytes;
}

// The first answer counts: the worker's, or the deadline's when the worker is
// held up. A later one is dropped without touching the hook, which may be gone.
void Complete(SyncCall& call, HttpResponse response) {
  WaitHook* hook = nullptr;
  {
    std::lock_guard lock(call.mutex);
    if (call.done) return;
    call.response = std::move(response);
    call.done = true;
    hook = call.hook;
  }
  call.changed.notify_all();
  if (hook != nullptr) hook->Notify();
  {
    std::lock_guard lock(call.mutex);
    call.released = true;
  }
  call.changed.notify_all();
}

// Waits until `call` is answered or `deadline` has passed, and answers it
// then in the worker's place.
void AnswerByDeadline(SyncCall& call, Clock::time_point deadline) {
  {
    std::unique_lock lock(call.mutex);
    if (call.changed.wait_until(lock, deadline, [&call] { return call.done; })) return;
  }
  HttpResponse response;
  response.error = "no answer within the time-out";
  Complete(call, std::move(response));
}

// curl tells what it has sent through its debug channel, after each send.
// A GET ends with a blank line, so the request is out whole once the bytes
// sent for it end with one, even when it took more than one send. A proxy
// tunnel's CONNECT is not the request.
int WatchSending(CURL* /*easy*/, curl_infotype type, char* data, std::size_t size, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  if (transfer->sentAt || (type != CURLINFO_HEADER_OUT && type != CURLINFO_DATA_OUT)) return 0;
  const std::string_view bytes(data, size);
  if (bytes.starts_with("CONNECT ")) return 0;
  constexpr std::string_view kEnd = "\r\n\r\n";
  std::string& tail = transfer->sentTail;
  tail.append(bytes);
  if (tail.size() > kEnd.size()) tail.erase(0, tail.size() - kEnd.size());
  if (tail == kEnd) transfer->sentAt = Clock::now();
  return 0;
}

int BeforeNameLookup(void* /*resolver*/, void* /*reserved*/, void* user) {
  (*static_cast<const std::function<void()>*>(user))();
  return 0;
}

// The charset parameter of a Content-Type value, when it is a plain name.
std::string DeclaredCharset(std::string_view contentType) {
  std::string lower(contentType.substr(0, std::min<std::size_t>(contentType.size(), 1024)));
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(g_ascii_tolower(c)); });
  std::size_t at = lower.find(';');
  while (at != std::string::npos) {
    std::size_t start = lower.find_first_not_of(" \t", at + 1);
    at = lower.find(';', start);
    if (start == std::string::npos || lower.compare(start, 8, "charset=") != 0) continue;
    std::string name = lower.substr(start + 8, at == std::string::npos ? at : at - start - 8);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
      name = name.substr(1, name.size() - 2);
    }
    // Only token characters: iconv reads "//" suffixes as instructions.
    const bool plain =
        !name.empty() && name.size() <= kMaxCharsetName &&
        std::all_of(name.begin(), name.end(), [](unsigned char c) {
          return g_ascii_isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':' || c == '+';
        });
    return plain ? name : std::string();
  }
  return {};
}

std::string ValidUtf8(std::string_view bytes) {
  gchar* valid = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
  std::string text(valid);
  g_free(valid);
  return text;
}

}  // namespace

std::string AnswerText(std::string_view body, std::string_view contentType) {
  const std::string charset = DeclaredCharset(contentType);
  if (charset.empty() || charset == "utf-8" || charset == "utf8") return ValidUtf8(body);
  gsize written = 0;
  gchar* converted = g_convert(body.data(), static_cast<gssize>(body.size()), "UTF-8",
                               charset.c_str(), nullptr, &written, nullptr);
  if (converted == nullptr) return ValidUtf8(body);  // unknown charset or bytes not in it
  std::string text = ValidUtf8(std::string_view(converted, written));
  g_free(converted);
  return text;
}

// The worker's state lives as long as the worker thread needs it: the client
// and the thread share it, so a thread the destructor had to leave behind
// still finds it when it comes back.
class CurlHttpClient::Worker : public std::enable_shared_from_this<Worker> {
 public:
  explicit Worker(CurlHttpClientOptions options) : options_(std::move(options)) {
    if (options_.userAgent.empty()) options_.userAgent = DefaultUserAgent();
    InitCurlOnce();
    multi_ = curl_multi_init();
  }

  void Start() {
    thread_ = std::thread([self = shared_from_this()] { self->Loop(); });
  }

  // Tells the worker to end and waits for it at most `limit`. A worker held
  // up inside curl (a name lookup that blocks the thread that asked) is left
  // to end on its own.
  void Stop(std::chrono::milliseconds limit) {
    bool ended = false;
    {
      std::unique_lock lock(mutex_);
      stopping_ = true;
      WakeLocked();
      ended = ended_.wait_for(lock, limit, [this] { return finished_; });
    }
    if (ended) {
      thread_.join();
    } else {
      thread_.detach();
    }
  }

  void Submit(Job job) {
    {
      std::lock_guard lock(mutex_);
      if (!job.sync) ++inFlight_;
      queue_.push_back(std::move(job));
      WakeLocked();
    }
  }

  std::size_t InFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_;
  }

  bool WaitForAll(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    endWaitUntil_ = Clock::now() + limit;
    WakeLocked();
    const bool done = idle_.wait_for(lock, limit, [this] { return inFlight_ == 0; });
    endWaitUntil_.reset();
    return done;
  }

 private:
  // Under mutex_: the worker clears multi_ under it before cleaning it up.
  void WakeLocked() {
    if (multi_ != nullptr) {
      curl_multi_wakeup(multi_);
    } else {
      wake_.notify_all();
    }
  }

  void Loop() {
    while (true) {
      std::vector<Job> jobs;
      {
        std::lock_guard lock(mutex_);
        if (stopping_) break;
        jobs.swap(queue_);
        lineEndsBy_ = endWaitUntil_;
      }
      for (Job& job : jobs) {
        if (job.sync) {
          Begin(std::move(job));
        } else {
          waiting_.push_back(std::move(job));
        }
      }
      StartReportsDue();
      if (multi_ == nullptr) {
        // Without a multi handle every job fails in Begin; sleep until the next.
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        continue;
      }

      int running = 0;
      curl_multi_perform(multi_, &running);
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg == CURLMSG_DONE) End(message->easy_handle, message->data.result);
      }
      curl_multi_poll(multi_, nullptr, 0, NextLookMs(), nullptr);
    }
    Abandon();
    CURLM* multi = nullptr;
    {
      std::lock_guard lock(mutex_);
      std::swap(multi, multi_);
    }
    if (multi != nullptr) curl_multi_cleanup(multi);
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    ended_.notify_all();
  }

  // The reports go out one after another, in the order they were made, so
  // that the server sees them in that order: the next starts once the one
  // before has ended, or has been on the wire for its grace.
  void StartReportsDue() {
    while (!waiting_.empty() && LineFree()) {
      Job job = std::move(waiting_.front());
      waiting_.pop_front();
      Begin(std::move(job));
    }
  }

  bool LineFree() const {
    return line_ == nullptr ||
           (line_->sentAt && Clock::now() >= *line_->sentAt + Grace(*line_->sentAt));
  }

  // While the end of the run waits, the reports still waiting share what is
  // left of its time, so that the last one is out before the wait is over.
  Clock::duration Grace(Clock::time_point sentAt) const {
    if (!lineEndsBy_) return kReportGrace;
    const auto share = (*lineEndsBy_ - sentAt) / static_cast<long>(waiting_.size() + 1);
    return std::clamp<Clock::duration>(share, Clock::duration::zero(), kReportGrace);
  }

  // How long the worker may sleep before the line needs it; curl's sockets
  // and timers wake it earlier, the sending of the report on the line too.
  int NextLookMs() const {
    if (waiting_.empty() || (line_ != nullptr && !line_->sentAt)) return kIdleWaitMs;
    if (line_ == nullptr) return 0;
    const auto due = *line_->sentAt + Grace(*line_->sentAt) - Clock::now();
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(due).count();
    return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, kIdleWaitMs));
  }

  void Begin(Job job) {
    auto transfer = std::make_unique<Transfer>();
    transfer->sync = std::move(job.sync);
    transfer->easy = multi_ != nullptr ? curl_easy_init() : nullptr;
    if (transfer->easy == nullptr) {
      Fail(*transfer, "the HTTP library could not start the request");
      return;
    }
    CURL* easy = transfer->easy;
    const bool sync = transfer->sync != nullptr;
    const auto total = sync ? transfer->sync->timeout : options_.requestTimeout;
    const auto connect = std::min(options_.connectTimeout, total);

    curl_easy_setopt(easy, CURLOPT_URL, job.url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Ending a transfer whose name lookup still runs leaves the lookup thread
    // to finish on its own instead of waiting for it: a resolver that never
    // answers must not hold up the worker, and with it every time limit.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, options_.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(total.count()));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect.count()));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->error);
    if (options_.beforeNameLookup) {
      curl_easy_setopt(easy, CURLOPT_RESOLVER_START_FUNCTION, &BeforeNameLookup);
      curl_easy_setopt(easy, CURLOPT_RESOLVER_START_DATA, &options_.beforeNameLookup);
    }
    if (sync) {
      curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
      curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxValidationRedirects);
      curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    } else {
      // The debug channel goes to WatchSending only, never to stderr.
      curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &WatchSending);
      curl_easy_setopt(easy, CURLOPT_DEBUGDATA, transfer.get());
      curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    }
    if (curl_multi_add_handle(multi_, easy) != CURLM_OK) {
      Fail(*transfer, "the HTTP library could not start the request");
      return;
    }
    if (!sync) line_ = transfer.get();
    active_.emplace(easy, std::move(transfer));
  }

  void End(CURL* easy, CURLcode result) {
    auto found = active_.find(easy);
    if (found == active_.end()) return;
    std::unique_ptr<Transfer> transfer = std::move(found->second);
    active_.erase(found);
    if (transfer.get() == line_) line_ = nullptr;
    curl_multi_remove_handle(multi_, easy);

    if (transfer->sync) {
      HttpResponse response;
      // An aborted over-long body is still an answer, only a shortened one.
      response.completed =
          result == CURLE_OK || (transfer->truncated && result == CURLE_WRITE_ERROR);
      curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response.status);
      char* contentType = nullptr;
      curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &contentType);
      response.truncated = transfer->truncated;
      response.body = AnswerText(transfer->body, contentType != nullptr ? contentType : "");
      if (!response.completed) {
        response.error = transfer->error[0] != '\0' ? transfer->error : curl_easy_strerror(result);
      }
      Complete(*transfer->sync, std::move(response));
    } else {
      Ended();
    }
    curl_easy_cleanup(easy);
  }

  void Fail(Transfer& transfer, const std::string& why) {
    if (transfer.easy != nullptr) curl_easy_cleanup(transfer.easy);
    transfer.easy = nullptr;
    if (transfer.sync) {
      HttpResponse response;
      response.error = why;
      Complete(*transfer.sync, std::move(response));
    } else {
      Ended();
    }
  }

  void Ended() {
    bool idle = false;
    {
      std::lock_guard lock(mutex_);
      idle = --inFlight_ == 0;
    }
    if (idle) idle_.notify_all();
  }

  // The client is going away: what is still running is dropped, and a caller
  // still waiting in Get gets an answer that says so.
  void Abandon() {
    for (auto& [easy, transfer] : active_) {
      curl_multi_remove_handle(multi_, easy);
      Fail(*transfer, "the request was abandoned");
    }
    active_.clear();
    line_ = nullptr;
    for (std::size_t i = 0; i < waiting_.size(); ++i) Ended();
    waiting_.clear();
    std::vector<Job> jobs;
    {
      std::lock_guard lock(mutex_);
      jobs.swap(queue_);
    }
    for (Job& job : jobs) {
      Transfer transfer;
      transfer.sync = std::move(job.sync);
      Fail(transfer, "the request was abandoned");
    }
  }

  CurlHttpClientOptions options_;
  CURLM* multi_ = nullptr;

  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::condition_variable wake_;  // only when curl_multi_init failed
  std::condition_variable ended_;
  std::vector<Job> queue_;
  std::size_t inFlight_ = 0;
  bool stopping_ = false;
  bool finished_ = false;
  std::optional<Clock::time_point> endWaitUntil_;  // while WaitForAll waits

  // Touched by the worker thread only.
  std::unordered_map<CURL*, std::unique_ptr<Transfer>> active_;
  std::deque<Job> waiting_;                      // reports not yet started, oldest first
  Transfer* line_ = nullptr;                     // the report started last, until it ends
  std::optional<Clock::time_point> lineEndsBy_;  // endWaitUntil_, as last seen

  std::thread thread_;
};

CurlHttpClient::CurlHttpClient() : CurlHttpClient(CurlHttpClientOptions{}) {}

CurlHttpClient::CurlHttpClient(CurlHttpClientOptions options)
    : worker_(std::make_shared<Worker>(std::move(options))) {
  worker_->Start();
}

CurlHttpClient::~CurlHttpClient() {
  worker_->Stop(kStopWait);
}

void CurlHttpClient::StartGet(const std::string& url) {
  worker_->Submit(Job{url, nullptr});
}

std::size_t CurlHttpClient::InFlight() const {
  return worker_->InFlight();
}

bool CurlHttpClient::WaitForAll(std::chrono::milliseconds limit) {
  return worker_->WaitForAll(limit);
}

HttpResponse CurlHttpClient::Get(const std::string& url, const SyncRequestOptions& options) {
  auto call = std::make_shared<SyncCall>();
  call->hook = options.wait;
  call->maxBodyBytes = options.maxBodyBytes;
  call->timeout = std::max(options.timeout, std::chrono::milliseconds(1));
  const Clock::time_point deadline = Clock::now() + call->timeout + kAnswerGrace;
  worker_->Submit(Job{url, call});

  if (options.wait != nullptr) {
    // The hook sleeps until notified; the deadline needs a thread of its own.
    std::thread guard([call, deadline] { AnswerByDeadline(*call, deadline); });
    options.wait->WaitUntil([&call, &options] {
      {
        std::lock_guard lock(call->mutex);
        if (call->done) return true;
      }
      return options.abandon && options.abandon();
    });
    // Given up: answered here, so that the guard and the worker let it go.
    HttpResponse givenUp;
    givenUp.error = "given up while waiting";
    Complete(*call, std::move(givenUp));
    guard.join();
  } else {
    AnswerByDeadline(*call, deadline);
  }
  std::unique_lock lock(call->mutex);
  call->changed.wait(lock, [&call] { return call->released; });
  return std::move(call->response);
}

}  // namespace pavane::os
