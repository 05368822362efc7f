// Times what a run does with its language file, in process: loading a
// scrambled file of about 100 KB, building its variable table and 200 text
// lookups, some of them through nested variables. Prints the median and
// the spread of the rounds in milliseconds.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "localize/language_loader.h"
#include "localize/language_text.h"
#include "platform/utf8_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLookups = 200;

// A language file as the build writes it: a screen section and the
// variables, every eighth one plain and the others built on the one before.
std::string LanguageFile(std::size_t bytes, int& variables) {
  std::string text = "; Language file for the speed measurement\r\n[[PV_frmEmail]]\r\n";
  text += "cmdSkip.Caption={strLoc_Bench_1}\r\n\r\n[[Code_Strings]]\r\n";
  variables = 0;
  while (text.size() < bytes) {
    const std::string name = "strLoc_Bench_" + std::to_string(variables);
    text += name + "=";
    if (variables % 8 == 0) {
      text += "Ein Text für die Messung, Nummer " + std::to_string(variables);
    } else {
      text += "{strLoc_Bench_" + std::to_string(variables - 1) + "} und mehr";
    }
    text += "\r\n";
    ++variables;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("pavane-bench-" + std::to_string(getpid()) + ".inx");
  int variables = 0;
  const std::string text = LanguageFile(100 * 1024, variables);
  std::string message;
  if (!pavane::platform::SaveUTF8File(file.string(), text, message, true)) {
    std::fprintf(stderr, "pavane-bench-language: %s\n", message.c_str());
    return 1;
  }
  std::vector<double> times;
  std::size_t shown = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    pavane::RunSettings settings;
    settings.LanguageCode = "en";
    pavane::localize::LanguageText language("OL");
    pavane::localize::LanguageLoader loader(settings, language);
    if (!loader.LoadUTF8IniFile(file.string(), message) || !language.InitCodeStrings()) {
      std::fprintf(stderr, "pavane-bench-language: the file did not load: %s\n", message.c_str());
      std::filesystem::remove(file);
      return 1;
    }
    for (int i = 0; i < kLookups; ++i) {
      shown += language.GetStrLocValue("strLoc_Bench_" + std::to_string(i * variables / kLookups))
                   .size();
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::filesystem::remove(file);
  std::sort(times.begin(), times.end());
  std::printf("%.2f %.2f %.2f %zu\n", times[times.size() / 2], times.front(), times.back(),
              shown / static_cast<std::size_t>(rounds));
  return 0;
}
