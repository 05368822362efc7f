// Where the registry store lives when nobody names another file.
#pragma once

#include <string>

namespace pavane::os {

// PAVANE_REGISTRY when set and not empty; otherwise
// $XDG_DATA_HOME/pavane/registry.db, with XDG_DATA_HOME falling back to
// $HOME/.local/share as the XDG base directory rules say.
std::string DefaultRegistryPath();

}  // namespace pavane::os
