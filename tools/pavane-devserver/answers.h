// What the devserver answers. Only the validation answer is read by the
// program; everything else it sends is acknowledged with "OK".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pavane::devserver {

struct Answer {
  enum class Delivery {
    kWhole,     // status, headers and body
    kCut,       // headers promising more than the body, then the connection closes
    kNever,     // no answer at all; the connection stays open
    kRedirect,  // 302 to `body`, a path on this server under the name "localhost"
  };
  int status = 200;
  std::string contentType = "text/plain; charset=utf-8";
  std::string body;
  Delivery delivery = Delivery::kWhole;
};

// The validation service's page for `email`, by the address's domain:
//   unverified.example  ERR_CODE:9999 (accepted, not validated)
//   invalid.example, or no "@" at all  ERR_CODE:0101 with a description
//   latin1.example  ERR_CODE:0102, the description in ISO-8859-1 (declared)
//   nomarker.example  a page without the EMAIL comment (as a broken service)
// and the faults of a real service:
//   status500.example  a server error page
//   garbage.example  4 KiB of bytes that are no text
//   huge.example  50 MB, the verdict ERR_CODE:0000 at its very end
//   cut.example  the start of a verdict, then the connection is cut
//   hang.example  nothing, ever
//   redirect.example  a redirect to another host name of this server, whose
//                     answer is that for "redirected@moved.example"
//   anything else  ERR_CODE:0000 (validated)
Answer ValidationAnswer(std::string_view email);

// The answer for a request path (already decoded) and its decoded "email"
// and "bytes" query values.
Answer AnswerFor(std::string_view path, std::string_view email, std::string_view bytes);

}  // namespace pavane::devserver
