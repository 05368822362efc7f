// Text in the legacy 8-bit code page that files written on Western Windows
// systems use when they carry no byte-order mark.
#pragma once

#include <string>
#include <string_view>

namespace pavane::os {

// Decodes Windows-1252 bytes into UTF-8. The five bytes that code page leaves
// undefined become the control characters of the same value, as Windows
// itself decodes them.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace pavane::os
