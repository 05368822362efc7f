#include "os/code_page.h"

#include <iconv.h>

#include <cerrno>

namespace pavane::os {
namespace {

void AppendLatin1(std::string& out, unsigned char byte) {
  if (byte < 0x80) {
    out.push_back(static_cast<char>(byte));
  } else {
    out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
    out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
  }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  const iconv_t converter = ::iconv_open("UTF-8", "WINDOWS-1252");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    // Without the converter Latin-1 is the closest we have: it differs only
    // in the punctuation at 0x80 to 0x9F.
    for (const char ch : bytes) {
      AppendLatin1(out, static_cast<unsigned char>(ch));
    }
    return out;
  }
  out.reserve(bytes.size() * 3);
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = ::iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (result == static_cast<std::size_t>(-1) && errno == EILSEQ) {
      // One of the undefined bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D).
      AppendLatin1(out, static_cast<unsigned char>(*in));
      ++in;
      --inLeft;
    } else if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      break;  // a single-byte code page has no incomplete input
    }
  }
  ::iconv_close(converter);
  return out;
}

}  // namespace pavane::os
