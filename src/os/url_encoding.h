// Percent-encoding of URL query components, provided by the HTTP backend.
#pragma once

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

// The host of an absolute URL, lower-cased, as the HTTP backend parses it;
// "" when `url` has none or cannot be parsed.
std::string UrlHost(std::string_view url);

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
