// Percent-encoding through libcurl, so the rules are those of the HTTP stack
// that sends the requests.
#include "os/url_encoding.h"

#include <curl/curl.h>

#include <cctype>
#include <climits>
#include <memory>

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

std::optional<UrlParts> ParseUrl(std::string_view url) {
  // Links come from pages; a NUL would cut the text short.
  if (url.find('\0') != std::string_view::npos) return std::nullopt;
  const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), curl_url_cleanup);
  // A blank or a non-ASCII letter must not make a link unreadable.
  if (handle == nullptr ||
      curl_url_set(handle.get(), CURLUPART_URL, std::string(url).c_str(),
                   CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE) != CURLUE_OK) {
    return std::nullopt;
  }
  // One part; "" when the URL has none.
  const auto part = [&handle](CURLUPart which, unsigned flags) {
    char* text = nullptr;
    const bool found = curl_url_get(handle.get(), which, &text, flags) == CURLUE_OK;
    std::string value = found && text != nullptr ? text : "";
    curl_free(text);
    return value;
  };
  UrlParts parts;
  parts.scheme = part(CURLUPART_SCHEME, 0);
  parts.host = part(CURLUPART_HOST, 0);
  parts.path = part(CURLUPART_PATH, CURLU_URLDECODE);
  if (parts.path.find('\0') != std::string::npos) return std::nullopt;
  for (std::string* text : {&parts.scheme, &parts.host}) {
    for (char& ch : *text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  return parts;
}

std::string FileUrl(std::string_view path, std::string_view query) {
  std::string url = "file://";
  for (std::size_t start = 0;;) {
    const std::size_t slash = path.find('/', start);
    url += EncodeQueryComponent(path.substr(start, slash - start));
    if (slash == std::string_view::npos) break;
    url += '/';
    start = slash + 1;
  }
  if (!query.empty()) url.append("?").append(query);
  return url;
}

PageAddress SplitPageAddress(std::string_view address) {
  const std::size_t lastSlash = address.rfind('/');
  const std::size_t question =
      address.find('?', lastSlash == std::string_view::npos ? 0 : lastSlash);
  if (question == std::string_view::npos) return {std::string(address), {}};
  return {std::string(address.substr(0, question)), std::string(address.substr(question + 1))};
}

}  // namespace pavane::os
