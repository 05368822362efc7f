#include "localize/language_loader.h"

#include <ctime>
#include <optional>

#include "os/files.h"
#include "platform/system_helpers.h"
#include "platform/text.h"
#include "platform/utf8_file.h"

namespace pavane::localize {
namespace {

using platform::Contains;
using platform::Split;
using platform::Trim;

constexpr std::string_view kProjectCode = "PV";
constexpr std::string_view kCodeStringsHeaderEnd = "_Code_Strings]]";
constexpr std::string_view kBuildComment = ";+++";

// The time a missing target counts as; a missing target is built whatever
// its sources' dates.
std::chrono::system_clock::time_point NoTargetTime() {
  std::tm date{};
  date.tm_year = 2015 - 1900;
  date.tm_mon = 0;
  date.tm_mday = 1;
  date.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&date));
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The part of a listed source path from its "SourceCode" folder on, in the
// spelling of the loader file ("SourceCode\en\Screens.txt").
std::optional<std::string> ShortName(const std::string& listedPath) {
  std::size_t at = listedPath.find("SourceCode\\");
  if (at == std::string::npos) at = listedPath.find("SourceCode/");
  if (at == std::string::npos) return std::nullopt;
  return listedPath.substr(at);
}

// Where the code-strings header that holds the occurrence at `at` starts,
// or nullopt when that line is no header: a header line begins with "[["
// and a prefix of at least two characters, so a comment never is one.
std::optional<std::size_t> HeaderLineStart(const std::string& text, std::size_t at) {
  const std::size_t lineFeed = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
  const std::size_t lineStart = lineFeed == std::string::npos ? 0 : lineFeed + 1;
  const std::string before = Trim(std::string_view(text).substr(lineStart, at - lineStart));
  if (before.size() < 4 || before.compare(0, 2, "[[") != 0) return std::nullopt;
  return lineStart;
}

std::size_t CountLines(std::string_view text) {
  std::size_t lines = 0;
  for (std::size_t at = text.find(kCrLf); at != std::string_view::npos;
       at = text.find(kCrLf, at + kCrLf.size())) {
    ++lines;
  }
  return lines;
}

// The 1-based line of the first bytes that are not UTF-8, or 0.
std::size_t FirstInvalidLine(std::string_view bytes) {
  std::size_t line = 1;
  for (std::size_t start = 0; start <= bytes.size(); ++line) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (!platform::IsValidUtf8(bytes.substr(start, end - start))) return line;
    start = end + 1;
  }
  return 0;
}

// What a loader file holds when it names no source, in words.
std::string DescribeLoaderFile(const std::string& path, const std::string& text) {
  std::string bytes;
  os::FileError error;
  os::ReadFileBytes(path, os::kMaxTextFileBytes, bytes, error);
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return std::string("it is UTF-16 text (") +
           (bytes[0] == '\xFF' ? "little-endian" : "big-endian") +
           "); save it as UTF-8 with CR LF or LF line ends";
  }
  if (bytes.find('\0') != std::string::npos) {
    return "it holds NUL bytes, as UTF-16 text without a byte-order mark does; save it as UTF-8";
  }
  std::size_t comments = 0;
  std::size_t blank = 0;
  std::size_t other = 0;
  std::vector<std::string> lines = Split(text, kCrLf);
  // The line break that ends the last line starts no line of its own.
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  for (const std::string& line : lines) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty()) {
      ++blank;
    } else if (trimmed.front() == ';') {
      ++comments;
    } else {
      ++other;
    }
  }
  return "it holds " + std::to_string(lines.size()) + " line(s): " + std::to_string(comments) +
         " comment(s), " + std::to_string(blank) + " blank and " + std::to_string(other) +
         " other line(s), and no line outside a comment holds \"file=\"";
}

}  // namespace

bool ReadLanguageSourceFile(const std::string& path, bool acceptNoBom, std::string& text,
                            std::string& message, LineEnds* ends) {
  if (!platform::ReadUTF8File(path, text, message, acceptNoBom, false, false)) return false;
  if (Contains(text, "\xEF\xBF\xBD")) {
    // The reader shows broken bytes as U+FFFD; a translator needs to know
    // where they are. A U+FFFD written as such is fine.
    std::string bytes;
    os::FileError error;
    if (os::ReadFileBytes(path, os::kMaxTextFileBytes, bytes, error) &&
        bytes.starts_with("\xEF\xBB\xBF")) {
      if (const std::size_t line = FirstInvalidLine(std::string_view(bytes).substr(3))) {
        text.clear();
        message = "Error: The file " + path + " is not valid UTF-8 in line " + std::to_string(line);
        return false;
      }
    }
  }
  LineEnds counted;
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at > 0 && text[at - 1] == '\r') {
      ++counted.crlf;
    } else {
      ++counted.lf;
    }
  }
  if (counted.lf > 0) {
    std::string joined;
    joined.reserve(text.size() + counted.lf);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) joined += '\r';
      joined += text[i];
    }
    text = std::move(joined);
  }
  if (ends != nullptr) *ends = counted;
  return true;
}

