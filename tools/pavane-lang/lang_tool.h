// The commands of pavane-lang, on the program's own language code.
#pragma once

#include <string>
#include <vector>

namespace pavane::langtool {

// Every language that has a source folder below root/localized/SourceCode.
std::vector<std::string> SourceLanguages(const std::string& root);

int Build(const std::string& root, std::vector<std::string> languages, bool resolve,
          const std::string& serverBase);
int Show(const std::string& file);
int Check(const std::string& root, std::vector<std::string> languages);
// Writes the pseudo language's sources from the English ones and, when
// pagesFolder is given, its pages from the shared (English) ones.
int Pseudo(const std::string& root, const std::string& pagesFolder);

}  // namespace pavane::langtool
