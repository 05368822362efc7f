// The test language xa: English texts made visibly foreign, longer and
// bracketed, so that a screen shows at once which text it does not take from
// the language file, and where a longer translation will be cut.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace pavane::langtool {

// The code of the pseudo language.
inline constexpr const char* kPseudoLanguage = "xa";

// "Next >" becomes "[Ñéẋţ > ~~]": letters accented, about 40 % longer,
// bracketed; blanks at either end stay outside the brackets. Placeholders in
// braces ("{strLoc_X}", "{CRLF}", "{#AppID}", nested ones) and, with
// `markup`, character references ("&amp;") are kept as they are; so are
// words that look like addresses (holding "@" or "://"). A text without a
// letter outside its placeholders comes back unchanged.
std::string PseudoText(std::string_view text, bool markup = false);

// A source in the language-file format: the values of the localized
// variables (strLoc_...) and the text of caption and tooltip statements made
// pseudo; names, fixed texts, addresses, comments, other statements and the
// line ends kept. The first line notes that the file is generated.
std::string PseudoSource(std::string_view source);

// An HTML page with the text of its elements made pseudo; markup,
// attributes, scripts and styles stay byte for byte, except that a reference
// (src, href) naming one of `sharedFiles` is pointed at "../shared/", and a
// list with the id "language" gains the pseudo language, chosen (the last chosen option wins).
std::string PseudoPage(std::string_view page, const std::set<std::string>& sharedFiles = {});

}  // namespace pavane::langtool