std::string ReadSavedLanguage(platform::Registry& registry, const std::string& productKeyName) {
  // "Error" (a value the setup could not fill) and anything else that is no
  // language code count as nothing saved.
  if (productKeyName.empty()) return {};
  return platform::NormalizeLanguageCode(
      registry.GetStringValue("HKEY_LOCAL_MACHINE\\Software\\" + productKeyName, "Language"));
}

std::string RemoveMarkedLines(const std::string& text, std::string_view marker, bool dropFirst) {
  const std::vector<std::string> lines = Split(text, kCrLf);
  const std::size_t first = dropFirst ? 1 : 0;
  std::string kept;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (Contains(lines[i], marker)) continue;
    if (i != first) kept += kCrLf;
    kept += lines[i];
  }
  return kept;
}

std::string LanguageLoader::ProductionFilePath() const {
  return settings_.OwnLocalizedFolder + settings_.LanguageCode + "/Language.inx";
}

bool LanguageLoader::HasLanguage(std::string_view code) const {
  if (code.empty() || platform::NormalizeLanguageCode(code) != code) return false;
  if (settings_.ProductionMode) {
    return os::FileExists(settings_.OwnLocalizedFolder + std::string(code) + "/Language.inx");
  }
  return os::IsFolder(settings_.ParentFolder + std::string(kProjectCode) + "/localized/" +
                      std::string(code));
}

std::string LanguageLoader::LoaderFilePath() const {
  return settings_.ParentLocalizedFolder + std::string(kProjectCode) + "/" +
         settings_.LoaderFileName;
}

std::string LanguageLoader::BuildTargetFolder() const {
  return settings_.ParentFolder + std::string(kProjectCode) + "/localized/" +
         settings_.LanguageCode;
}

std::string LanguageLoader::BuildTargetName() const {
  return settings_.ResolveMode ? "language.inx" : "language.ini";
}

bool LanguageLoader::InitLanguageText(std::string& message) {
  message.clear();
  warning_.clear();
  std::string file = ProductionFilePath();
  bool scrambled = true;
  if (!settings_.ProductionMode) {
    if (!BuildLanguageFile(message)) return false;
    // A build without "resolve" leaves a plain file for the translator, and
    // that is the file this run shows.
    if (!settings_.ResolveMode) {
      file = targetPath_;
      scrambled = false;
    }
  }
  std::string readMessage;
  if (!LoadUTF8IniFile(file, readMessage, scrambled)) {
    message = "Error in function LoadUTF8IniFile: " + readMessage;
    return false;
  }
  if (!language_.InitCodeStrings()) {
    message = "Error in function InitCodeStrings";
    return false;
  }
  warning_ = language_.CheckVariables();
  return true;
}

bool LanguageLoader::LoadUTF8IniFile(const std::string& path, std::string& message,
                                     bool scrambled) {
  if (language_.LoadedLanguage() == settings_.LanguageCode) return true;
  message.clear();
  language_.SetLoadedLanguage("");

  if (!os::FileExists(path)) {
    message = "File '" + path + "' cannot be found";
    return false;
  }
  std::string text;
  if (!platform::ReadUTF8File(path, text, message, false, false, scrambled)) {
    language_.SetText("");
    return false;
  }
  language_.SetText(std::move(text));
  language_.SetLoadedLanguage(settings_.LanguageCode);
  return true;
}

bool LanguageLoader::CheckLanguagePaths(std::string& message) {
  const std::string& code = settings_.LanguageCode;
  if (code.empty() || platform::NormalizeLanguageCode(code) != code) {
    message = "Wrong or missing language ID: " + code;
    return false;
  }
  const std::string loader = LoaderFilePath();
  if (!os::FileExists(loader)) {
    message = "File '" + loader + "' cannot be found";
    return false;
  }
  const std::string folder = BuildTargetFolder();
  if (!os::IsFolder(folder)) {
    message = "Folder '" + folder + "' does not exist";
    return false;
  }
  targetTime_ = NoTargetTime();
  targetPath_ = WithTrailingSlash(folder) + BuildTargetName();
  const auto modified = os::LastModified(targetPath_);
  targetExists_ = modified.has_value();
  if (modified) targetTime_ = *modified;
  return true;
}

bool LanguageLoader::ListSources(std::vector<ListedSource>& sources, std::string& message) const {
  sources.clear();
  std::string loaderText;
  if (!ReadLanguageSourceFile(LoaderFilePath(), true, loaderText, message)) return false;
  const std::vector<std::string> lines = Split(loaderText, kCrLf);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed.front() == ';') continue;
    if (!Contains(line, "file=")) continue;
    const std::vector<std::string> parts = Split(line, "=");
    if (parts.size() != 2) {
      message = "Error in LanguageLoader.ini line " + std::to_string(i + 1) + " - " + line;
      return false;
    }
    std::string listed =
        StripQuotes(platform::ReplaceAll(parts[1], "{LANGUAGE_ID}", settings_.LanguageCode));
    sources.push_back(
        {settings_.ParentLocalizedFolder + listed, std::move(listed), static_cast<int>(i + 1)});
  }
  if (sources.empty()) {
    // Building nothing would leave the last build (or none) in place and
    // call it up to date.
    message = "The loader file '" + LoaderFilePath() +
              "' names no source files: " + DescribeLoaderFile(LoaderFilePath(), loaderText);
    return false;
  }
  return true;
}

