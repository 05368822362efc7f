#include "answers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

namespace pavane::devserver {
namespace {

// The QA page that sends a body of a chosen size stops here, so a typo cannot
// make the server build a page of gigabytes.
constexpr std::size_t kMaxQaBytes = 16 * 1024 * 1024;

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string Page(std::string_view comment) {
  std::string page = "<html><head><title>Address check</title></head>\r\n<body>\r\n";
  page += comment;
  page += "\r\n</body></html>\r\n";
  return page;
}

std::string Marker(std::string_view content) {
  return "<!-- EMAIL=\"" + std::string(content) + "\"=EMAIL -->";
}

}  // namespace

Answer ValidationAnswer(std::string_view email) {
  Answer answer;
  answer.contentType = "text/html; charset=utf-8";
  const std::size_t at = email.rfind('@');
  const std::string domain = at == std::string_view::npos ? "" : LowerAscii(email.substr(at + 1));
  if (at == std::string_view::npos || domain == "invalid.example") {
    answer.body = Page(Marker("ERR_CODE:0101|ERR_DESC:The address does not exist."));
  } else if (domain == "latin1.example") {
    // A service that answers in ISO-8859-1 and says so: "Adresse refusée".
    answer.contentType = "text/html; charset=iso-8859-1";
    answer.body =
        Page(Marker("ERR_CODE:0102|ERR_DESC:Adresse refus\xe9"
                    "e"));
  } else if (domain == "unverified.example") {
    answer.body = Page(Marker("ERR_CODE:9999"));
  } else if (domain == "nomarker.example") {
    answer.body = Page("<p>The address service is resting.</p>");
  } else if (domain == "status500.example") {
    answer.status = 500;
    answer.body = Page("<p>Internal Server Error</p>");
  } else if (domain == "garbage.example") {
    answer.contentType = "application/octet-stream";
    std::uint32_t state = 2463534242u;  // the same bytes every time
    for (int i = 0; i < 4096; ++i) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      answer.body += static_cast<char>(state & 0xff);
    }
  } else if (domain == "huge.example") {
    answer.body = std::string(50'000'000, ' ') + Page(Marker("ERR_CODE:0000"));
  } else if (domain == "cut.example") {
    answer.body = "<html><body><!-- EMAIL=\"ERR_CO";
    answer.delivery = Answer::Delivery::kCut;
  } else if (domain == "hang.example") {
    answer.delivery = Answer::Delivery::kNever;
  } else if (domain == "redirect.example") {
    answer.body = "/validate.asp?email=redirected%40moved.example";
    answer.delivery = Answer::Delivery::kRedirect;
  } else {
    answer.body = Page(Marker("ERR_CODE:0000"));
  }
  return answer;
}

Answer AnswerFor(std::string_view path, std::string_view email, std::string_view bytes) {
  if (EndsWith(path, "/validate.asp")) return ValidationAnswer(email);
  if (EndsWith(path, "/tr.asp") || EndsWith(path, "/installer_email.asp") ||
      EndsWith(path, "/monitor.asp") || EndsWith(path, "/default.asp")) {
    return Answer{.body = "OK"};
  }
  if (path == "/qa/bytes.asp") {
    std::size_t count = 0;
    std::from_chars(bytes.data(), bytes.data() + bytes.size(), count);
    return Answer{.body = std::string(std::min(count, kMaxQaBytes), 'x')};
  }
  return Answer{.status = 404, .body = "Not Found"};
}

}  // namespace pavane::devserver
