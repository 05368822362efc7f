// The texts of addresses: query components and file URLs as the screens
// build them, page addresses split into path and query, and the validation
// service's answer page. The input is any text: a value to encode, a path,
// an address or an answer.
#include <cctype>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "os/url_encoding.h"
#include "screens/info/validation_answer.h"

namespace {

using pavane::fuzz::Expect;
using namespace pavane::os;

bool IsUnreserved(char ch) {
  return std::isalnum(static_cast<unsigned char>(ch)) ||
         std::string_view("-._~").find(ch) != std::string_view::npos;
}

bool IsHex(char ch) {
  return std::isxdigit(static_cast<unsigned char>(ch));
}

void CheckEncoding(std::string_view value) {
  const std::string encoded = EncodeQueryComponent(value);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (IsUnreserved(encoded[i])) continue;
    Expect(encoded[i] == '%' && i + 2 < encoded.size() && IsHex(encoded[i + 1]) &&
               IsHex(encoded[i + 2]),
           "an encoded component holds only unreserved characters and %XX");
    i += 2;
  }
  Expect(DecodeQueryComponent(encoded) == value, "decoding gives back what was encoded");

  const std::string decoded = DecodeQueryComponent(value);
  Expect(decoded.size() <= value.size(), "decoding never grows a text");
  if (value.find('%') == std::string_view::npos) Expect(decoded == value, "only %XX is decoded");

  if (const std::optional<UrlParts> parts = ParseUrl(value)) {
    Expect((parts->scheme + parts->host).find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
               std::string::npos,
           "scheme and host are lower case");
    Expect(parts->path.find('\0') == std::string::npos, "a parsed path holds no NUL");
  }
}

void CheckAddresses(std::string_view path) {
  const std::string query = "application=OL&value=" + EncodeQueryComponent(path);
  const std::string url = FileUrl(path, query);
  Expect(url.starts_with("file://"), "a file URL starts with file://");
  const std::size_t question = url.find('?');
  Expect(question != std::string::npos && url.substr(question + 1) == query,
         "the query follows the first ?");
  // No %XX spans a "/", so the whole path decodes as its segments do.
  Expect(DecodeQueryComponent(std::string_view(url).substr(7, question - 7)) == path,
         "a file URL's path decodes to the path");

  // A page address splits at the "?" after its last folder.
  const std::size_t lastSlash = path.rfind('/');
  const std::string_view fileName =
      path.substr(lastSlash == std::string_view::npos ? 0 : lastSlash + 1);
  if (fileName.find('?') == std::string_view::npos) {
    const PageAddress address = SplitPageAddress(std::string(path) + "?" + query);
    Expect(address.path == path && address.query == query, "a page address splits as it was built");
  }
}

// The verdict is what stands between the first marker pair, and only when
// it names an error code; an answer wrapped in markers is found again.
void CheckValidationAnswer(std::string_view body) {
  using pavane::screens::kValidationCloseMarker;
  using pavane::screens::kValidationOpenMarker;
  using pavane::screens::ValidationAnswer;
  if (const auto answer = ValidationAnswer(body)) {
    Expect(answer->find("ERR_CODE:") != std::string::npos, "a verdict names an error code");
    Expect(answer->find(kValidationCloseMarker) == std::string::npos,
           "a verdict ends at the first closing marker");
    const std::size_t open = body.find(kValidationOpenMarker);
    Expect(body.substr(open + kValidationOpenMarker.size(), answer->size()) == *answer,
           "a verdict is the text after the first opening marker");
  }
  const std::string_view value = body.substr(0, body.find(kValidationCloseMarker));
  const std::string page = "<html>" + std::string(kValidationOpenMarker) +
                           "ERR_CODE:" + std::string(value) + std::string(kValidationCloseMarker) +
                           "</html>";
  const auto found = ValidationAnswer(page);
  Expect(found && *found == "ERR_CODE:" + std::string(value), "a marked verdict is found");
}

}  // namespace

PAVANE_FUZZ_TARGET(text) {
  CheckEncoding(text);
  CheckAddresses(text);
  CheckValidationAnswer(text);
}
