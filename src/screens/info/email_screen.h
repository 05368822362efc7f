// The newsletter screen (frmEmail): first name and address, checked by the
// maker's validation service, stored, and sent to the sign-up page. It is
// the first screen of every run; in the sales-account mode it hands over to
// the one offer while it loads, without ever being shown.
#pragma once

#include <string>

#include "screens/host/screen.h"

namespace pavane::screens {

class EmailScreen : public Screen {
 public:
  explicit EmailScreen(Session& session) : Screen(session, "frmEmail") {}

  void SubmitNewsletter(std::string& address, const std::string& firstName,
                        std::string_view validated);
  void GoNext();

 protected:
  void OnLoad() override;
  void OnActivate() override;
  void OnClick(std::string_view button) override;
  void OnUnload() override;
  bool OnBeforeNavigate(std::string_view browser, const std::string& url) override;

 private:
  // What the validation service said about an address.
  enum class Verdict { kValidated, kUnvalidated, kRejected };
  struct Validation {
    Verdict verdict;
    std::string answer;  // the text between the markers
  };

  void Next();
  Validation Validate(const std::string& address);
  void Reject(const std::string& answer);
  void EnableButtons(bool enabled);
  std::string Text(const char* name) const;

  bool OutcomeReported = false;
  int EmailAttempt = 1;
  std::string address_;
  std::string firstName_;
};

}  // namespace pavane::screens
