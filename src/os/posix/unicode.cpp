#include "os/unicode.h"

#include <locale.h>
#include <uchar.h>
#include <wctype.h>

#include <climits>
#include <cwchar>

namespace pavane::os {
namespace {

// The C.UTF-8 locale, independent of whatever locale the process runs in.
locale_t Utf8Locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

// Switches the calling thread to C.UTF-8 for one conversion.
class ScopedUtf8Locale {
 public:
  ScopedUtf8Locale() : previous_(uselocale(Utf8Locale())) {}
  ~ScopedUtf8Locale() { uselocale(previous_); }
  ScopedUtf8Locale(const ScopedUtf8Locale&) = delete;
  ScopedUtf8Locale& operator=(const ScopedUtf8Locale&) = delete;

 private:
  locale_t previous_;
};

template <typename Map>
std::string MapCharacters(std::string_view text, Map map) {
  ScopedUtf8Locale scope;
  std::string result;
  result.reserve(text.size());
  std::mbstate_t in{};
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t ch = 0;
    const std::size_t used = ::mbrtoc32(&ch, text.data() + pos, text.size() - pos, &in);
    if (used == 0 || used > text.size() - pos) {
      // NUL, or an invalid or cut sequence: keep the byte as it is.
      result.push_back(text[pos]);
      in = std::mbstate_t{};
      ++pos;
      continue;
    }
    const char32_t mapped = map(ch);
    char buffer[MB_LEN_MAX];
    std::mbstate_t out{};
    const std::size_t written = ::c32rtomb(buffer, mapped, &out);
    if (written == static_cast<std::size_t>(-1)) {
      result.append(text.substr(pos, used));
    } else {
      result.append(buffer, written);
    }
    pos += used;
  }
  return result;
}

}  // namespace

std::string LowerCaseUtf8(std::string_view text) {
  return MapCharacters(text, [](char32_t ch) {
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(ch), Utf8Locale()));
  });
}

std::string UpperCaseUtf8(std::string_view text) {
  return MapCharacters(text, [](char32_t ch) {
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(ch), Utf8Locale()));
  });
}

Utf8Sequence NextUtf8Sequence(std::string_view bytes, std::size_t pos) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(pos);
  if (lead < 0x80) return {true, 1};
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the next byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return {false, 1};
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (pos + i >= bytes.size() || at(pos + i) < low || at(pos + i) > high) return {false, i};
    low = 0x80;
    high = 0xBF;
  }
  return {true, length};
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) {
    const Utf8Sequence sequence = NextUtf8Sequence(text, pos);
    pos += sequence.valid ? sequence.length : 1;
  }
  return count;
}

}  // namespace pavane::os
