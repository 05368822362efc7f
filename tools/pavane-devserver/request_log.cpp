#include "request_log.h"

#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>

namespace pavane::devserver {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string UtcText(std::chrono::system_clock::time_point now) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
  char result[48];
  std::snprintf(result, sizeof result, "%s.%03dZ", text, static_cast<int>(millis));
  return result;
}

}  // namespace

std::string DecodeQueryText(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      decoded += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      decoded += c;
    }
  }
  return decoded;
}

QueryPairs SplitQuery(std::string_view rawQuery) {
  QueryPairs pairs;
  while (!rawQuery.empty()) {
    const std::size_t end = rawQuery.find('&');
    const std::string_view piece = rawQuery.substr(0, end);
    rawQuery = end == std::string_view::npos ? std::string_view() : rawQuery.substr(end + 1);
    if (piece.empty()) continue;
    const std::size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
      pairs.emplace_back(DecodeQueryText(piece), "");
    } else {
      pairs.emplace_back(DecodeQueryText(piece.substr(0, equals)),
                         DecodeQueryText(piece.substr(equals + 1)));
    }
  }
  return pairs;
}

void RequestLog::Record(std::string_view method, std::string_view path, std::string_view target,
                        bool remember, std::string_view refused) {
  const std::size_t question = target.find('?');
  const std::string_view rawQuery =
      question == std::string_view::npos ? std::string_view() : target.substr(question + 1);

  const auto now = std::chrono::system_clock::now();
  RecordedRequest request{now, UtcText(now), std::string(method), std::string(path),
                          SplitQuery(rawQuery)};
  nlohmann::ordered_json query = nlohmann::ordered_json::array();
  for (auto& [key, value] : request.query) query.push_back({key, value});
  nlohmann::ordered_json line = {
      {"time", request.time},      {"method", method},      {"path", path},
      {"query", std::move(query)}, {"raw_query", rawQuery},
  };
  if (!refused.empty()) line["refused"] = std::string(refused);
  // Values are whatever a client sent, not necessarily UTF-8; replace rather
  // than throw so that every request still gets its line.
  const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::lock_guard lock(mutex_);
  out_ << text << '\n';
  out_.flush();
  if (!remember || !refused.empty() || keep_ == 0) return;
  std::size_t size =
      sizeof request + request.time.size() + request.method.size() + request.path.size();
  for (const auto& [key, value] : request.query) size += sizeof key + key.size() + value.size();
  while (!recent_.empty() && (recent_.size() >= keep_ || recentBytes_ + size > keepBytes_)) {
    recentBytes_ -= recent_.front().second;
    recent_.pop_front();
  }
  recentBytes_ += size;
  recent_.emplace_back(std::move(request), size);
}

std::vector<RecordedRequest> RequestLog::Recent() const {
  std::lock_guard lock(mutex_);
  std::vector<RecordedRequest> requests;
  requests.reserve(recent_.size());
  for (const auto& kept : recent_) requests.push_back(kept.first);
  return requests;
}

}  // namespace pavane::devserver
