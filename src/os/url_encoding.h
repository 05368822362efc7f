// Percent-encoding of URL query components, provided by the HTTP backend.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pavane::os {

// Encodes the UTF-8 bytes of `value` for use as one query component: every
// byte but the RFC 3986 unreserved characters (A-Z a-z 0-9 - . _ ~) becomes
// %XX, so "&", "=", "+", "?", "#" and blanks can no longer break the query.
std::string EncodeQueryComponent(std::string_view value);

// The inverse: %XX sequences become bytes; "+" and a "%" without two hex
// digits stay as they are. Also decodes the path of a file URL.
std::string DecodeQueryComponent(std::string_view value);

// An absolute URL taken apart by the HTTP backend's parser: the scheme and
// host in lower case, the path percent-decoded (dot segments written as
// such removed; encoded ones are the caller's to treat). nullopt when `url`
// is not an absolute URL, or its path decodes to a NUL.
struct UrlParts {
  std::string scheme;
  std::string host;
  std::string path;
};
std::optional<UrlParts> ParseUrl(std::string_view url);

// The file URL of a local `path`: each segment encoded, so blanks, "%", "?"
// and "#" in folder names stay part of the path; then `query` (without its
// "?"), which the caller built and encoded, unless it is empty.
std::string FileUrl(std::string_view path, std::string_view query = {});

// A page address as the screens build it, "<file path>?<query>", split in
// two. Folders may hold a "?"; the file names of our pages never do, so the
// query starts at the first "?" after the last "/".
struct PageAddress {
  std::string path;
  std::string query;  // without its "?"
};
PageAddress SplitPageAddress(std::string_view address);

}  // namespace pavane::os
