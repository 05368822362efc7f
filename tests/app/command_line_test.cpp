#include "app/command_line.h"

#include <gtest/gtest.h>

namespace pavane::app {
namespace {

struct Parsed {
  RunSettings settings;
  bool result = false;
  std::string message;
};

Parsed Parse(std::string_view line) {
  Parsed parsed;
  parsed.result = ParseCommandLine(parsed.settings, line, parsed.message);
  return parsed;
}

TEST(ParseCommandLine, ResultMessageAndTheCodesItSets) {
  const std::string error = "Error processing command line argument: ";
  const std::string ignoring = "Ignoring unknown command line argument(s): ";
  struct Case {
    const char* label;
    const char* line;
    bool result;
    std::string message;
    const char* app;
    const char* language;
    const char* sacc;
  };
  const Case cases[] = {
      {"empty: the main application", "", true, "Command Line arguments missing", "OL", "", ""},
      {"split at slashes", "/app=ol/language=de", true, "", "OL", "de", ""},
      // The blank before the first slash is a piece of its own; it is only noted.
      {"trimmed", " /App = OL  /Language= DE ", true, ignoring + " ", "OL", "de", ""},
      {"missing slash supplied, lower case", "sacc=ABC /app=pt", true, "", "PT", "", "abc"},
      {"onlyemail without", "/app=sw onlyemail", true, "", "SW", "", ""},
      {"unknown switches noted", "/app=ol /foo /bar=1", true, ignoring + "foo , bar=1", "OL", "",
       ""},
      // The piece keeps its trailing blank; pieces after the error are not read.
      {"wrong length", "/app=ol /language=de-de /sacc=x", false,
       error + "language=de-de  -- using default values", "OL", "", ""},
      {"no value", "/language=en /app", false, error + "app -- using default values", "", "en", ""},
      {"error replaces notes", "/foo /app=xyz", false, error + "app=xyz -- using default values",
       "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Parsed parsed = Parse(c.line);
    EXPECT_EQ(parsed.result, c.result);
    EXPECT_EQ(parsed.message, c.message);
    EXPECT_EQ(parsed.settings.MainAppCode, c.app);
    EXPECT_EQ(parsed.settings.ShownAppCode, c.app);
    EXPECT_EQ(parsed.settings.LanguageCode, c.language);
    EXPECT_EQ(parsed.settings.SaccCode, c.sacc);
  }
  // The development layout, test mode and the pretended missing fonts are
  // switched on by the whole-run tests; the translators' switches here.
  const Parsed translator = Parse("/resolve /loader=Other.ini=x");
  EXPECT_TRUE(translator.settings.ResolveMode);
  EXPECT_EQ(translator.settings.LoaderFileName, "other.ini")
      << "the value ends at the second \"=\"";
}

}  // namespace
}  // namespace pavane::app
