// What the fuzzers share: the entry point, reporting a broken property, a
// scratch folder for the targets that go through files, and the standard
// headers they all use.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A broken property stops the run like a crash, so libFuzzer keeps the input.
inline void Expect(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "broken property: %s\n", property);
  __builtin_trap();
}

// One folder per fuzzing process, in memory when the system offers it (the
// targets write a few files per input), removed when the process ends.
inline const std::string& ScratchFolder() {
  // Never destroyed: the exit handler that removes it runs after the
  // destructors of statics.
  static const std::string& folder = *new std::string([] {
    const bool shm = access("/dev/shm", W_OK) == 0;
    std::string pattern = (shm ? "/dev/shm" : std::filesystem::temp_directory_path().string()) +
                          "/pavane-fuzz-XXXXXX";
    Expect(mkdtemp(pattern.data()) != nullptr, "a scratch folder can be made");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return pattern;
  }());
  return folder;
}

// Declares the fuzzer's entry point around the checks that follow it, which
// see each input as text: PAVANE_FUZZ_TARGET(input) { ...checks... }
#define PAVANE_FUZZ_TARGET(input)                                                     \
  static void CheckInput(std::string_view input);                                     \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    CheckInput(std::string_view(reinterpret_cast<const char*>(data), size));          \
    return 0;                                                                         \
  }                                                                                   \
  static void CheckInput(std::string_view input)
