#include "screens/info/spam_info_screen.h"

#include <array>

#include "os/files.h"
#include "platform/text.h"

namespace pavane::screens {

std::string MailProvider(std::string_view text) {
  struct Provider {
    std::string_view name;
    std::array<std::string_view, 4> domains;
  };
  static constexpr std::array<Provider, 4> kProviders = {{
      {"Outlook", {"@outlook.", "@hotmail.", "@live.", "@windowslive."}},
      {"Yahoo", {"@yahoo.", "", "", ""}},
      {"Gmail", {"@gmail.", "@googlemail.", "", ""}},
      {"AOL", {"@aol.", "", "", ""}},
  }};
  for (const Provider& provider : kProviders) {
    for (std::string_view domain : provider.domains) {
      if (!domain.empty() && platform::Contains(text, domain)) return std::string(provider.name);
    }
  }
  return {};
}

void SpamInfoScreen::OnLoad() {
  NativeWindow()->RemoveCloseButton();
  const std::string provider = MailProvider(run_.Settings.CommandLineText);

  std::string error;
  if (!InitForm(
          "PV_frmSpamInfo",
          "NotSpam.htm?application=" + run_.Settings.ShownAppCode + "&mailprovider=" + provider,
          true, error)) {
    MsgBox(error, os::message_box::kOk, "Form SpamInfo Error");
    session_.navigator.EndProgram(1);
    return;
  }
  if (provider.empty()) {
    Unload();
    session_.navigator.NextBundle(*this, false);
    session_.ui.Loop().PumpPending();
    return;
  }

  // No shared fall-back for the picture: each language has its own.
  std::string picture = run_.Settings.HtmlScreensFolder + "Pavane/localized/" +
                        run_.Settings.LanguageCode + "/images/" + platform::LowerCase(provider) +
                        "_not_spam.gif";
  picture = os::ResolvePath(picture).value_or(picture);
  const auto size = NativeWindow()->SetImage("imgNotSpam", picture);
  if (!size) {
    session_.ui.MessageBox(nullptr, "Error loading Form frmSpamInfo: File not found: " + picture,
                           os::message_box::kOk, Session::kProgramTitle);
    return;
  }
  if (Control* image = Find("imgNotSpam")) {
    const Control* frame = Find("fraBottom");
    const std::int32_t windowWidth = frame != nullptr ? frame->Width() : image->Width();
    image->Move(windowWidth / 2 - size->first / 2, std::nullopt, size->first, size->second);
  }
  SetTopmost(true);
}

void SpamInfoScreen::OnClick(std::string_view button) {
  if (button != "cmdNext") return;
  Unload();
  session_.navigator.NextBundle(*this, false);
  session_.ui.Loop().PumpPending();
}

}  // namespace pavane::screens
