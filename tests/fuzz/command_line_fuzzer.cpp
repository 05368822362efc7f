// The command-line grammar: the Windows splitting rules by which started
// programs get their arguments, and the setup's switches that become the
// run settings. The input is one command line.
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "app/command_line.h"
#include "fuzz_support.h"
#include "platform/system_helpers.h"
#include "platform/text.h"
#include "platform/windows_command_line.h"

namespace {

using pavane::fuzz::Expect;
using namespace pavane::platform;

// What the switches decide.
auto Switched(const pavane::RunSettings& s) {
  return std::tie(s.MainAppCode, s.ShownAppCode, s.SaccCode, s.LanguageCode, s.LoaderFileName,
                  s.ResolveMode, s.FailEastAsianFonts, s.ProductionMode, s.TestMode);
}

void CheckSplitting(std::string_view line) {
  const std::vector<std::string> arguments = SplitWindowsCommandLine(line);
  const bool blank = line.find_first_not_of(" \t") == std::string_view::npos;
  Expect(arguments.empty() == blank, "only an empty or blank line gives no arguments");
  if (arguments.empty()) return;
  Expect(arguments[0].find('"') == std::string::npos, "the program path keeps no quote");

  // Quoting the arguments again and splitting gives them back.
  std::string again = "p";
  for (std::size_t i = 1; i < arguments.size(); ++i)
    again += " " + QuoteWindowsArgument(arguments[i]);
  std::vector<std::string> expected = arguments;
  expected[0] = "p";
  Expect(SplitWindowsCommandLine(again) == expected, "quoted arguments split back as they were");

  // Any texts, here the input's lines, survive quoting one by one.
  std::vector<std::string> pieces = {"prog"};
  for (std::string& piece : Split(line, "\n")) pieces.push_back(std::move(piece));
  std::string built = "prog";
  for (std::size_t i = 1; i < pieces.size(); ++i) built += " " + QuoteWindowsArgument(pieces[i]);
  Expect(SplitWindowsCommandLine(built) == pieces, "any text survives QuoteWindowsArgument");

  if (arguments[0].find_first_of(" \t") == std::string::npos) {
    Expect(SplitWindowsCommandLine("\"" + arguments[0] + "\"").front() == arguments[0],
           "a quoted program path gives the path");
  }
}

void CheckSwitches(std::string_view line) {
  pavane::RunSettings settings;
  std::string message;
  const bool ok = pavane::app::ParseCommandLine(settings, line, message);

  const bool noted = message.empty() || message == "Command Line arguments missing" ||
                     message.starts_with("Ignoring");
  Expect(ok == noted, "the result is true exactly when the message is only a note");
  if (!ok) Expect(message.ends_with(" -- using default values"), "a refusal names the defaults");
  if (line.empty()) Expect(settings.MainAppCode == "OL", "no command line runs the default app");

  Expect(settings.MainAppCode.empty() || CharacterCount(settings.MainAppCode) == 2,
         "an application code has two characters");
  Expect(UpperCase(settings.MainAppCode) == settings.MainAppCode,
         "application codes are upper case");
  Expect(settings.ShownAppCode == settings.MainAppCode, "the shown app starts as the main app");
  Expect(NormalizeLanguageCode(settings.LanguageCode) == settings.LanguageCode,
         "the language is a normalised code or none");
  Expect(settings.ExeName == pavane::RunSettings{}.ExeName, "switches leave other settings alone");

  // Switches are read without regard to letter case.
  pavane::RunSettings lowered;
  std::string loweredMessage;
  const bool loweredOk = pavane::app::ParseCommandLine(lowered, LowerCase(line), loweredMessage);
  Expect(loweredOk == ok && Switched(lowered) == Switched(settings) && loweredMessage == message,
         "a lower-cased command line gives the same settings");
}

}  // namespace

PAVANE_FUZZ_TARGET(line) {
  CheckSplitting(line);
  CheckSwitches(line);
}
