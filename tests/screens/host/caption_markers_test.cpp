#include "screens/host/caption_markers.h"

#include <gtest/gtest.h>

#include <vector>

namespace pavane::screens {
namespace {

class Recorder : public ControlObserver {
 public:
  void PropertyChanged(const Control& control, ControlProperty property) override {
    if (property == ControlProperty::kAutoSize) {
      autoSizes.push_back(control.GetBoolean(property));
    } else if (property == ControlProperty::kHeight) {
      heightWhileFixed = !control.GetBoolean(ControlProperty::kAutoSize);
    }
  }
  std::vector<bool> autoSizes;
  bool heightWhileFixed = false;
};

TEST(CaptionMarkers, TagChoosesTheMarkerAndMarkedLinksAreResizedWithAutoSizeOffThenOn) {
  Form form("frmBundle");
  auto addLink = [&](const char* name, const char* tag) -> Control& {
    Control& link = form.Add(ControlKind::kLinkLabel, name);
    link.SetCaption("Terms");
    link.SetTag(tag);
    link.Set(ControlProperty::kAutoSize, vbscript::Value::Boolean(true));
    return link;
  };
  Control& plain = addLink("lnkPlain", "");
  Control& round = addLink("lnkRound", "Parentheses");
  Control& none = addLink("lnkNone", "No Brackets");
  Control& label = form.Add(ControlKind::kLabel, "lblHdr1");
  label.SetCaption("Terms");
  Recorder recorder;
  form.SetObserver(&recorder);

  BracketCaptions(form);

  EXPECT_EQ(plain.Caption(), "[<forecolor=FF0000>Terms</forecolor>]");
  EXPECT_EQ(round.Caption(), "(<u><forecolor=FF0000>Terms</forecolor></u>)");
  EXPECT_EQ(none.Caption(), "Terms") << "tag compared without regard to case";
  EXPECT_EQ(label.Caption(), "Terms") << "only link labels take markers";
  EXPECT_EQ(plain.Height(), 300);
  EXPECT_EQ(recorder.autoSizes, (std::vector<bool>{false, true, false, true}));
  EXPECT_TRUE(recorder.heightWhileFixed);

  const std::string once = plain.Caption();
  BracketCaption(plain, false);
  EXPECT_EQ(plain.Caption(), once) << "marked once";
}

}  // namespace
}  // namespace pavane::screens
