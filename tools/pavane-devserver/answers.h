// What the devserver answers. Only the validation answer is read by the
// program; everything else it sends is acknowledged with "OK".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pavane::devserver {

struct Answer {
  int status = 200;
  std::string contentType = "text/plain; charset=utf-8";
  std::string body;
};

// The validation service's page for `email`, by the address's domain:
//   unverified.example  ERR_CODE:9999 (accepted, not validated)
//   invalid.example, or no "@" at all  ERR_CODE:0101 with a description
//   latin1.example  ERR_CODE:0102, the description in ISO-8859-1 (declared)
//   nomarker.example  a page without the EMAIL comment (as a broken service)
//   anything else  ERR_CODE:0000 (validated)
Answer ValidationAnswer(std::string_view email);

// The answer for a request path (already decoded) and its decoded "email"
// and "bytes" query values.
Answer AnswerFor(std::string_view path, std::string_view email, std::string_view bytes);

}  // namespace pavane::devserver
