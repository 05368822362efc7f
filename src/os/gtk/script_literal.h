// Values the program puts into page scripts (element ids and names,
// attribute names, values to set) travel as JavaScript string literals, so
// that no value can end the literal, the script or the page's <script> block.
#pragma once

#include <string>
#include <string_view>

namespace pavane::os::gtk {

// `text` (UTF-8) as a double-quoted JavaScript string literal: quotes,
// backslashes and control characters escaped, U+2028 and U+2029 (line ends
// to JavaScript) escaped, "</" written "<\/"; bytes that are not UTF-8
// become U+FFFD.
std::string ScriptLiteral(std::string_view text);

}  // namespace pavane::os::gtk