bool LanguageLoader::BuildLanguageFile(std::string& message) {
  message.clear();
  sources_.clear();
  if (!CheckLanguagePaths(message)) return false;

  std::vector<ListedSource> listed;
  if (!ListSources(listed, message)) return false;

  bool buildNeeded = !targetExists_;
  for (const ListedSource& source : listed) {
    sources_.push_back(source.path);
    const auto modified = os::LastModified(platform::NativePath(source.path));
    if (!modified) {
      message = "Could not locate language file '" + source.path + ",";
      message += std::string(kCrLf) + std::string(kCrLf) + "File not found";
      return false;
    }
    if (*modified > targetTime_) buildNeeded = true;
  }

  if (!buildNeeded) {
    message = "The target file is up-to-date";
    return true;
  }

  if (!AssembleLanguageFile(listed, message)) return false;

  // The previous build stays in place until the new one is safely written.
  const bool scramble = settings_.ResolveMode;
  if (!platform::SaveUTF8File(targetPath_, assembled_, message, scramble)) return false;
  if (settings_.ResolveMode) {
    // The plain file of an earlier build without "resolve" would be stale.
    os::FileError ignored;
    os::RemoveFile(targetPath_.substr(0, targetPath_.size() - 1) + "i", ignored);
  }
  return true;
}

bool LanguageLoader::AssembleLanguageFile(const std::vector<ListedSource>& sources,
                                          std::string& message) {
  message.clear();
  assembled_.clear();
  records_.clear();
  pieces_.clear();
  for (const ListedSource& source : sources) {
    if (!AppendSourceFile(platform::NativePath(source.path), source.listed, message)) return false;
  }
  if (!AppendCodeStrings(message)) return false;

  if (settings_.ResolveMode) {
    language_.SetText(assembled_);
    language_.SetLoadedLanguage("");
    if (!language_.ResolveAllVariables(message)) return false;
    assembled_ = language_.Text();
  }
  return true;
}

bool LanguageLoader::AppendSourceFile(const std::string& path, const std::string& listedPath,
                                      std::string& message) {
  std::string text;
  if (!ReadLanguageSourceFile(path, false, text, message)) return false;
  const std::optional<std::string> shortName = ShortName(listedPath);
  if (!shortName) {
    message = "The language source '" + listedPath + "' is not in a SourceCode folder";
    return false;
  }
  const std::size_t firstRecord = records_.size();
  if (!ExtractCodeStrings(text, *shortName, message)) return false;
  for (std::size_t i = firstRecord; i < records_.size(); ++i) records_[i].path = path;
  if (!assembled_.empty()) {
    assembled_ +=
        ";### Appended File: " + *shortName + " ###" + std::string(kCrLf) + std::string(kCrLf);
  }
  pieces_.push_back({path, CountLines(assembled_)});
  assembled_ += text;
  return true;
}

bool LanguageLoader::ExtractCodeStrings(std::string& text, const std::string& shortName,
                                        std::string& /*message*/) {
  std::size_t searchFrom = 0;
  for (;;) {
    const std::size_t at = text.find(kCodeStringsHeaderEnd, searchFrom);
    if (at == std::string::npos) return true;
    const std::optional<std::size_t> start = HeaderLineStart(text, at);
    if (!start) {
      // Mentioned in a comment or inside an entry: not a section. Searching
      // on from behind it keeps the search moving forwards.
      searchFrom = at + kCodeStringsHeaderEnd.size();
      continue;
    }
    // The section runs to the next header after its own.
    const std::size_t next = text.find("[[", *start + 2);
    const std::size_t end = next == std::string::npos ? text.size() : next;
    const std::string section = text.substr(*start, end - *start);
    text.erase(*start, end - *start);

    const std::size_t headerEnd = section.find(kCrLf);
    records_.push_back({Trim(section.substr(0, headerEnd)),
                        RemoveMarkedLines(section, kBuildComment, true),
                        shortName,
                        {}});
    text = RemoveMarkedLines(text, kBuildComment, false);
    searchFrom = 0;
  }
}

bool LanguageLoader::AppendCodeStrings(std::string& message) {
  if (records_.empty()) {
    message = "There were no CodeString sections which should not happen!";
    return false;
  }
  const std::string crlf(kCrLf);
  assembled_ += crlf + crlf + crlf + ";---------------------- CodeStrings ----------------------" +
                crlf + "[[Code_Strings]]";
  for (const CodeStringsRecord& record : records_) {
    assembled_ +=
        crlf + crlf + crlf + ";--- CodeStrings added from " + record.shortName + " ---" + crlf;
    pieces_.push_back({record.path, CountLines(assembled_)});
    assembled_ += record.body;
  }
  return true;
}

}  // namespace pavane::localize
