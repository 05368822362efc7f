// The chain of screens of a run: which screen follows which, the offers of
// the products not installed yet, and the end of the run. It owns every
// screen it opens.
#pragma once

#include <memory>
#include <vector>

#include "os/instance_lock.h"
#include "screens/host/screen.h"
#include "screens/host/session.h"

namespace pavane::app {

class ScreenSequence : public screens::Navigator {
 public:
  // The session names the sequence as its navigator, so the two are joined
  // after both exist.
  void Attach(screens::Session& session) { session_ = &session; }

  // Creates a screen of the given kind; the sequence keeps it for the run.
  template <typename ScreenType>
  ScreenType& Create() {
    auto screen = std::make_unique<ScreenType>(*session_);
    ScreenType& created = *screen;
    screens_.push_back(std::move(screen));
    return created;
  }
  // Shows a screen and remembers it among the open ones.
  void ShowScreen(screens::Screen& screen);
  void ShowModalScreen(screens::Screen& screen, screens::Screen* owner);

  void NextBundle(screens::Screen& leaving, bool unloadFirst) override;
  void ShowOffer() override;
  void ShowNotSpam() override;
  void ShowFirewall(screens::Screen& owner) override;
  bool OpenLegalLink(screens::Screen& screen, const std::string& address) override;
  void CloseAllScreens() override;
  bool AnotherCopyRunning() override;
  void EndProgram(int status) override;
  // The session ends the program (SIGTERM, SIGINT, SIGHUP): the reply is
  // stored and every screen closes, as at the end of the road; requests in
  // flight still get their time.
  void EndOnRequest();

 private:
  screens::Session* session_ = nullptr;
  std::vector<std::unique_ptr<screens::Screen>> screens_;
  std::vector<screens::Screen*> opened_;  // in the order they were shown
  std::unique_ptr<os::InstanceLock> instanceLock_;
  bool lockTried_ = false;
  bool anotherCopy_ = false;
};

}  // namespace pavane::app
