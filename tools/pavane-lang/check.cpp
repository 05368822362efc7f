#include <cstdio>

#include "lang_tool.h"

namespace pavane::langtool {

int Check(const std::string& /*root*/, std::vector<std::string> /*languages*/) {
  std::fputs("pavane-lang: check is not available yet\n", stderr);
  return 2;
}

}  // namespace pavane::langtool
