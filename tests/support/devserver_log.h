// Reading the devserver's request log in tests (header only, for the test
// programs that link nlohmann_json).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace pavane::testing {

struct LoggedRequest {
  std::string path;
  std::vector<std::pair<std::string, std::string>> query;  // decoded, in order
  std::string refused;  // why the server refused the request ("413 ..."), or ""

  // The value of the first `key`; "<absent>" when there is none.
  std::string Value(const std::string& key) const {
    for (const auto& [name, value] : query) {
      if (name == key) return value;
    }
    return "<absent>";
  }
};

inline LoggedRequest ParseLoggedRequest(const std::string& line) {
  const auto json = nlohmann::json::parse(line);
  LoggedRequest request;
  request.path = json.at("path").get<std::string>();
  request.refused = json.value("refused", "");
  for (const auto& pair : json.at("query")) {
    request.query.emplace_back(pair.at(0).get<std::string>(), pair.at(1).get<std::string>());
  }
  return request;
}

inline std::vector<LoggedRequest> ParseLoggedRequests(const std::vector<std::string>& lines) {
  std::vector<LoggedRequest> requests;
  for (const auto& line : lines) requests.push_back(ParseLoggedRequest(line));
  return requests;
}

}  // namespace pavane::testing
