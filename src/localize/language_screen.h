// The language choice (frmLanguage), the check that Japanese can be shown,
// and the fixed English dialog for a system that cannot show it.
#pragma once

#include "screens/host/screen.h"

namespace pavane::localize {

// False when no installed font can show Japanese, or the run pretends so.
bool CheckJapaneseFonts(const Run& run, const os::WindowSystem& ui);

class LanguageScreen : public screens::Screen {
 public:
  explicit LanguageScreen(screens::Session& session) : Screen(session, "frmLanguage") {}

 protected:
  void OnLoad() override;
  void OnActivate() override { ApplyPageColours(); }
  void OnClick(std::string_view button) override;
};

class FontsMissingDialog : public screens::Screen {
 public:
  explicit FontsMissingDialog(screens::Session& session)
      : Screen(session, "dlgErrJapaneseFontsMissing") {}

  // True when the user chose to close.
  bool Result() const { return result_; }

 protected:
  void OnLoad() override;
  void OnClick(std::string_view button) override;

 private:
  bool result_ = false;
};

}  // namespace pavane::localize
