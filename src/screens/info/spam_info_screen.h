// The not-spam notice (frmSpamInfo): for an address at one of the large
// mail providers, how to keep the maker's mail out of the spam folder. For
// any other address it closes itself while loading and is never seen.
#pragma once

#include <string>

#include "screens/host/screen.h"

namespace pavane::screens {

// The provider whose address the text holds ("Outlook", "Yahoo", "Gmail",
// "AOL"), or "" for none.
std::string MailProvider(std::string_view commandLineText);

class SpamInfoScreen : public Screen {
 public:
  explicit SpamInfoScreen(Session& session) : Screen(session, "frmSpamInfo") {}

 protected:
  void OnLoad() override;
  void OnActivate() override { ApplyPageColours(); }
  void OnClick(std::string_view button) override;
};

}  // namespace pavane::screens
