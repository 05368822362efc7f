#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "lang_tool.h"
#include "localize/language_loader.h"
#include "localize/language_text.h"
#include "platform/utf8_file.h"

namespace pavane::langtool {
namespace {

// The settings a developer-mode run would have with its program in root/PV.
RunSettings SettingsFor(const std::string& root, const std::string& language, bool resolve) {
  std::string folder = std::filesystem::absolute(root).lexically_normal().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  RunSettings settings;
  settings.ParentFolder = folder;
  settings.ParentLocalizedFolder = folder + "localized/";
  settings.OwnLocalizedFolder = folder + "PV/localized/";
  settings.LanguageCode = language;
  settings.ProductionMode = false;
  settings.ResolveMode = resolve;
  return settings;
}

}  // namespace

std::vector<std::string> SourceLanguages(const std::string& root) {
  std::vector<std::string> languages;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(root + "/localized/SourceCode", error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && name.size() == 2) languages.push_back(name);
  }
  std::sort(languages.begin(), languages.end());
  return languages;
}

int Build(const std::string& root, std::vector<std::string> languages, bool resolve,
          const std::string& serverBase) {
  if (languages.empty()) languages = SourceLanguages(root);
  if (languages.empty()) {
    std::fprintf(stderr, "pavane-lang: no languages below %s/localized/SourceCode\n", root.c_str());
    return 1;
  }
  int status = 0;
  for (const std::string& language : languages) {
    const RunSettings settings = SettingsFor(root, language, resolve);
    localize::LanguageText text(settings.ShownAppCode);
    text.SetServerBase(serverBase);
    localize::LanguageLoader loader(settings, text);
    // The target folder is part of the layout; a fresh tree does not have it.
    std::error_code ignored;
    std::filesystem::create_directories(loader.BuildTargetFolder(), ignored);

    std::string message;
    if (!loader.BuildLanguageFile(message)) {
      std::fprintf(stderr, "%s: %s\n", language.c_str(), message.c_str());
      status = 1;
    } else if (!message.empty()) {
      std::printf("%s: %s\n", language.c_str(), message.c_str());
    } else {
      std::printf("%s: built %s\n", language.c_str(), loader.BuildTargetPath().c_str());
    }
  }
  return status;
}

int Show(const std::string& file) {
  const bool plain = file.size() >= 4 && file.compare(file.size() - 4, 4, ".ini") == 0;
  std::string text;
  std::string message;
  if (!platform::ReadUTF8File(file, text, message, false, false, !plain)) {
    std::fprintf(stderr, "pavane-lang: %s\n", message.c_str());
    return 1;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace pavane::langtool
