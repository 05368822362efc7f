// The devserver's record of what arrived: one JSON object per line, flushed at
// once, so a newcomer can `tail -f` a run and a test can read it while the
// server is still up.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pavane::devserver {

using QueryPairs = std::vector<std::pair<std::string, std::string>>;

// %XX sequences become bytes and "+" a blank, as the maker's ASP pages read
// a query; a malformed "%" stays as it is.
std::string DecodeQueryText(std::string_view text);

// The pairs of a raw query in the order they were sent (a key may repeat);
// a piece without "=" is a key with an empty value; empty pieces are skipped.
QueryPairs SplitQuery(std::string_view rawQuery);

// One request as the event page shows it.
struct RecordedRequest {
  std::chrono::system_clock::time_point when;
  std::string time;  // `when` as written in the log line
  std::string method;
  std::string path;
  QueryPairs query;
};

class RequestLog {
 public:
  // The newest `keep` requests stay in memory for the event page, as many of
  // them as fit in `keepBytes` (counted roughly: the texts and a little more).
  explicit RequestLog(std::ostream& out, std::size_t keep = 10000,
                      std::size_t keepBytes = 32 * 1024 * 1024)
      : out_(out), keep_(keep), keepBytes_(keepBytes) {}

  // `target` is the request target as sent: path, then "?" and the raw query.
  // `remember` false writes the line only (the event page's own requests).
  // A request the server refused gets the reason in the line's "refused"
  // (a status and a few words), and is not remembered.
  void Record(std::string_view method, std::string_view path, std::string_view target,
              bool remember = true, std::string_view refused = {});

  // The requests kept, oldest first.
  std::vector<RecordedRequest> Recent() const;

 private:
  mutable std::mutex mutex_;
  std::ostream& out_;
  std::size_t keep_;
  std::size_t keepBytes_;
  std::size_t recentBytes_ = 0;
  std::deque<std::pair<RecordedRequest, std::size_t>> recent_;  // with its size
};

}  // namespace pavane::devserver
