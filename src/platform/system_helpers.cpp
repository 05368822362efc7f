#include "platform/system_helpers.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "os/files.h"
#include "os/system.h"
#include "platform/text.h"

namespace pavane::platform {
namespace {

std::string NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool IsAsciiLetter(char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

}  // namespace

std::string GetParentFolder(std::string_view path, int drop) {
  const std::vector<std::string> parts = Split(path, "/");
  const auto keep =
      static_cast<std::ptrdiff_t>(parts.size()) - static_cast<std::ptrdiff_t>(std::max(drop, 0));
  std::string result;
  for (std::ptrdiff_t i = 0; i < keep; ++i) {
    if (i > 0) {
      result += '/';
    }
    result += parts[static_cast<std::size_t>(i)];
  }
  return result + "/";
}

std::string StripAtNul(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

std::string GetUtcTimeString() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buffer[32];
  const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &utc);
  return std::string(buffer, length);
}

bool funFileExists(std::string_view path) {
  return !path.empty() && os::FileExists(path);
}

std::string NormalizeLanguageCode(std::string_view code) {
  const std::string trimmed = Trim(code);
  if (trimmed.size() < 2 || trimmed.size() > 3 ||
      !std::all_of(trimmed.begin(), trimmed.end(), IsAsciiLetter)) {
    return {};
  }
  std::string normal = LowerCase(trimmed);
  // Abbreviations that the old Windows names gave and the language files
  // never used.
  if (normal == "ge") return "de";
  if (normal == "jp") return "ja";
  return normal;
}

std::vector<std::string> LanguagesFromLocale() {
  // "de_DE.UTF-8", "ja_JP.eucJP", "sr_RS@latin": the language comes first.
  const auto languageOf = [](std::string_view locale) {
    return NormalizeLanguageCode(locale.substr(0, locale.find_first_of("_.@")));
  };
  const std::string locale = os::ProcessLocaleName();
  const std::string localeLanguage = languageOf(locale);
  // As with the C library's messages, LANGUAGE is not read for the "C" locale.
  if (locale.empty() || locale == "POSIX" || locale == "C" || locale.starts_with("C.")) return {};

  std::vector<std::string> languages;
  for (const std::string& entry : Split(NonEmptyEnv("LANGUAGE"), ":")) {
    const std::string language = languageOf(entry);
    if (!language.empty() &&
        std::find(languages.begin(), languages.end(), language) == languages.end()) {
      languages.push_back(language);
    }
  }
  if (!localeLanguage.empty() &&
      std::find(languages.begin(), languages.end(), localeLanguage) == languages.end()) {
    languages.push_back(localeLanguage);
  }
  return languages;
}

std::string DefaultLanguageFromLocale() {
  const std::vector<std::string> languages = LanguagesFromLocale();
  return languages.empty() ? "en" : languages.front();
}

std::string OsVersion() {
  return Trim(os::SystemVersionText());
}

std::string ProgramFilesFolder() {
  const std::string folder = NonEmptyEnv("ProgramFiles");
  return folder.empty() ? "/opt" : folder;
}

std::string TempFolder(std::string& problem) {
  return os::UserTemporaryFolder(problem).value_or("");
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) {
    return std::string(name);
  }
  while (folder.size() > 1 && folder.back() == '/') {
    folder.remove_suffix(1);
  }
  while (!name.empty() && name.front() == '/') {
    name.remove_prefix(1);
  }
  std::string path(folder);
  if (path.back() != '/') {
    path += '/';
  }
  return path + std::string(name);
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
  const std::filesystem::path inner = std::filesystem::path(path).lexically_normal();
  const std::filesystem::path outer = std::filesystem::path(folder).lexically_normal();
  if (!inner.is_absolute() || !outer.is_absolute()) return false;
  auto at = inner.begin();
  for (const std::filesystem::path& part : outer) {
    // The empty last part of a folder written with a trailing "/".
    if (part.empty()) break;
    if (at == inner.end() || *at != part) return false;
    ++at;
  }
  return true;
}

std::string NativePath(std::string_view windowsPath) {
  return ReplaceAll(windowsPath, "\\", "/");
}

}  // namespace pavane::platform
