#include "screens/info/firewall_screen.h"

namespace pavane::screens {

void FirewallScreen::OnLoad() {
  // The downloader's name arrives quoted, as the firewall message names it.
  std::string error;
  if (!InitForm("PV_frmFirewallCross",
                "FirewallCross.htm?application=" + run_.Settings.SaccCode +
                    "&installerexe=\"Fetchwick.exe\"",
                true, error)) {
    MsgBox(error, os::message_box::kOk, "Form FirewallCross Error");
    session_.navigator.EndProgram(1);
  }
}

}  // namespace pavane::screens
