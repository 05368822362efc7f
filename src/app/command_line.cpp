#include "app/command_line.h"

#include <vector>

#include "platform/system_helpers.h"
#include "platform/text.h"

namespace pavane::app {
namespace {

using platform::Contains;

constexpr std::string_view kMissingArguments = "Command Line arguments missing";
constexpr std::string_view kIgnoringPrefix = "Ignoring";

enum class PieceOutcome { kHandled, kUnknown, kError };

// Applies one "key=value" piece (already lower case) to the settings.
PieceOutcome ApplyPiece(RunSettings& settings, std::string_view piece) {
  const std::vector<std::string> parts = platform::Split(piece, "=");
  const std::string key = platform::Trim(parts[0]);
  // Only the text between the first and the second "=" is the value.
  const std::string value = parts.size() > 1 ? platform::Trim(parts[1]) : std::string();

  if (key == "app") {
    if (platform::CharacterCount(value) != 2) return PieceOutcome::kError;
    settings.MainAppCode = platform::UpperCase(value);
    settings.ShownAppCode = settings.MainAppCode;
  } else if (key == "language") {
    settings.LanguageCode = platform::NormalizeLanguageCode(value);
    if (settings.LanguageCode.empty()) return PieceOutcome::kError;
  } else if (key == "sacc") {
    settings.SaccCode = value;
  } else if (key == "onlyemail") {
    // Recognised later by searching the command-line text.
  } else if (key == "noproduction") {
    settings.ProductionMode = false;
  } else if (key == "resolve") {
    settings.ResolveMode = true;
  } else if (key == "loader") {
    settings.LoaderFileName = value;
  } else if (key == "k2619") {
    settings.TestMode = true;
  } else if (key == "failjapanesefonts") {
    settings.FailEastAsianFonts = true;
  } else {
    return PieceOutcome::kUnknown;
  }
  return PieceOutcome::kHandled;
}

}  // namespace

bool ParseCommandLine(RunSettings& settings, std::string_view commandLine, std::string& message) {
  message.clear();
  settings.LanguageCode.clear();

  std::string line(commandLine);
  if (line.empty()) {
    message = kMissingArguments;
    line = "/App=OL";
  }
  line = platform::LowerCase(line);

  // Setups that forgot the slash before a switch still get it read.
  if (!Contains(line, "/sacc=") && Contains(line, "sacc=")) {
    line = platform::ReplaceAll(line, "sacc=", "/sacc=");
  }
  if (!Contains(line, "/onlyemail=") && Contains(line, "onlyemail")) {
    // A switch written with its slash gets a second one; the empty piece
    // between the two is skipped below.
    line = platform::ReplaceAll(line, "onlyemail", "/onlyemail");
  }

  for (const std::string& piece : platform::Split(line, "/")) {
    if (piece.empty()) continue;
    const PieceOutcome outcome = ApplyPiece(settings, piece);
    if (outcome == PieceOutcome::kError) {
      message = "Error processing command line argument: " + piece;
      break;
    }
    if (outcome == PieceOutcome::kUnknown) {
      message +=
          message.empty() ? "Ignoring unknown command line argument(s): " + piece : ", " + piece;
    }
  }

  if (message.empty() || message == kMissingArguments ||
      message.compare(0, kIgnoringPrefix.size(), kIgnoringPrefix) == 0) {
    return true;
  }
  message += " -- using default values";
  return false;
}

}  // namespace pavane::app
