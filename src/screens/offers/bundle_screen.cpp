#include "screens/offers/bundle_screen.h"

#include "platform/system_helpers.h"
#include "platform/text.h"
#include "reporting/downloader.h"
#include "reporting/tracking.h"

namespace pavane::screens {
namespace {

using namespace os::message_box;
using vbscript::Value;

// The page's check box that Accept follows.
constexpr const char* kCheckBox = "chkBundleInstall";

void Adjust(Control* control, ControlProperty property, std::int32_t by) {
  if (control != nullptr) control->Set(property, Value::Long(control->GetLong(property) + by));
}

}  // namespace

BundleScreen::~BundleScreen() {
  StopFollowing();
}

bool BundleScreen::PavaneModeByCommandLine() const {
  // Start-up keeps a sales-account code only when it names a product.
  return !run_.Settings.SaccCode.empty();
}

void BundleScreen::OnLoad() {
  NativeWindow()->RemoveCloseButton();
  const std::string& shown = run_.Settings.ShownAppCode;
  const std::string info = shown + "-BundleInfo.htm?application=" + shown +
                           "&daysdelay=" + run_.Profile.DaysDelay[run_.Settings.MainAppIndex];
  std::string error;
  if (!InitForm("PV_frmBundle", info, true, error, "BundleAccept.htm?application=" + shown, true)) {
    MsgBox(error, kOk, "Form Bundle Error");
    session_.navigator.EndProgram(1);
    return;
  }

  // Longer texts in some languages need another split between the pages.
  Control* browser = Find("WebBrowser1");
  Control* frame1 = Find("fra1");
  Control* frame2 = Find("fra2");
  if (run_.Settings.LanguageCode == "de") {
    Adjust(browser, ControlProperty::kHeight, -90);
    Adjust(frame1, ControlProperty::kHeight, -90);
    Adjust(frame2, ControlProperty::kTop, -120);
    Adjust(frame2, ControlProperty::kHeight, 120);
  } else if (run_.Settings.LanguageCode == "fr" && shown == "OL") {
    Adjust(browser, ControlProperty::kHeight, 150);
    Adjust(frame1, ControlProperty::kHeight, 150);
    Adjust(frame2, ControlProperty::kTop, 90);
    Adjust(frame2, ControlProperty::kHeight, -90);
  }

  SetTopmost(true);
  session_.mainScreen = this;
  Displayed = false;
}

void BundleScreen::OnActivate() {
  ApplyPageColours();
  session_.ui.Loop().PumpPending();
  ReportDisplayedOnce(run_.Settings.ShownAppCode +
                      (PavaneModeByCommandLine() ? "_Pavane_Displayed" : "_Tandem_Displayed"));
  FollowCheckBox();
  if (!following_) StartFollowing();
}

void BundleScreen::StartFollowing() {
  following_ = true;
  os::Browser* page = Page("WebBrowser2");
  if (page != nullptr && page->WatchElement(os::ElementRef::ById(kCheckBox))) return;
  timer_ =
      session_.ui.Loop().StartTimer(std::chrono::milliseconds(50), [this] { FollowCheckBox(); });
}

void BundleScreen::OnElementChanged(std::string_view browser, std::string_view element) {
  if (following_ && browser == "WebBrowser2" && element == kCheckBox) FollowCheckBox();
}

void BundleScreen::FollowCheckBox() {
  if (!IsLoaded()) return;
  os::Browser* page = Page("WebBrowser2");
  const bool ticked =
      page != nullptr &&
      page->GetAttribute(os::ElementRef::ById(kCheckBox), "checked").value_or("") == "true";
  Control* accept = Find("cmdAccept");
  if (accept != nullptr && accept->Enabled() != ticked) accept->SetEnabled(ticked);
}

void BundleScreen::OnClick(std::string_view button) {
  if (button == "cmdAccept") {
    Accept();
  } else if (button == "cmdDecline") {
    Decline();
  }
}

void BundleScreen::Accept() {
  // Both buttons off first, so a second click cannot start a second download.
  DisableButtons();
  ProductIndex_ = ProductIndex(run_.Settings.ShownAppCode);
  // A run that ended meanwhile (the firewall notice could not be set up)
  // starts, marks and reports nothing.
  if (!Download()) return;

  Decided("_Accepted", !run_.Settings.SaccCode.empty());
}

bool BundleScreen::Download() {
  SetTopmost(false);
  if (run_.Settings.SaccCode.empty()) {
    const std::string text = run_.Texts != nullptr
                                 ? run_.Texts->GetStrLocValue("strLoc_PV_Firewall_Msg")
                                 : std::string();
    MsgBox(reporting::FirewallMessage(text), kOk, Caption());
  } else {
    session_.navigator.ShowFirewall(*this);
  }
  if (session_.ending) return false;
  SetTopmost(true);

  const reporting::DownloadPlan plan = reporting::PlanDownload(run_, run_.ProgramFolder);
  if (run_.Settings.TestMode) {
    MsgBox("Downloading from:\n" + plan.downloadUrl, kOk, "Test Mode");
    if (session_.ending) return false;
  }
  if (!platform::funFileExists(plan.downloaderPath)) return true;
  SetTopmost(false);
  reporting::StartDownloader(run_, plan);
  return true;
}

void BundleScreen::Decline() {
  DisableButtons();
  Decided("_Declined", PavaneModeByCommandLine());
}

void BundleScreen::Decided(std::string_view outcome, bool pavane) {
  reporting::ReportEvent(
      run_, run_.Settings.ShownAppCode + (pavane ? "_Pavane" : "_Tandem") + std::string(outcome),
      run_.Settings.EventOrigin);
  run_.Settings.ShownAppCode = run_.Settings.MainAppCode;
  if (pavane) {
    Unload();
    session_.navigator.CloseAllScreens();
  } else {
    ShowNextBundle();
    session_.ui.Loop().PumpPending();
  }
}

void BundleScreen::DisableButtons() {
  // The check box no longer drives Accept: a message box shown meanwhile
  // must not let a second click start a second download.
  StopFollowing();
  for (const char* name : {"cmdDecline", "cmdAccept"}) {
    if (Control* control = Find(name)) control->SetEnabled(false);
  }
}

void BundleScreen::ShowNextBundle() {
  session_.navigator.NextBundle(*this, true);
}

void BundleScreen::OnUnload() {
  StopFollowing();
}

void BundleScreen::StopFollowing() {
  following_ = false;
  if (timer_) session_.ui.Loop().StopTimer(*timer_);
  timer_.reset();
}

bool BundleScreen::OnBeforeNavigate(std::string_view /*browser*/, const std::string& url) {
  return session_.navigator.OpenLegalLink(*this, url);
}

}  // namespace pavane::screens
