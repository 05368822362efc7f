// Captions from the language file: each screen's sections hold statements
// ("cmdNext.Caption=Weiter >") that the statement engine runs against the
// window's controls, so translators can set any property of any control.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "localize/language_text.h"
#include "screens/host/form.h"
#include "vbscript/engine.h"

namespace pavane::localize {

// What a line break inside a quoted statement value becomes: the value is
// cut and joined again with the characters LF and CR.
inline constexpr std::string_view kLineBreakText = "\" & Chr(10) & Chr(13) & \"";

// Told of every statement that does not run; the run goes on without it.
using StatementFailure = std::function<void(const std::string& entry, const std::string& statement,
                                            const std::string& error)>;

// One statement of a section as it ran: the bracketed section, the entry's
// index after the header, the entry as written and with its placeholders
// resolved, and the engine's error ("" when it ran through).
struct StatementRun {
  const std::string& section;
  std::size_t index;
  const std::string& entry;
  const std::string& resolved;
  const std::string& error;
};
using StatementObserver = std::function<void(const StatementRun&)>;

// Starts the window's engine afresh with the window's controls registered.
bool InitScriptControl(const screens::Form& form, vbscript::Engine& engine);

// Runs the application section (e.g. "OL-PV_frmEmail"), the screen section
// ("PV_frmEmail") and the common section ("PVCommon"), in that order, so a
// later section overrides an earlier one. Fails only when both the
// application and the screen section are missing. Both names come back in
// their bracketed form.
bool SetCaptions(vbscript::Engine& engine, const LanguageText& language, std::string& appSection,
                 std::string& formSection, std::string& message,
                 const StatementFailure& onFailure = {});
// The same, telling `observer` of every statement it runs.
bool SetCaptions(vbscript::Engine& engine, const LanguageText& language, std::string& appSection,
                 std::string& formSection, std::string& message, const StatementObserver& observer);

// Runs a section's entries after its header; a failing one is skipped.
void ExecuteSection(vbscript::Engine& engine, const LanguageText& language,
                    const std::vector<std::string>& entries,
                    const StatementFailure& onFailure = {});
void ExecuteSection(vbscript::Engine& engine, const LanguageText& language,
                    const std::string& section, const std::vector<std::string>& entries,
                    const StatementObserver& observer);

// "control.Caption=text" becomes control.Caption="text" (quotes doubled,
// line breaks joined in); a statement with no or several "=" is taken as
// written script.
std::string QuoteStatementValue(std::string_view statement);

}  // namespace pavane::localize
