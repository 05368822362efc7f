#include "localize/captions.h"

#include "platform/text.h"

namespace pavane::localize {
namespace {

bool IsMissing(const std::vector<std::string>& section) {
  return section.size() == 1 && section.front().empty();
}

StatementObserver Failures(const StatementFailure& onFailure) {
  if (!onFailure) return {};
  return [&onFailure](const StatementRun& run) {
    if (!run.error.empty()) onFailure(run.entry, QuoteStatementValue(run.resolved), run.error);
  };
}

}  // namespace

bool InitScriptControl(const screens::Form& form, vbscript::Engine& engine) {
  engine.Reset();
  engine.SetAllowUI(true);
  form.RegisterWithEngine(engine);
  return true;
}

bool SetCaptions(vbscript::Engine& engine, const LanguageText& language, std::string& appSection,
                 std::string& formSection, std::string& message,
                 const StatementFailure& onFailure) {
  return SetCaptions(engine, language, appSection, formSection, message, Failures(onFailure));
}

bool SetCaptions(vbscript::Engine& engine, const LanguageText& language, std::string& appSection,
                 std::string& formSection, std::string& message,
                 const StatementObserver& observer) {
  message.clear();

  const std::vector<std::string> app = language.GetSection(appSection);
  if (IsMissing(app)) message = "App Section " + appSection + " is missing or has no data";
  ExecuteSection(engine, language, appSection, app, observer);

  const std::vector<std::string> screen = language.GetSection(formSection);
  if (IsMissing(screen)) {
    if (!message.empty()) return false;
    message = "Frm Section " + formSection + " is missing or has no data";
  }
  ExecuteSection(engine, language, formSection, screen, observer);

  // "[[PV_frmEmail]]" has its common section in "PVCommon".
  std::string common = formSection.substr(2, 2) + "Common";
  const std::vector<std::string> commonEntries = language.GetSection(common);
  ExecuteSection(engine, language, common, commonEntries, observer);
  return true;
}

void ExecuteSection(vbscript::Engine& engine, const LanguageText& language,
                    const std::vector<std::string>& entries, const StatementFailure& onFailure) {
  ExecuteSection(engine, language, std::string(), entries, Failures(onFailure));
}

void ExecuteSection(vbscript::Engine& engine, const LanguageText& language,
                    const std::string& section, const std::vector<std::string>& entries,
                    const StatementObserver& observer) {
  for (std::size_t i = 1; i < entries.size(); ++i) {
    std::string entry = entries[i];
    if (platform::Contains(entry, "{")) language.ResolveVariables(entry);
    const std::string statement = QuoteStatementValue(entry);
    std::string error;
    const bool ran = engine.ExecuteStatement(statement, error);
    if (ran) {
      error.clear();
    } else if (error.empty()) {
      error = "the statement does not run";
    }
    if (observer) observer({section, i, entries[i], entry, error});
  }
}

std::string QuoteStatementValue(std::string_view statement) {
  const std::vector<std::string> parts = platform::Split(statement, "=");
  if (parts.size() != 2) return std::string(statement);
  std::string value = platform::ReplaceAll(StripQuotes(parts[1]), "\"", "\"\"");
  value = platform::ReplaceAll(value, kCrLf, kLineBreakText);
  return parts[0] + "=\"" + value + "\"";
}

}  // namespace pavane::localize
