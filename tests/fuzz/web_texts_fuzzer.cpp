// The texts of addresses: query components and file URLs as the screens
// build them, page addresses split into path and query, and the validation
// service's answer page. The input is any text: a value to encode, a path,
// an address or an answer.
#include "fuzz_support.h"
#include "os/url_encoding.h"
#include "screens/info/validation_answer.h"

using namespace pavane::os;
using namespace pavane::screens;
constexpr auto npos = std::string_view::npos;

PAVANE_FUZZ_TARGET(text) {
  const std::string encoded = EncodeQueryComponent(text);
  Expect(encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                   "0123456789-._~%") == npos,
         "an encoded component holds only unreserved characters and %XX");
  Expect(DecodeQueryComponent(encoded) == text, "decoding gives back what was encoded");
  Expect(DecodeQueryComponent(text).size() <= text.size(), "decoding never grows a text");
  if (const std::optional<UrlParts> parts = ParseUrl(text))
    Expect(parts->path.find('\0') == npos &&
               (parts->scheme + parts->host).find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == npos,
           "a parsed URL has a lower-case scheme and host and a path without NUL");

  // The text as a path: a file URL, and a page address that splits at the
  // "?" after its last "/" (no "/" at all: anywhere in the text).
  const std::string query = "application=OL&value=" + encoded;
  const std::string url = FileUrl(text, query);
  const std::size_t question = url.find('?');
  Expect(url.starts_with("file://") && question != npos && url.substr(question + 1) == query &&
             DecodeQueryComponent(url.substr(7, question - 7)) == text,
         "a file URL holds the path, then the query after the first ?");
  const PageAddress address = SplitPageAddress(std::string(text) + "?" + query);
  Expect(text.substr(text.rfind('/') + 1).find('?') != npos ||
             (address.path == text && address.query == query),
         "a page address splits as it was built");

  // The text as an answer: the verdict stands between the first marker pair
  // and names an error code; a verdict wrapped in markers is found again.
  if (const std::optional<std::string> answer = ValidationAnswer(text)) {
    const std::size_t open = text.find(kValidationOpenMarker) + kValidationOpenMarker.size();
    Expect(answer->find("ERR_CODE:") != npos && answer->find(kValidationCloseMarker) == npos &&
               text.substr(open, answer->size()) == *answer,
           "a verdict is an error code after the first opening marker");
  }
  const std::string value(text.substr(0, text.find(kValidationCloseMarker)));
  const std::string page = "<html>" + std::string(kValidationOpenMarker) + "ERR_CODE:" + value +
                           std::string(kValidationCloseMarker) + "</html>";
  Expect(ValidationAnswer(page) == "ERR_CODE:" + value, "a marked verdict is found");
}
