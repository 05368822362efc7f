// What the fuzzers share: reporting a broken property, and a scratch folder
// for the targets that go through files.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace pavane::fuzz {

// A property that must hold for every input. A broken one stops the run
// like a crash, so libFuzzer keeps the input that broke it.
inline void Expect(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "broken property: %s\n", property);
  __builtin_trap();
}

// One folder per fuzzing process, in memory when the system offers it (the
// targets write a few files per input), removed when the process ends.
inline const std::string& ScratchFolder() {
  // Never destroyed: the handler that removes the folder runs after the
  // destructors of statics.
  static const std::string& folder = *new std::string([] {
    const char* base = std::getenv("TMPDIR");
    std::string root = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (base ? base : "/tmp");
    std::string pattern = root + "/pavane-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return pattern;
  }());
  return folder;
}

// Empties the scratch folder, so each input starts from nothing.
inline void ClearScratchFolder() {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder(), ignored)) {
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace pavane::fuzz
