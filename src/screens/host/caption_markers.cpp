#include "screens/host/caption_markers.h"

#include "platform/text.h"

namespace pavane::screens {
namespace {

constexpr std::int32_t kMarkedCaptionHeight = 300;  // twips

}  // namespace

void BracketCaption(Control& control, bool parentheses) {
  std::string caption = control.Caption();
  if (caption.starts_with("[")) {
    return;
  }
  control.SetCaption(parentheses ? "(<u><forecolor=FF0000>" + caption + "</forecolor></u>)"
                                 : "[<forecolor=FF0000>" + caption + "</forecolor>]");
  control.Set(ControlProperty::kAutoSize, vbscript::Value::Boolean(false));
  control.Set(ControlProperty::kHeight, vbscript::Value::Long(kMarkedCaptionHeight));
  control.Set(ControlProperty::kAutoSize, vbscript::Value::Boolean(true));
}

void BracketCaptions(Form& form) {
  for (Control& control : form.Controls()) {
    if (control.Kind() != ControlKind::kLinkLabel) {
      continue;
    }
    std::string tag = platform::LowerCase(control.Tag());
    if (tag != "no brackets") {
      BracketCaption(control, tag == "parentheses");
    }
  }
}

}  // namespace pavane::screens
