#include "os/curl/curl_http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
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

void Complete(SyncCall& call, HttpResponse response) {
  WaitHook* hook = nullptr;
  {
    std::lock_guard lock(call.mutex);
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

}  // namespace

class CurlHttpClient::Worker {
 public:
  explicit Worker(CurlHttpClientOptions options) : options_(std::move(options)) {
    if (options_.userAgent.empty()) options_.userAgent = DefaultUserAgent();
    InitCurlOnce();
    multi_ = curl_multi_init();
    thread_ = std::thread([this] { Loop(); });
  }

  ~Worker() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    Wake();
    thread_.join();
    if (multi_ != nullptr) curl_multi_cleanup(multi_);
  }

  void Submit(Job job) {
    {
      std::lock_guard lock(mutex_);
      if (!job.sync) ++inFlight_;
      queue_.push_back(std::move(job));
    }
    Wake();
  }

  std::size_t InFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_;
  }

  bool WaitForAll(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, limit, [this] { return inFlight_ == 0; });
  }

 private:
  void Wake() {
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
      }
      for (Job& job : jobs) Begin(std::move(job));
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
      curl_multi_poll(multi_, nullptr, 0, kIdleWaitMs, nullptr);
    }
    Abandon();
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
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, options_.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(total.count()));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect.count()));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->error);
    if (sync) {
      curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
      curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxValidationRedirects);
      curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    if (curl_multi_add_handle(multi_, easy) != CURLM_OK) {
      Fail(*transfer, "the HTTP library could not start the request");
      return;
    }
    active_.emplace(easy, std::move(transfer));
  }

  void End(CURL* easy, CURLcode result) {
    auto found = active_.find(easy);
    if (found == active_.end()) return;
    std::unique_ptr<Transfer> transfer = std::move(found->second);
    active_.erase(found);
    curl_multi_remove_handle(multi_, easy);

    if (transfer->sync) {
      HttpResponse response;
      // An aborted over-long body is still an answer, only a shortened one.
      response.completed =
          result == CURLE_OK || (transfer->truncated && result == CURLE_WRITE_ERROR);
      curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response.status);
      response.truncated = transfer->truncated;
      response.body = std::move(transfer->body);
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
  std::vector<Job> queue_;
  std::size_t inFlight_ = 0;
  bool stopping_ = false;

  // Touched by the worker thread only.
  std::unordered_map<CURL*, std::unique_ptr<Transfer>> active_;

  std::thread thread_;
};

CurlHttpClient::CurlHttpClient() : CurlHttpClient(CurlHttpClientOptions{}) {}

CurlHttpClient::CurlHttpClient(CurlHttpClientOptions options)
    : worker_(std::make_unique<Worker>(std::move(options))) {}

CurlHttpClient::~CurlHttpClient() = default;

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
  worker_->Submit(Job{url, call});

  if (options.wait != nullptr) {
    options.wait->WaitUntil([&call] {
      std::lock_guard lock(call->mutex);
      return call->done;
    });
  }
  std::unique_lock lock(call->mutex);
  call->changed.wait(lock, [&call] { return call->released; });
  return std::move(call->response);
}

}  // namespace pavane::os
