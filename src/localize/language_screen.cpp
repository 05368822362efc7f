#include "localize/language_screen.h"

#include "platform/system_helpers.h"

namespace pavane::localize {

using screens::Control;
using screens::ControlProperty;

bool CheckJapaneseFonts(const Run& run, const os::WindowSystem& ui) {
  if (run.Settings.FailEastAsianFonts) return false;
  return ui.HasJapaneseFont();
}

void LanguageScreen::OnLoad() {
  if (session_.navigator.AnotherCopyRunning()) {
    session_.navigator.EndProgram(0);
    return;
  }
  NativeWindow()->RemoveCloseButton();
  std::string url = "LanguageSelection.htm?application=" + run_.Settings.ShownAppCode;
  const bool fontsMissing = !CheckJapaneseFonts(run_, session_.ui);
  if (fontsMissing) url += "&eastasian=0";

  std::string error;
  if (!InitForm("PV_frmLanguage", url, true, error)) {
    MsgBox(error, os::message_box::kOk, "Form Language Error");
    session_.navigator.EndProgram(1);
    return;
  }

  for (const char* icon : {"imgIcon_PT", "imgIcon_SW", "imgIcon_OL"}) {
    if (Control* control = Find(icon)) control->SetVisible(false);
  }
  if (Control* icon = Find("imgIcon_" + run_.Settings.ShownAppCode)) {
    icon->Set(ControlProperty::kTop, vbscript::Value::Long(360));
    icon->SetVisible(true);
  }

  // Japanese captions cannot be shown without the fonts: fixed English.
  if (fontsMissing) {
    auto caption = [this](const char* name, const char* text) {
      if (Control* control = Find(name)) control->SetCaption(text);
    };
    caption("cmdSelect", "Next >");
    caption("lblVersion", "Norvale Install System");
    caption("lblHdr1", "Orlent Language Selection");
    caption("lblHdr2", "Please select your language");
    caption("UniFormCaptionB1", "Orlent Setup (Norvale Software, LLC)");
  }
  SetTopmost(true);
}

void LanguageScreen::OnClick(std::string_view button) {
  if (button != "cmdSelect") return;
  os::Browser* page = Page();
  const auto chosen = page != nullptr
                          ? page->GetAttribute(os::ElementRef::ById("language"), "value")
                          : std::nullopt;
  // A page without the element, or a choice that is no language code, keeps
  // the language and the screen.
  const std::string code = chosen ? platform::NormalizeLanguageCode(*chosen) : std::string();
  if (code.empty()) return;
  run_.Settings.LanguageCode = code;
  Unload();
}

void FontsMissingDialog::OnLoad() {
  const std::string crlf = "\r\n";
  if (Control* info = Find("lblInfo")) {
    info->SetCaption("Orlent detected that the East Asian fonts have not been installed." + crlf +
                     crlf +
                     "Without these fonts, you will not be able to use the Japanese version "
                     "of Orlent.");
  }
  if (Control* message = Find("lblMessage")) {
    // What a user of this system does: the fonts come as a package.
    message->SetCaption(
        "To continue in \"English\", please click the \"Continue in English\" button." + crlf +
        " " + crlf + "To install the East Asian fonts, please follow the steps below:" + crlf +
        " " + crlf + "  1. Open your system's software manager, or a terminal." + crlf + " " +
        crlf +
        "  2. Install the Japanese fonts, on Debian or Ubuntu the package \"fonts-noto-cjk\"" +
        crlf + "      (in a terminal: sudo apt install fonts-noto-cjk)." + crlf + crlf +
        "Note: Start the setup again after the fonts are installed; no reboot is needed.");
  }
}

void FontsMissingDialog::OnClick(std::string_view button) {
  if (button == "cmdClose") {
    result_ = true;
    Unload();
  } else if (button == "cmdCancel") {
    result_ = false;
    Unload();
  }
}

}  // namespace pavane::localize
