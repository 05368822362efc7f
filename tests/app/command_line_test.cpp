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

TEST(ParseCommandLine, EmptyLineRunsAsTheMainApplicationWithoutComplaint) {
  const Parsed parsed = Parse("");
  EXPECT_TRUE(parsed.result);
  EXPECT_EQ(parsed.message, "Command Line arguments missing");
  EXPECT_EQ(parsed.settings.MainAppCode, "OL");
  EXPECT_EQ(parsed.settings.ShownAppCode, "OL");
}

TEST(ParseCommandLine, SwitchesAreSplitAtSlashesAndTrimmed) {
  const Parsed spaced = Parse("/app=ol /language=de");
  const Parsed packed = Parse("/app=ol/language=de");
  const Parsed padded = Parse(" /App = OL  /Language= DE ");
  EXPECT_EQ(spaced.message, "");
  EXPECT_EQ(packed.message, "");
  // The blank before the first slash is a piece of its own; it is only noted.
  EXPECT_EQ(padded.message, "Ignoring unknown command line argument(s):  ");
  for (const Parsed* parsed : {&spaced, &packed, &padded}) {
    EXPECT_TRUE(parsed->result);
    EXPECT_EQ(parsed->settings.MainAppCode, "OL");
    EXPECT_EQ(parsed->settings.LanguageCode, "de");
  }
}

TEST(ParseCommandLine, EverySwitchSetsItsSetting) {
  const Parsed parsed =
      Parse("/app=pt /sacc=ABC /noproduction /resolve /loader=Other.ini /K2619 /failjapanesefonts");
  EXPECT_TRUE(parsed.result);
  EXPECT_EQ(parsed.message, "");
  EXPECT_EQ(parsed.settings.MainAppCode, "PT");
  EXPECT_EQ(parsed.settings.SaccCode, "abc") << "values are lower-cased with the line";
  EXPECT_FALSE(parsed.settings.ProductionMode);
  EXPECT_TRUE(parsed.settings.ResolveMode);
  EXPECT_EQ(parsed.settings.LoaderFileName, "other.ini");
  EXPECT_TRUE(parsed.settings.TestMode);
  EXPECT_TRUE(parsed.settings.FailEastAsianFonts);
}

TEST(ParseCommandLine, MissingSlashesAreSupplied) {
  const Parsed sacc = Parse("sacc=ABC /app=ol");
  EXPECT_TRUE(sacc.result);
  EXPECT_EQ(sacc.settings.SaccCode, "abc");
  EXPECT_EQ(sacc.settings.MainAppCode, "OL");

  // With its slash the switch gets a second one; the empty piece is skipped.
  const Parsed onlyEmail = Parse("/app=sw /onlyemail");
  EXPECT_TRUE(onlyEmail.result);
  EXPECT_EQ(onlyEmail.message, "");
  const Parsed bare = Parse("/app=sw onlyemail");
  EXPECT_TRUE(bare.result);
  EXPECT_EQ(bare.message, "");
}

TEST(ParseCommandLine, WrongLengthStopsTheParseAndKeepsEarlierSettings) {
  const Parsed parsed = Parse("/app=ol /language=de-de /sacc=x");
  EXPECT_FALSE(parsed.result);
  EXPECT_EQ(parsed.message,
            "Error processing command line argument: language=de-de  -- using default values")
      << "the piece keeps its trailing blank";
  EXPECT_EQ(parsed.settings.MainAppCode, "OL");
  EXPECT_EQ(parsed.settings.SaccCode, "") << "pieces after the error are not read";
  EXPECT_EQ(parsed.settings.LanguageCode, "");

  const Parsed longApp = Parse("/app=xyz /language=de");
  EXPECT_EQ(longApp.message,
            "Error processing command line argument: app=xyz  -- using default values");
  EXPECT_EQ(longApp.settings.MainAppCode, "");

  const Parsed noValue = Parse("/language=en /app");
  EXPECT_FALSE(noValue.result);
  EXPECT_EQ(noValue.message, "Error processing command line argument: app -- using default values");
  EXPECT_EQ(noValue.settings.LanguageCode, "en");
}

TEST(ParseCommandLine, ErrorReplacesEarlierNotesAboutUnknownSwitches) {
  const Parsed parsed = Parse("/foo /app=o");
  EXPECT_FALSE(parsed.result);
  EXPECT_EQ(parsed.message,
            "Error processing command line argument: app=o -- using default values");
}

TEST(ParseCommandLine, UnknownSwitchesAreNotedButDoNotFail) {
  const Parsed parsed = Parse("/app=ol /foo /bar=1");
  EXPECT_TRUE(parsed.result);
  EXPECT_EQ(parsed.message, "Ignoring unknown command line argument(s): foo , bar=1");
  EXPECT_EQ(parsed.settings.MainAppCode, "OL");
}

TEST(ParseCommandLine, ValuesEndAtTheSecondEqualsSignAndLaterPiecesWin) {
  EXPECT_EQ(Parse("/loader=my.ini=x").settings.LoaderFileName, "my.ini");
  const Parsed twice = Parse("/app=ol /language=de /app=sw /language=fr");
  EXPECT_EQ(twice.settings.MainAppCode, "SW");
  EXPECT_EQ(twice.settings.ShownAppCode, "SW");
  EXPECT_EQ(twice.settings.LanguageCode, "fr");
  EXPECT_TRUE(Parse("/k2619=yes").settings.TestMode);
  EXPECT_EQ(Parse("/sacc=").settings.SaccCode, "");
}

TEST(ParseCommandLine, OtherTwoLetterApplicationsAreAccepted) {
  const Parsed parsed = Parse("/app=zz");
  EXPECT_TRUE(parsed.result);
  EXPECT_EQ(parsed.settings.MainAppCode, "ZZ");
}

TEST(ParseCommandLine, LengthCountsCharactersNotBytes) {
  const Parsed parsed = Parse("/language=\xC3\xA9\xC3\xA9");  // two accented letters
  EXPECT_TRUE(parsed.result);
  EXPECT_EQ(parsed.settings.LanguageCode, "\xC3\xA9\xC3\xA9");
}

}  // namespace
}  // namespace pavane::app
