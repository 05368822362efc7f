#include "app/screen_sequence.h"

#include "platform/system_helpers.h"
#include "reporting/legal_links.h"
#include "reporting/registry_flags.h"
#include "screens/info/firewall_screen.h"
#include "screens/info/show_links_screen.h"
#include "screens/info/spam_info_screen.h"
#include "screens/offers/bundle_screen.h"

namespace pavane::app {
namespace {

const char* ProductCode(int index) {
  switch (index) {
    case 1:
      return "OL";
    case 2:
      return "SW";
    case 4:
      return "PT";
    default:
      return nullptr;
  }
}

}  // namespace

void ScreenSequence::ShowScreen(screens::Screen& screen) {
  // A run that is ending opens nothing new, whatever asked for it.
  if (session_->ending) return;
  opened_.push_back(&screen);
  screen.Show();
}

void ScreenSequence::ShowModalScreen(screens::Screen& screen, screens::Screen* owner) {
  if (session_->ending) return;
  opened_.push_back(&screen);
  screen.ShowModal(owner);
}

void ScreenSequence::NextBundle(screens::Screen& leaving, bool unloadFirst) {
  Run& run = session_->run;
  os::EventLoop& loop = session_->ui.Loop();
  bool shown = false;
  for (int index = 1; index <= 4 && !shown; ++index) {
    if (index == run.Settings.MainAppIndex) continue;
    std::string& marker = run.Profile.DoneMarkers[index];
    if (marker != kNotDoneMarker) continue;
    marker = kDoneMarker;  // never offered twice in a run
    if (platform::funFileExists(run.Profile.ProductExePaths[index])) continue;
    const char* code = ProductCode(index);
    if (code == nullptr) {
      loop.PumpPending();
      continue;
    }
    if (unloadFirst) leaving.Unload();
    run.Settings.ShownAppCode = code;
    ShowScreen(Create<screens::BundleScreen>());
    loop.PumpPending();
    shown = true;
  }
  if (!shown || !unloadFirst) leaving.Unload();
  if (shown) return;

  run.Settings.ShownAppCode = run.Settings.MainAppCode;
  reporting::StoreTandemReply(run);
  loop.PumpPending();
  CloseAllScreens();
}

void ScreenSequence::ShowOffer() {
  ShowScreen(Create<screens::BundleScreen>());
}

void ScreenSequence::ShowNotSpam() {
  ShowScreen(Create<screens::SpamInfoScreen>());
}

void ScreenSequence::ShowFirewall(screens::Screen& owner) {
  ShowModalScreen(Create<screens::FirewallScreen>(), &owner);
}

bool ScreenSequence::OpenLegalLink(screens::Screen& /*screen*/, const std::string& address) {
  Run& run = session_->run;
  const reporting::LinkDecision decision = reporting::DecideLink(run, address);
  switch (decision.kind) {
    case reporting::LinkDecision::Kind::kFollow:
      return false;
    case reporting::LinkDecision::Kind::kNothing:
      return true;
    case reporting::LinkDecision::Kind::kWeb:
      session_->ui.OpenInBrowser(decision.url);
      session_->ui.Loop().PumpPending();
      return true;
    case reporting::LinkDecision::Kind::kLegal: {
      auto& window = Create<screens::ShowLinksScreen>();
      window.Form_Doc = decision.titleVariable.empty() || run.Texts == nullptr
                            ? std::string()
                            : run.Texts->GetStrLocValue(decision.titleVariable);
      window.Form_URL = decision.formUrl;
      ++session_->legalWindowCount;
      ShowModalScreen(window, session_->mainScreen);
      return true;
    }
  }
  return false;
}

void ScreenSequence::CloseAllScreens() {
  // Last opened first, letting each disappear before the next.
  for (auto at = opened_.rbegin(); at != opened_.rend(); ++at) {
    (*at)->Unload();
    session_->ui.Loop().PumpPending();
  }
  opened_.clear();
  session_->ending = true;
  session_->ui.Loop().Quit(0);
}

bool ScreenSequence::AnotherCopyRunning() {
  if (!lockTried_) {
    lockTried_ = true;
    instanceLock_ = os::InstanceLock::TryAcquire("instance");
    anotherCopy_ = instanceLock_ == nullptr;
  }
  return anotherCopy_;
}

void ScreenSequence::EndOnRequest() {
  if (session_->ending) return;
  session_->endRequested = true;
  session_->ui.Notice("the session asked the program to end; it ends as when its window is closed");
  Run& run = session_->run;
  // The main application still gets its reply (none in a sales-account run).
  if (run.Settings.SaccCode.empty()) reporting::StoreTandemReply(run);
  CloseAllScreens();
}

void ScreenSequence::EndProgram(int status) {
  session_->ending = true;
  session_->status = status;
  session_->ui.Loop().Quit(status);
}

}  // namespace pavane::app
