// pavane-lang pseudo: the test language xa, made from the English texts.
#include <cstdio>
#include <string>

#include "lang_tool.h"

namespace pavane::langtool {

int Pseudo(const std::string&, const std::string&) {
  std::fputs("pseudo: not available yet\n", stderr);
  return 1;
}

}  // namespace pavane::langtool
