#include "localize/captions.h"

#include <gtest/gtest.h>

namespace pavane::localize {
namespace {

using screens::ControlKind;

class CaptionsTest : public ::testing::Test {
 protected:
  CaptionsTest() {
    form.Add(ControlKind::kCaptionBar, "UniFormCaptionB1");
    form.Add(ControlKind::kLabel, "lblHdr1");
    form.Add(ControlKind::kCommandButton, "cmdNext");
    form.Add(ControlKind::kBrowser, "WebBrowser1");
    InitScriptControl(form, engine);
  }

  void Load(const std::string& text) {
    language.SetText(text);
    language.InitCodeStrings();
  }

  bool Run(std::string app, std::string screen) {
    return SetCaptions(engine, language, app, screen, message,
                       [this](const std::string& entry, const std::string&, const std::string&) {
                         failed.push_back(entry);
                       });
  }

  std::string Caption(const char* name) { return form.Find(name)->Caption(); }

  std::string shownAppCode = "OL";
  LanguageText language{shownAppCode};
  screens::Form form{"frmTest"};
  vbscript::Engine engine;
  std::string message;
  std::vector<std::string> failed;
};

TEST_F(CaptionsTest, SectionsRunInOrderLaterOnesWinAndOnlyBothMissingFails) {
  Load(
      "[[OL-PV_frmTest]]\r\nlblHdr1.Caption=From the product\r\ncmdNext.Caption=Product\r\n"
      "[[PV_frmTest]]\r\ncmdNext.Caption=Screen\r\n"
      "[[PVCommon]]\r\nUniFormCaptionB1.Caption={str_Title}\r\n"
      "[[Code_Strings]]\r\nstr_Title=Orlent Setup\r\nstr_B=b\r\nstr_C=c\r\nstr_D=d\r\n");
  EXPECT_TRUE(Run("OL-PV_frmTest", "PV_frmTest"));
  EXPECT_EQ(message, "");
  EXPECT_EQ(Caption("lblHdr1"), "From the product");
  EXPECT_EQ(Caption("cmdNext"), "Screen");
  EXPECT_EQ(form.Caption(), "Orlent Setup");
  EXPECT_TRUE(failed.empty());

  // Only both sections missing fails; one missing is noted.
  EXPECT_TRUE(Run("OL-PV_frmNone", "PV_frmTest"));
  EXPECT_EQ(message, "App Section [[OL-PV_frmNone]] is missing or has no data");
  EXPECT_TRUE(Run("OL-PV_frmTest", "PV_frmNone"));
  EXPECT_EQ(message, "Frm Section [[PV_frmNone]] is missing or has no data");
  EXPECT_FALSE(Run("SW-PV_frmNone", "PV_frmNone"));
}

TEST_F(CaptionsTest, BrokenStatementsAreSkippedAndTheRestRuns) {
  Load(
      "[[PV_frmTest]]\r\n"
      "lblNope.Caption=No such control\r\n"
      "cmdNext.Caption=\"A\" & \"B\" = x\r\n"
      "lblHdr1.Left=abc\r\n"
      "lblHdr1.Move 120, 240, 3000, 300\r\n"
      "cmdNext.Caption=Still runs\r\n");
  EXPECT_TRUE(Run("OL-PV_frmTest", "PV_frmTest"));
  EXPECT_EQ(failed,
            (std::vector<std::string>{"lblNope.Caption=No such control",
                                      "cmdNext.Caption=\"A\" & \"B\" = x", "lblHdr1.Left=abc"}));
  EXPECT_EQ(form.Find("lblHdr1")->Left(), 120) << "statements without \"=\" run as written";
  EXPECT_EQ(Caption("cmdNext"), "Still runs");
}

TEST(QuoteStatementValue, QuotesOnlySimpleAssignments) {
  EXPECT_EQ(QuoteStatementValue("a.Caption=Say \"hi\" now"), "a.Caption=\"Say \"\"hi\"\" now\"");
  // One quote comes off each end, so a text that ends in a quote is written
  // inside a pair of its own.
  EXPECT_EQ(QuoteStatementValue("a.Caption=\"Say \"hi\"\""), "a.Caption=\"Say \"\"hi\"\"\"");
  EXPECT_EQ(QuoteStatementValue("a.Caption=\"kept\""), "a.Caption=\"kept\"");
  EXPECT_EQ(QuoteStatementValue("a.Caption=x\r\ny"), "a.Caption=\"x\" & Chr(10) & Chr(13) & \"y\"");
  EXPECT_EQ(QuoteStatementValue("a.Move 1, 2"), "a.Move 1, 2");
  EXPECT_EQ(QuoteStatementValue("a.Caption=b=c"), "a.Caption=b=c");
}

}  // namespace
}  // namespace pavane::localize
