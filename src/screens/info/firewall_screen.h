// The firewall notice (frmFirewallCross): shown modally over the offer in
// the sales-account mode before the downloader starts.
#pragma once

#include "screens/host/screen.h"

namespace pavane::screens {

class FirewallScreen : public Screen {
 public:
  explicit FirewallScreen(Session& session) : Screen(session, "frmFirewallCross") {}

 protected:
  void OnLoad() override;
  void OnActivate() override { ApplyPageColours(); }
  void OnClick(std::string_view button) override {
    if (button == "cmdClose") Unload();
  }
};

}  // namespace pavane::screens
