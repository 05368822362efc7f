// The devserver's record of what arrived: one JSON object per line, flushed at
// once, so a newcomer can `tail -f` a run and a test can read it while the
// server is still up.
#pragma once

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

class RequestLog {
 public:
  explicit RequestLog(std::ostream& out) : out_(out) {}

  // `target` is the request target as sent: path, then "?" and the raw query.
  void Record(std::string_view method, std::string_view path, std::string_view target);

 private:
  std::mutex mutex_;
  std::ostream& out_;
};

}  // namespace pavane::devserver
