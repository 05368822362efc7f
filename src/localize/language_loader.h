// Finding, building and loading the language file of the run's language.
//
// Production runs load "<program folder>/localized/<code>/Language.inx".
// Developer runs ("/noproduction") first rebuild the file from the sources
// that the loader file lists, when any of them is newer than the last build:
// without "/resolve" the build is a plain "language.ini" that a translator can
// read and that the run loads; with it, a scrambled "language.inx" with every
// variable resolved once.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "localize/language_text.h"
#include "platform/registry.h"
#include "run/run_settings.h"

namespace pavane::localize {

// The language saved for the application ("Language" under its key),
// normalised; "" when none can be read or it is no language code.
std::string ReadSavedLanguage(platform::Registry& registry, const std::string& productKeyName);

// How the lines of a text file end.
struct LineEnds {
  std::size_t crlf = 0;
  std::size_t lf = 0;  // a line feed without a carriage return before it
};

// Reads a loader or source file the way the build does. Lines may end in
// CR LF or, as Linux editors write them, in LF alone; either way they come
// back ending in CR LF, and `ends` (when given) tells which the file had.
// Bytes that are not UTF-8 in a file with a byte-order mark are refused
// with the line that holds them rather than shown as U+FFFD.
bool ReadLanguageSourceFile(const std::string& path, bool acceptNoBom, std::string& text,
                            std::string& message, LineEnds* ends = nullptr);

class LanguageLoader {
 public:
  LanguageLoader(const RunSettings& settings, LanguageText& language)
      : settings_(settings), language_(language) {}

  // Loads the run's language (building it first in developer mode).
  bool InitLanguageText(std::string& message);
  // After a load: what the language file holds that the program cannot use
  // as written (a variable that expands too deep or too far), or "".
  const std::string& Warning() const { return warning_; }
  // Reads one language file into the language text, unless that language is
  // loaded already.
  bool LoadUTF8IniFile(const std::string& path, std::string& message, bool scrambled = true);
  // The developer-mode build. Succeeds with "The target file is up-to-date"
  // when nothing is newer than the last build.
  bool BuildLanguageFile(std::string& message);

  // True when this installation has the language `code` (a normalised
  // code): its file, or in developer mode its build folder.
  bool HasLanguage(std::string_view code) const;

  // Where things are, for the run's language.
  std::string ProductionFilePath() const;
  std::string LoaderFilePath() const;
  std::string BuildTargetFolder() const;
  std::string BuildTargetName() const;

  // A source the loader file lists: its path (source folder + the listed
  // text), the listed text itself, and the loader line that names it.
  struct ListedSource {
    std::string path;
    std::string listed;
    int loaderLine = 0;
  };
  // Reads the loader file of the run's language. A loader file that names
  // no source is refused with what it holds instead.
  bool ListSources(std::vector<ListedSource>& sources, std::string& message) const;

  // The build's steps; public so that the translators' tool can run them.
  bool CheckLanguagePaths(std::string& message);
  bool AppendSourceFile(const std::string& path, const std::string& listedPath,
                        std::string& message);
  bool ExtractCodeStrings(std::string& text, const std::string& shortName, std::string& message);
  bool AppendCodeStrings(std::string& message);
  // Puts the listed sources together (and with "resolve" resolves them) as
  // a build does, without writing anything.
  bool AssembleLanguageFile(const std::vector<ListedSource>& sources, std::string& message);

  // Where the assembled text came from: each piece begins at a line of the
  // assembled text and goes on through the lines of one source that the
  // build kept, in order (a source's own text, or one of its code-strings
  // sections). Lines that the build dropped are not in it.
  struct Piece {
    std::string path;
    std::size_t firstLine = 0;  // 0-based, in the assembled text
  };
  const std::vector<Piece>& Pieces() const { return pieces_; }

  const std::string& AssembledText() const { return assembled_; }
  const std::string& BuildTargetPath() const { return targetPath_; }
  // The sources of the last build, as the loader file lists them.
  const std::vector<std::string>& SourceList() const { return sources_; }

 private:
  struct CodeStringsRecord {
    std::string header;
    std::string body;
    std::string shortName;
    std::string path;
  };

  const RunSettings& settings_;
  LanguageText& language_;
  std::string targetPath_;
  std::string warning_;
  std::chrono::system_clock::time_point targetTime_;
  bool targetExists_ = false;
  std::vector<std::string> sources_;
  std::string assembled_;
  std::vector<CodeStringsRecord> records_;
  std::vector<Piece> pieces_;
};

// Keeps the lines of `text` (split at CR LF) that do not contain `marker`,
// from the first line or, with `dropFirst`, from the second, joined with
// CR LF. A dropped line at the start still leaves its line break behind.
std::string RemoveMarkedLines(const std::string& text, std::string_view marker, bool dropFirst);

}  // namespace pavane::localize
