#include "screens/info/show_links_screen.h"

#include <cmath>

#include "os/files.h"
#include "os/process.h"
#include "platform/windows_command_line.h"
#include "reporting/legal_links.h"

namespace pavane::screens {
namespace {

std::string ProductName(std::string_view code) {
  if (code == "OL") return "Orlent";
  if (code == "SW") return "Sweeple";
  if (code == "PT") return "Patchory";
  return {};
}

}  // namespace

void ShowLinksScreen::OnLoad() {
  left_ = 0;
  top_ = 0;
  Design().SetCaption(ProductName(run_.Settings.ShownAppCode) + " - " + Form_Doc);
  NativeWindow()->SetTitle(Design().Caption());

  std::string error;
  if (!InitForm("PV_frmShowLinks", Form_URL, false, error)) {
    session_.ui.MessageBox(nullptr, error, os::message_box::kOk, "Form Show Links");
    session_.navigator.EndProgram(1);
    return;
  }
  SetTopmost(true);
}

void ShowLinksScreen::OnActivate() {
  if (left_ != 0 || top_ != 0) return;
  // Each window opened from another sits 15 pixels right and 30 lower.
  const int n = session_.legalWindowCount;
  const auto [left, top] = NativeWindow()->Position();
  left_ = left + 15 * n * session_.ui.TwipsPerPixelX();
  top_ = top + 30 * n * session_.ui.TwipsPerPixelY();
  NativeWindow()->SetPosition(left_, top_);
}

void ShowLinksScreen::OnClick(std::string_view button) {
  if (button == "cmdOK") {
    Unload();
  } else if (button == "cmdPrint") {
    Print();
  }
}

void ShowLinksScreen::Print() {
  // A registered print command is used as it is registered; without one the
  // page's own print dialog serves. Either way the window stays open.
  const std::string registered =
      run_.Registry.GetStringValue("HKEY_CLASSES_ROOT\\htmlfile\\shell\\print\\command", "");
  if (!registered.empty() && registered != "Error") {
    const std::string command = reporting::BuildPrintCommand(registered, "C:\\WINDOWS", Form_URL);
    std::vector<std::string> argv = platform::SplitWindowsCommandLine(command);
    // The command comes in lower case, as it always has; the program is
    // found by its name without regard to case.
    if (!argv.empty()) {
      if (const auto program = os::ResolvePath(argv[0])) argv[0] = *program;
    }
    std::string error;
    if (os::StartDetached(argv, error)) return;
  }
  session_.ui.PrintPage(*NativeWindow(), "WebBrowser1");
}

std::string ShowLinksScreen::PageFolder() const {
  return reporting::LegalFilesFolder(run_.Settings);
}

bool ShowLinksScreen::OnBeforeNavigate(std::string_view /*browser*/, const std::string& url) {
  return session_.navigator.OpenLegalLink(*this, url);
}

}  // namespace pavane::screens
