#include "screens/info/email_screen.h"

#include "os/url_encoding.h"
#include "platform/text.h"
#include "reporting/http_get.h"
#include "reporting/registry_flags.h"
#include "reporting/tracking.h"
#include "screens/info/validation_answer.h"

namespace pavane::screens {
namespace {

using namespace os::message_box;
using platform::Contains;

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string EmailScreen::Text(const char* name) const {
  return run_.Texts != nullptr ? run_.Texts->GetStrLocValue(name) : std::string();
}

void EmailScreen::OnLoad() {
  EmailAttempt = 1;
  session_.legalWindowCount = -1;
  if (session_.navigator.AnotherCopyRunning()) {
    session_.navigator.EndProgram(0);
    return;
  }

  std::string error;
  if (!InitForm("PV_frmEmail", "EmailText.htm?application=" + run_.Settings.MainAppCode, true,
                error)) {
    MsgBox(error, kOk, "Form Email Error");
    session_.navigator.EndProgram(1);
    return;
  }

  for (const char* icon : {"imgIcon_OL", "imgIcon_SW", "imgIcon_PT"}) {
    if (Control* control = Find(icon)) control->SetVisible(false);
  }
  const std::string& shown = run_.Settings.ShownAppCode;
  if (shown == "OL" || shown == "SW" || shown == "PT") {
    if (Control* icon = Find("imgIcon_" + shown)) {
      icon->Set(ControlProperty::kTop, vbscript::Value::Long(360));
      icon->SetVisible(true);
    }
  }

  session_.ui.Loop().PumpPending();
  session_.mainScreen = this;
  NativeWindow()->RemoveCloseButton();
  reporting::UpdateFirstRunMarks(run_);
  session_.ui.Loop().PumpPending();

  if (!run_.Settings.SaccCode.empty()) {
    run_.Settings.ShownAppCode = platform::UpperCase(run_.Settings.SaccCode);
    session_.navigator.ShowOffer();
    Unload();
    return;
  }
  Displayed = false;
}

void EmailScreen::OnActivate() {
  SetTopmost(true);
  ReportDisplayedOnce("Newsletter_Displayed");
  ApplyPageColours();
  if (os::Browser* page = Page()) page->Focus(os::ElementRef::ById("txtFirstName"));
}

void EmailScreen::OnClick(std::string_view button) {
  if (button == "cmdNext") {
    Next();
  } else if (button == "cmdSkip") {
    OutcomeReported = true;
    reporting::ReportEvent(run_, "Newsletter_Declined", run_.Settings.EventOrigin);
    GoNext();
  }
}

void EmailScreen::Next() {
  os::Browser* page = Page();
  std::string firstName;
  std::string address;
  std::string confirmation;
  const int fields = page != nullptr ? page->CountElementsByName("txtEmail") : 0;
  for (int i = 0; i < fields; ++i) {
    const auto element = os::ElementRef::ByName("txtEmail", i);
    const std::string id = page->GetAttribute(element, "id").value_or("");
    const std::string value = platform::Trim(page->GetAttribute(element, "value").value_or(""));
    if (id == "txtFirstName") firstName = value;
    if (id == "txtEmailAddr") address = platform::LowerCase(value);
    if (id == "txtEmailConfirm") confirmation = platform::LowerCase(value);
  }
  SetTopmost(false);
  if (!firstName.empty()) run_.Settings.CommandLineText += " /name=" + firstName;

  if (address.empty()) {
    OutcomeReported = true;
    reporting::ReportEvent(run_, "Newsletter_Declined", run_.Settings.EventOrigin);
    GoNext();
    return;
  }
  if (confirmation.empty()) {
    MsgBox(Text("strLoc_PV_ConfirmEmail"), kIconExclamation, Caption());
    SetTopmost(true);
    if (page != nullptr) page->Focus(os::ElementRef::ById("txtEmailConfirm"));
    return;
  }
  if (confirmation != address) {
    MsgBox(Text("strLoc_PV_EmailCompareFailed"), kIconExclamation, Caption());
    SetTopmost(true);
    if (page != nullptr) page->Focus(os::ElementRef::ById("txtEmailAddr"));
    return;
  }

  EnableButtons(false);
  const Validation validation = Validate(address);
  switch (validation.verdict) {
    case Verdict::kValidated:
      SubmitNewsletter(address, firstName, "True");
      break;
    case Verdict::kUnvalidated:
      SubmitNewsletter(address, firstName, "False");
      break;
    case Verdict::kRejected:
      address_ = address;
      firstName_ = firstName;
      Reject(validation.answer);
      break;
  }
}

EmailScreen::Validation EmailScreen::Validate(const std::string& address) {
  // The values are encoded so that an address with "&" or "+" reaches the
  // service as typed.
  const std::string url =
      Text("strURL_SH_EmailValidate") + "?email=" + os::EncodeQueryComponent(address) +
      "&language=" + os::EncodeQueryComponent(platform::LowerCase(run_.Settings.LanguageCode));
  os::SyncRequestOptions options;
  options.wait = &session_.ui.Loop();
  // The session's end does not wait for the service's time-out.
  options.abandon = [this] { return session_.endRequested || session_.ending; };
  const os::HttpResponse response = run_.Http.Get(url, options);
  const std::optional<std::string> answer =
      response.completed ? ValidationAnswer(response.body) : std::nullopt;
  if (!answer) return {Verdict::kUnvalidated, {}};
  if (Contains(*answer, "ERR_CODE:0000")) return {Verdict::kValidated, *answer};
  if (Contains(*answer, "ERR_CODE:9999")) return {Verdict::kUnvalidated, *answer};
  return {Verdict::kRejected, *answer};
}

void EmailScreen::Reject(const std::string& answer) {
  // The description follows "|ERR_DESC:"; without it the reason is empty.
  const std::size_t bar = answer.find("|ERR_DESC:");
  std::string reason = bar == std::string::npos ? std::string() : answer.substr(bar + 10);
  if (run_.Settings.LanguageCode == "ja") reason = answer.substr(0, 13);
  reason += std::string(kCrLf) + std::string(kCrLf);

  // Each language's reason label ends in its own separator ("Reason: ",
  // "Motif : ", a full-width colon), so the reason follows it directly.
  const std::string incorrect = Text("strLoc_PV_EmailIncorrect") + std::string(kCrLf) +
                                std::string(kCrLf) + Text("strLoc_PV_Reason");
  os::Browser* page = Page();
  if (EmailAttempt < 2) {
    MsgBox(incorrect + reason + Text("strLoc_PV_PlsCorrectTryAgain"), kIconExclamation, Caption());
    SetTopmost(true);
    EnableButtons(true);
    if (page != nullptr) page->Focus(os::ElementRef::ById("txtEmailAddr"));
    ++EmailAttempt;
    return;
  }
  const int answerCode =
      MsgBox(incorrect + reason + Text("strLoc_PV_TryAgain"), kIconExclamation | kYesNo, Caption());
  if (answerCode == kIdNo) {
    SubmitNewsletter(address_, firstName_, "False");
    return;
  }
  EnableButtons(true);
  if (page != nullptr) page->Focus(os::ElementRef::ById("txtEmailAddr"));
}

void EmailScreen::SubmitNewsletter(std::string& address, const std::string& firstName,
                                   std::string_view validated) {
  run_.Settings.CommandLineText += " /email=" + platform::Trim(address);
  address = platform::LowerCase(address);
  const std::string key = run_.Profile.ApplicationKey();
  // Both or neither: a first name without its address is of no use to the
  // main application. The registry tells the user when it refuses them.
  run_.Registry.SetStringValues(
      key, {{"UserEmail", platform::Trim(address)}, {"UserFirstName", platform::Trim(firstName)}});

  if (platform::LowerCase(validated) != "false") {
    MsgBox(
        platform::ReplaceAll(Text("strLoc_PV_FirewallAlert"), ">>>AppEXE}", run_.Settings.ExeName),
        kIconInformation, Caption());
  }

  const std::string signUp = run_.Profile.ServerBaseUrl + "/installer_email.asp?email=" +
                             os::EncodeQueryComponent(platform::Trim(address)) +
                             "&firstname=" + os::EncodeQueryComponent(platform::Trim(firstName)) +
                             "&language=" + os::EncodeQueryComponent(run_.Settings.LanguageCode);
  reporting::HttpGet(run_, reporting::DecorateUrl(run_, signUp));

  OutcomeReported = true;
  reporting::ReportEvent(run_, "Newsletter_Accepted", run_.Settings.EventOrigin);
  GoNext();
}

void EmailScreen::GoNext() {
  Unload();
  if (Contains(run_.GivenCommandLine, "onlyemail")) {
    reporting::StoreTandemReply(run_);
    session_.ui.Loop().PumpPending();
    session_.navigator.CloseAllScreens();
    return;
  }
  session_.navigator.ShowNotSpam();
  session_.ui.Loop().PumpPending();
}

void EmailScreen::OnUnload() {
  if (!OutcomeReported) {
    reporting::ReportEvent(run_, "Newsletter_Declined", run_.Settings.EventOrigin);
  }
}

bool EmailScreen::OnBeforeNavigate(std::string_view /*browser*/, const std::string& url) {
  return session_.navigator.OpenLegalLink(*this, url);
}

void EmailScreen::EnableButtons(bool enabled) {
  for (const char* name : {"cmdNext", "cmdSkip"}) {
    if (Control* button = Find(name)) button->SetEnabled(enabled);
  }
}

}  // namespace pavane::screens
