// The language variables the program itself looks up by name. A language
// file that lacks one shows an error text in its place.
#pragma once

#include <string>
#include <vector>

namespace pavane::localize {

std::vector<std::string> RequiredVariableNames();

}  // namespace pavane::localize
