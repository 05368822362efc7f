// Percent-encoding through libcurl, so the rules are those of the HTTP stack
// that sends the requests.
#include "os/url_encoding.h"

#include <curl/curl.h>

#include <climits>

namespace pavane::os {
namespace {

// libcurl takes an int length; our values (registry texts, addresses) are far
// below it, and anything larger is refused rather than cut.
bool FitsCurlLength(std::string_view value) {
  return value.size() <= INT_MAX;
}

}  // namespace

std::string EncodeQueryComponent(std::string_view value) {
  if (value.empty() || !FitsCurlLength(value)) return {};
  // The handle argument has been ignored by libcurl since 7.82.
  char* escaped = curl_easy_escape(nullptr, value.data(), static_cast<int>(value.size()));
  if (escaped == nullptr) return {};
  std::string result(escaped);
  curl_free(escaped);
  return result;
}

std::string DecodeQueryComponent(std::string_view value) {
  if (value.empty() || !FitsCurlLength(value)) return {};
  int length = 0;
  char* decoded =
      curl_easy_unescape(nullptr, value.data(), static_cast<int>(value.size()), &length);
  if (decoded == nullptr) return {};
  // Decoded text may hold NUL bytes (%00), hence the explicit length.
  std::string result(decoded, static_cast<std::size_t>(length));
  curl_free(decoded);
  return result;
}

}  // namespace pavane::os
