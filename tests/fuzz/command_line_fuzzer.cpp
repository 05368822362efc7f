// The command line: the Windows splitting rules by which started programs
// get their arguments, and the setup's switches that become the run
// settings. The input is one command line.
#include <tuple>

#include "app/command_line.h"
#include "fuzz_support.h"
#include "platform/system_helpers.h"
#include "platform/text.h"
#include "platform/windows_command_line.h"

using namespace pavane::platform;

PAVANE_FUZZ_TARGET(line) {
  const std::vector<std::string> arguments = SplitWindowsCommandLine(line);
  Expect(arguments.empty() == (line.find_first_not_of(" \t") == std::string_view::npos),
         "only an empty or blank line gives no arguments");
  Expect(arguments.empty() || arguments[0].find('"') == std::string::npos,
         "the program path keeps no quote");

  // Any texts, here the input's lines, survive quoting one by one.
  std::vector<std::string> pieces = Split(line, "\n");
  std::string built = "prog";
  for (const std::string& piece : pieces) built += " " + QuoteWindowsArgument(piece);
  pieces.insert(pieces.begin(), "prog");
  Expect(SplitWindowsCommandLine(built) == pieces, "any text survives QuoteWindowsArgument");

  pavane::RunSettings settings, lowered;
  std::string message, loweredMessage;
  const bool ok = pavane::app::ParseCommandLine(settings, line, message);
  Expect(ok == (message.empty() || message == "Command Line arguments missing" ||
                message.starts_with("Ignoring")),
         "the result is true exactly when the message is only a note");
  const std::string& app = settings.MainAppCode;
  Expect(app.empty() || (CharacterCount(app) == 2 && UpperCase(app) == app),
         "an application code is two upper-case characters");
  Expect(NormalizeLanguageCode(settings.LanguageCode) == settings.LanguageCode,
         "the language is a normalised code or none");

  // Switches are read without regard to letter case.
  const auto switched = [](const pavane::RunSettings& s) {
    return std::tie(s.MainAppCode, s.SaccCode, s.LanguageCode, s.LoaderFileName, s.ResolveMode,
                    s.FailEastAsianFonts, s.ProductionMode, s.TestMode);
  };
  Expect(pavane::app::ParseCommandLine(lowered, LowerCase(line), loweredMessage) == ok &&
             loweredMessage == message && switched(lowered) == switched(settings),
         "a lower-cased command line gives the same settings");
}
