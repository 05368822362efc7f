// The offer screen (frmBundle): one of the maker's other products, with an
// information page and an acceptance page whose check box must be ticked
// before Accept can be pressed. Accepting hands the download to the maker's
// downloader program.
#pragma once

#include <optional>

#include "os/window_system.h"
#include "screens/host/screen.h"

namespace pavane::screens {

class BundleScreen : public Screen {
 public:
  explicit BundleScreen(Session& session) : Screen(session, "frmBundle") {}
  ~BundleScreen() override;

  // Closes this offer and goes on with the next one.
  void ShowNextBundle();

 protected:
  void OnLoad() override;
  void OnActivate() override;
  void OnClick(std::string_view button) override;
  void OnUnload() override;
  bool OnBeforeNavigate(std::string_view browser, const std::string& url) override;
  void OnElementChanged(std::string_view browser, std::string_view element) override;

 private:
  void Accept();
  void Decline();
  void DisableButtons();
  // Reports the decision ("_Accepted", "_Declined") and goes on: the next
  // offer, or in the sales-account mode the end of the run.
  void Decided(std::string_view outcome, bool pavane);
  // Notices, then the downloader; false when the run ended on the way.
  bool Download();
  void FollowCheckBox();
  // Accept follows the check box from now on: at each change the page
  // reports, or where it cannot, every 50 ms.
  void StartFollowing();
  void StopFollowing();
  // Displayed and Declined go by the command line, Accept by the account code.
  bool PavaneModeByCommandLine() const;

  std::int16_t ProductIndex_ = 0;
  bool following_ = false;
  std::optional<os::EventLoop::TimerId> timer_;
};

}  // namespace pavane::screens
