#include "localize/language_text.h"

#include <gtest/gtest.h>

#include <chrono>

namespace pavane::localize {
namespace {

// Joins lines with CR LF, as language files are written.
std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

class LanguageTextTest : public ::testing::Test {
 protected:
  std::string shownAppCode = "OL";
  LanguageText language{shownAppCode};
};

TEST_F(LanguageTextTest, SectionsVariableLinesSeparatorsAndPlaceholders) {
  language.SetText(
      Lines({"[[PV_frmEmail]]", "  lblA.Caption=One  ", "", "; a comment", "lblB.Caption=Two [[x",
             "lblC.Caption=Three", "[[Code_Strings]]", "str_CycA=a{str_CycB}",
             "str_CycB=b{str_CycA}", "str_User=[{str_CycA}]"}) +
      Lines({"str_A=plain", "strURL_Page==http://x.example/page.asp?a=b",
             "strURL_Bad=http://x.example/page.asp?a=b", "strLoc_Quoted=\"say \"hi\"\"",
             "str_AB=longer", "str_Twice=first", "str_Twice=second", "str_Spaced =  padded  ",
             "strLoc_PV_ProductName_OL=Orlent", "strLoc_PV_ProductName_SW=Sweeple",
             "strLoc_Two=Hello{CRLF}World",
             "strLoc_Welcome=Welcome to {strLoc_PV_ProductName_{#AppID}}",
             "strLoc_Nested={strLoc_Welcome}!", "strLoc_Ref=Run {#AppEXE} now",
             "strLoc_Blocked={other_X} and {str_A}", "strLoc_Menu=Open {mnuFile} or {MNUEdit}"}));
  std::string section = "PV_frmEmail";
  EXPECT_EQ(language.GetSection(section),
            (std::vector<std::string>{"[[PV_frmEmail]]", "lblA.Caption=One", "lblB.Caption=Two"}))
      << "trimmed entries; a \"[[\" inside an entry ends the section there";
  EXPECT_EQ(section, "[[PV_frmEmail]]");
  EXPECT_TRUE(language.InitCodeStrings());
  const std::pair<const char*, const char*> cases[] = {
      {"str_A", "plain"},
      {"strURL_Page", "http://x.example/page.asp?a=b"},
      {"strURL_Bad",
       "Error in function ProcessLanguageLine: strURL_Bad=http://x.example/page.asp?a=b"},
      {"strLoc_Quoted", "say \"hi\""},  // one quote off each end
      {"str_Twice", "first"},
      {"str_Spaced", "padded"},
      {"str", "Error in function GetStrLocValue -- line str"},  // not a prefix of a longer name
      {"strLoc_Two", "Hello\r\nWorld"},
      {"strLoc_Welcome", "Welcome to Orlent"},
      {"strLoc_Ref", "Run >>>AppEXE} now"},
      {"strLoc_Blocked", "{other_X} and {str_A}"},  // only the first placeholder is looked at
      {"strLoc_Menu", "Open mnuFile or MNUEdit"},   // menu references in any case
      {"str_CycA", "ab{str_CycA}"},                 // cycles stay unresolved
      {"str_CycB", "ba{str_CycB}"},
      {"str_User", "[{str_CycA}]"},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(language.GetStrLocValue(name), expected) << name;
  }
  EXPECT_EQ(language.CheckVariables(), "") << "cycles are no fault";
  shownAppCode = "SW";
  EXPECT_EQ(language.GetStrLocValue("strLoc_Nested"), "Welcome to Sweeple!")
      << "the product on show is read at every lookup";
}

// A file of the maker's that nests deep (a chain far longer than any stack)
// or grows too fast (values that double at each step) is resolved as far as
// the bounds allow, and a fault is told only for a variable that stays in
// the value a caller gets. Unbounded, the first overflows the stack and the
// second runs out of memory; the time limit leaves room for a sanitizer
// build on a busy machine.
TEST_F(LanguageTextTest, ExpansionIsBoundedInDepthAndSize) {
  struct Case {
    const char* label;
    std::string table;
    const char* first;
    const char* fault;  // "" for none
  };
  std::string chain = "[[Code_Strings]]\r\n";
  for (int i = 0; i < 30000; ++i) {
    chain += "str_C" + std::to_string(i) + "=c{str_C" + std::to_string(i + 1) + "}\r\n";
  }
  std::string doubling = "[[Code_Strings]]\r\nstr_D0=0123456789abcdef\r\n";
  for (int i = 1; i <= 30; ++i) {
    const std::string previous = "{str_D" + std::to_string(i - 1) + "}";
    doubling += "str_D" + std::to_string(i) + "=" + previous + previous + "\r\n";
  }
  const Case cases[] = {
      {"deep", chain, "str_C0", ""},
      {"wide", doubling, "str_D30", "the value of str_D28 grows beyond 256 KiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    language.SetText(c.table);
    language.InitCodeStrings();
    const auto started = std::chrono::steady_clock::now();
    const std::string value = language.GetStrLocValue(c.first);
    EXPECT_LE(value.size(), LanguageText::kMaxValueBytes);
    const auto tells = [&c](const std::string& fault) {
      return *c.fault == '\0' ? fault.empty() : fault.starts_with(c.fault);
    };
    EXPECT_TRUE(tells(language.ExpansionFault())) << language.ExpansionFault();
    EXPECT_EQ(*c.fault == '\0', value.find("{str_") == std::string::npos) << "told if it stays";
    language.SetText(c.table);
    language.InitCodeStrings();
    EXPECT_TRUE(tells(language.CheckVariables())) << "the loader's check tells the same";
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  }
}

TEST_F(LanguageTextTest, ResolvingTheWholeFileKeepsRunTimeReferences) {
  language.SetText(Lines({"[[PV_frmEmail]]", "lblA.Caption={strLoc_Greeting}{CRLF}Bye",
                          "lblB.Caption=Get {strLoc_PV_ProductName_{#AppID}} now",
                          "lblC.Caption=Run {#AppEXE} first", "lblD.Caption=For {#AppID}",
                          "; {strLoc_Greeting} in a comment", "[[Code_Strings]]",
                          "strLoc_Greeting=Hi {str_Name}", "str_Name=you",
                          "strURL_Page==http://x.example/a.asp?b={str_Name}",
                          "strURL_SH_ServerBase==http://127.0.0.1:8917",
                          "strURL_Check=={strURL_SH_ServerBase}/validate.asp?n={str_Name}"}));
  language.InitCodeStrings();
  language.SetServerBase("https://qa.example:8443");
  EXPECT_EQ(language.GetStrLocValue("strURL_Check"), "https://qa.example:8443/validate.asp?n=you")
      << "the deployment's server, whatever the file says";
  std::string message;
  EXPECT_TRUE(language.ResolveAllVariables(message));
  EXPECT_EQ(message, "");
  EXPECT_EQ(language.Text(),
            Lines({"[[PV_frmEmail]]", "lblA.Caption=Hi you{CRLF}Bye",
                   "lblB.Caption=Get {strLoc_PV_ProductName_{#AppID}} now",
                   "lblC.Caption=Run {#AppEXE} first", "lblD.Caption=For OL",
                   "; {strLoc_Greeting} in a comment", "[[Code_Strings]]", "strLoc_Greeting=Hi you",
                   "str_Name=you", "strURL_Page==http://x.example/a.asp?b=you",
                   "strURL_SH_ServerBase==https://qa.example:8443",
                   "strURL_Check=={strURL_SH_ServerBase}/validate.asp?n=you"}));
}

}  // namespace
}  // namespace pavane::localize
