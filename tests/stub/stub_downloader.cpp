// Stands in for the maker's downloader in tests: writes the arguments it was
// started with, one per line, to the file named by PAVANE_STUB_RECORD and
// exits. The record appears complete or not at all (written aside, then
// renamed), so a test can poll for it.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* record = std::getenv("PAVANE_STUB_RECORD");
  if (record == nullptr || *record == '\0') return 2;
  const std::string partial = std::string(record) + ".partial";
  std::FILE* out = std::fopen(partial.c_str(), "wb");
  if (out == nullptr) return 3;
  for (int i = 0; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  if (std::fclose(out) != 0) return 4;
  return std::rename(partial.c_str(), record) == 0 ? 0 : 5;
}
