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

}  // namespace pavane::os
