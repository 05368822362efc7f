// A legal document window (frmShowLinks): one document with OK and Print,
// modal over the screen that owns it. Windows opened from one another
// cascade down and to the right.
#pragma once

#include <string>

#include "screens/host/screen.h"

namespace pavane::screens {

class ShowLinksScreen : public Screen {
 public:
  explicit ShowLinksScreen(Session& session) : Screen(session, "frmShowLinks") {}

  // The document path followed by "?App=" and the product code.
  std::string Form_URL;
  // The document's title.
  std::string Form_Doc;

 protected:
  void OnLoad() override;
  void OnActivate() override;
  void OnClick(std::string_view button) override;
  void OnUnload() override { --session_.legalWindowCount; }
  bool ScrollOff() const override { return false; }
  bool OnBeforeNavigate(std::string_view browser, const std::string& url) override;
  // Legal documents only.
  std::string PageFolder() const override;

 private:
  void Print();

  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
};

}  // namespace pavane::screens
