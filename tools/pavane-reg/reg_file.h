// Registry text files as Windows' registry editor writes them: the
// "Windows Registry Editor Version 5.00" header, "[KEY]" sections and
// "Name"="value" lines. Only keys and string values are understood; a file
// with anything else is refused as a whole, so that an import never leaves
// half of a setup's values behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "os/registry_store.h"

namespace pavane::tools {

inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";
// Bigger than any file a setup ships; the whole file is held in memory.
inline constexpr std::size_t kMaxRegFileBytes = std::size_t{64} << 20;

// Turns the file's bytes (UTF-8 with or without BOM, or UTF-16LE with BOM;
// CR LF or LF) into the changes it asks for: each section creates its key,
// each value line sets a value. On a fault, fills `error` with
// "line N: what is wrong" and returns false.
bool ParseRegFile(std::string_view bytes, std::vector<os::RegistryChange>& changes,
                  std::string& error);

// `"text"` with \ and " escaped by a backslash.
std::string QuoteRegString(std::string_view text);

// Writes the key (a root with an empty sub-key for a whole root) and all
// keys below it as sections to `out`. Names and values that the format
// cannot hold (line ends, NUL) are left out and described in `skipped`.
os::StoreStatus ExportRegKey(os::RegistryStore& store, const std::string& root,
                             const std::string& subkey, std::string& out,
                             std::vector<std::string>& skipped);

}  // namespace pavane::tools
