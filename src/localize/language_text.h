// The loaded language: one sectioned text whose screen sections hold the
// statements that caption each screen and whose "[[Code_Strings]]" section
// holds the named texts and addresses the rest of the program asks for.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "run/language_texts.h"

namespace pavane::localize {

inline constexpr std::string_view kCrLf = "\r\n";

// Removes one leading and one trailing double quote of a non-empty text.
std::string StripQuotes(std::string_view text);

class LanguageText : public LanguageTexts {
 public:
  // `shownAppCode` is read whenever a "{#AppID}" is resolved, so it follows
  // the product on show.
  explicit LanguageText(const std::string& shownAppCode) : shownAppCode_(shownAppCode) {}

  // The variable that holds the scheme and host of the maker's server, on
  // which the validation service and the download addresses are built.
  static constexpr std::string_view kServerBaseVariable = "strURL_SH_ServerBase";
  // The deployment's server: when set, the variable answers with it
  // whatever the file says, and a resolved build writes it as the
  // variable's value. Kept across SetText.
  void SetServerBase(std::string base) { serverBase_ = std::move(base); }

  // The whole language file, lines separated by CR LF.
  const std::string& Text() const { return text_; }
  void SetText(std::string text);

  // Language code of the file in Text(); "" when none is loaded.
  const std::string& LoadedLanguage() const { return loadedLanguage_; }
  void SetLoadedLanguage(std::string code) { loadedLanguage_ = std::move(code); }

  // The section's entries, header first; a missing section gives one empty
  // string. `name` may be given with or without its "[[" and "]]" and is
  // changed to the bracketed form.
  std::vector<std::string> GetSection(std::string& name) const;
  // Where GetSection finds that section in Text(): the first occurrence of
  // its bracketed name, wherever it stands; npos when there is none.
  std::size_t SectionStart(std::string& name) const;

  // Rebuilds the variable table; true when it holds the header and at least
  // four entries.
  bool InitCodeStrings();
  const std::vector<std::string>& CodeStrings() const { return codeStrings_; }

  std::string GetStrLocValue(std::string_view name) const override;
  std::string ProcessLanguageLine(std::string_view line) const;
  void ResolveVariables(std::string& text) const;

  // Resolves the values of every line of Text() once, keeping "{CRLF}", the
  // "{#" references, the product-name entries and the server variable for
  // run time. Without a shown product (the build of the files that ship, one
  // for every product) every value that depends on it stays for run time too.
  bool ResolveAllVariables(std::string& message);
  // True when resolving `text` reads the shown product: it holds "{#AppID}",
  // or a variable it refers to does, however deep.
  bool UsesShownProduct(std::string_view text) const;

  // A value is resolved at most kMaxNesting variables deep and grows to at
  // most kMaxValueBytes; past either, the placeholder stays as it is.
  static constexpr std::size_t kMaxNesting = 32;
  static constexpr std::size_t kMaxValueBytes = 256 * 1024;
  // Resolves every variable of the table once and returns what
  // ExpansionFault then says.
  std::string CheckVariables() const;
  // The first variable since SetText that a bound kept out of a value a
  // caller got, as a sentence naming it; "" when none was.
  const std::string& ExpansionFault() const { return expansionFault_; }

 private:
  // One resolution from the outside in: names being resolved (to break
  // cycles) and values already resolved (so nothing is resolved twice).
  // A value's height: how many variables deep its resolution went (1 for a
  // variable that holds none).
  struct Resolved {
    std::string value;
    std::size_t height = 0;
  };
  struct Resolution {
    std::set<std::string, std::less<>> active;
    std::unordered_map<std::string, Resolved> done;
    std::size_t height = 0;  // of the text or variable resolved last
    // The names a bound kept out, with the bound.
    std::map<std::string, std::string, std::less<>> heldBack;
    // The held-back name that `value` still holds; null when none. The
    // passes look at the first placeholder only, so it is that one.
    const std::string* HeldBackIn(std::string_view value) const;
  };
  // Names the held-back variable still in `value`, which a caller gets.
  void NoteHeldBack(std::string_view value, const Resolution& resolution) const;

  std::string Lookup(std::string_view name, Resolution& resolution) const;
  std::string ProcessLine(std::string_view line, Resolution& resolution) const;
  void Resolve(std::string& text, Resolution& resolution) const;
  void IndexCodeStrings();

  const std::string& shownAppCode_;
  std::string serverBase_;
  std::string text_;
  std::string loadedLanguage_;
  std::vector<std::string> codeStrings_;
  // First table line for each variable name, as the first-match walk finds it.
  std::unordered_map<std::string, std::size_t> firstLine_;
  mutable std::string expansionFault_;
};

}  // namespace pavane::localize
