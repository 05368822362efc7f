#include "screens/host/control.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "screens/host/form.h"
#include "screens/host/screen.h"
#include "vbscript/engine.h"

namespace pavane::screens {
namespace {

using vbscript::Value;

class Recorder : public ControlObserver {
 public:
  void PropertyChanged(const Control& control, ControlProperty property) override {
    changes.emplace_back(control.ScriptName(), property);
  }
  std::vector<std::pair<std::string, ControlProperty>> changes;
};

// A cut-down screen window.
class ScreenTest : public ::testing::Test {
 protected:
  ScreenTest() : form_("frmEmail") {
    Control& frame = form_.Add(ControlKind::kFrame, "fra1");
    hdr1_ = &form_.Add(ControlKind::kLabel, "lblHdr1", &frame);
    form_.Add(ControlKind::kBrowser, "WebBrowser1", &frame);
    next_ = &form_.Add(ControlKind::kCommandButton, "cmdNext", &frame);
    check_ = &form_.Add(ControlKind::kCheckBox, "chkAgree", &frame);
    for (int i = 0; i < 3; ++i) form_.Add(ControlKind::kLabel, "lblLine", &frame, i);
    form_.Add(ControlKind::kPicture, "pictDummy");
    form_.Add(ControlKind::kTimer, "Timer1");
    form_.SetObserver(&recorder_);
    form_.RegisterWithEngine(engine_);
  }

  void Run(std::string_view statement) {
    std::string error;
    EXPECT_TRUE(engine_.ExecuteStatement(statement, error)) << statement << ": " << error;
  }

  std::string Fails(std::string_view statement) {
    std::string error;
    EXPECT_FALSE(engine_.ExecuteStatement(statement, error)) << statement;
    return error;
  }

  Form form_;
  vbscript::Engine engine_;
  Recorder recorder_;
  Control* hdr1_ = nullptr;
  Control* next_ = nullptr;
  Control* check_ = nullptr;
};

TEST_F(ScreenTest, ValuesAreCoercedToThePropertyTypeAndArrayMembersFoundByIndex) {
  Run("lblHdr1.Left = \"300\" : lblHdr1.Visible = \"False\" : lblHdr1.Caption = 12.50");
  Run("lblHdr1.BackColor = RGB(8, 160, 255) : lblHdr1.FontSize = \"9.75\"");
  EXPECT_EQ(hdr1_->Left(), 300);
  EXPECT_FALSE(hdr1_->Visible());
  EXPECT_EQ(hdr1_->GetLong(ControlProperty::kBackColor), 0xFFA008);
  EXPECT_EQ(ColorString(0xFFA008), "08A0FF") << "red 8, green 160, blue 255";
  EXPECT_EQ(hdr1_->Get(ControlProperty::kFontSize), Value::Double(9.75));
  EXPECT_EQ(hdr1_->Caption(), "12.5");

  Run("lblHdr1.Font.Name = \"Arial\" : LBLHDR1.FONT.SIZE = 12 : lblhdr1.font.underline = True");
  EXPECT_EQ(hdr1_->GetString(ControlProperty::kFontName), "Arial");
  EXPECT_EQ(hdr1_->GetDouble(ControlProperty::kFontSize), 12);
  EXPECT_TRUE(hdr1_->GetBoolean(ControlProperty::kFontUnderline));
  Run("cmdNext.Caption = LBLHDR1.font.NAME & lblHdr1.Left");
  EXPECT_EQ(next_->Caption(), "Arial300") << "values are read back";

  Run("chkAgree.Value = \"True\"");
  EXPECT_EQ(check_->GetLong(ControlProperty::kValue), 1) << "True ticks the box";

  Run("lblLine_2.Caption = \"third\"");
  Control* line = form_.Find("LBLLINE_2");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->Caption(), "third");
  EXPECT_EQ(form_.Find("lblLine"), nullptr) << "members only by name and index";

  EXPECT_EQ(engine_.ObjectCount(), form_.ControlCount() - 3)
      << "browser, picture and timer are not for statements";
}

TEST_F(ScreenTest, RefusedAssignmentsChangeNothing) {
  EXPECT_EQ(Fails("lblHdr1.Left = \"abc\""), "Type mismatch: \"abc\" (lblHdr1.Left)");
  EXPECT_EQ(Fails("lblHdr1.Text = \"x\""),
            "Object doesn't support this property or method: 'lblHdr1.Text'");
  EXPECT_EQ(Fails("lblHdr1.Width = -1"), "Invalid property value: -1 (lblHdr1.Width)");
  EXPECT_EQ(Fails("chkAgree.Value = 5"), "Invalid property value: 5 (chkAgree.Value)");
  EXPECT_EQ(Fails("lblHdr1.Move 10, 20, 30, \"wide\""), "Type mismatch: \"wide\" (lblHdr1.Height)");
  EXPECT_EQ(Fails("lblHdr1.Move 10, 20, 30, 40, 50").rfind("Wrong number of arguments", 0), 0u);
  EXPECT_EQ(hdr1_->Left(), 0);
  EXPECT_EQ(hdr1_->Width(), 0);
  EXPECT_TRUE(recorder_.changes.empty()) << "the backend heard of nothing";
}

TEST_F(ScreenTest, MoveSetsAllPositionsAndTheObserverFollows) {
  Run("cmdNext.Move 120, \"240\", 1500, 375");
  EXPECT_EQ((std::vector{next_->Left(), next_->Top(), next_->Width(), next_->Height()}),
            (std::vector{120, 240, 1500, 375}));
  Run("Call cmdNext.Move(60)");
  EXPECT_EQ(next_->Left(), 60);
  EXPECT_EQ(next_->Top(), 240) << "the rest is kept";
  Run("cmdNext.Enabled = False");

  using P = ControlProperty;
  std::vector<std::pair<std::string, ControlProperty>> expected = {
      {"cmdNext", P::kLeft},   {"cmdNext", P::kTop},  {"cmdNext", P::kWidth},
      {"cmdNext", P::kHeight}, {"cmdNext", P::kLeft}, {"cmdNext", P::kEnabled}};
  EXPECT_EQ(recorder_.changes, expected);
}

// The caption bar's text as the window title is checked by the whole-run
// tests (the title lines of each screen).

}  // namespace
}  // namespace pavane::screens
