// Headless window system: the screens without a display, for the tests and
// for unattended QA runs.
//
// Needs: gumbo (pages), the program's file helper (os/files.h, in os/posix).
// Same shape as os/gtk; side by side only the platform differs.
//
// Implemented:
//  [x] Windows and widgets as plain objects; UpdateWidget replaces a widget's
//      state. Show queues the window's activation; closing the active window
//      activates the one behind it again, as a desktop does.
//  [x] ShowModal runs a nested loop until the window closes (or the run is
//      asked to quit).
//  [x] Pages: file:// URLs read (up to 4 MiB) and parsed into a small DOM;
//      loading finishes on the next pump, then DocumentComplete. A page
//      that cannot be read loads as an empty page, still complete.
//  [x] Live "value" and "checked" of fields; ids, names, links, lists.
//  [x] Virtual clock: Sleep fires due timers in order without real waiting.
//  [x] WaitUntil blocks on a condition variable until Notify (no spinning).
//  [x] Scripted user for Run, modal windows and message boxes; transcript.
//  [x] Display facts from options: twips per pixel, a Japanese font, the
//      window colour every sampled pixel has; image sizes from PNG, GIF and
//      BMP headers.
// Not implemented:
//  [ ] JavaScript: page scripts never run; no events on field changes.
//  [ ] Layout, drawing, fonts; SamplePixel knows one colour for everything.
//  [ ] Page text other than UTF-8; frames inside pages.
//
// The scripted user. Whenever the program waits for the user (inside Run, a
// modal window's loop with nothing left to do, or a message box), the clock
// first moves on by the think time (100 ms) and then the next action of the
// script is performed on the active window (the most recently shown open
// window; modal ones first):
//     click <button>           ButtonClicked; the button must exist, be shown
//                              and enabled (its frames too)
//     fill <id> <text...>      types into a text field or text area
//     tick <id> / untick <id>  a check box (or radio button)
//     select <id> <value>      chooses an option of a list
//     choose <lang>            the language page: "language" becomes <lang>
//     follow <href-or-url>     a link click: BeforeNavigate, then the load
//     answer <OK|Cancel|Yes|No|1|2|6|7>   closes the open message box
//     activate [<window>]      the window is activated again
//     close                    CloseRequested (the caption's close button)
//     wait <ms>                the clock moves on
//     signal <TERM|INT|HUP>    the session sends the program that signal
//
// A script error or a script that runs out while the program waits ends
// the run: the message goes to standard error ("pavane: script line 7:
// button cmdAccept is disabled", "pavane: script ran out while frmEmail
// waits for the user") and to the transcript ("error ..."), and the loop is
// ended with kScriptFailedStatus. No exception is thrown: the program's own
// error trap would swallow it. Instead every later wait returns at once (a
// message box gives 0, the code for a box that could not be shown; a modal
// window's ShowModal returns), so the program unwinds through its own code
// and Run returns kScriptFailedStatus, whatever Quit is called with later.
//
// Transcript lines:
//     show frmEmail modal=no owner=-        show frmLegal modal=yes owner=frmEmail
//     topmost frmEmail on|off               closebutton frmEmail removed
//     title frmEmail "New title"            close frmEmail
//     page frmEmail.WebBrowser1 file:///...EmailText.htm?application=OL&scaling=100&language=en
//     cancel frmEmail.WebBrowser1 <url>     (a followed link the screen refused)
//     focus frmEmail txtFirstName           bgcolor frmEmail.WebBrowser1 F0F0F0
//     scroll frmEmail.WebBrowser1 no        browser https://...
//     print frmEmail.WebBrowser1
//     message "Title" style=48 "Line one\nLine two" -> 1
//     notice "no language file for \"es\"..."   (also on standard error)
//     user click cmdNext                    (each scripted action, as written)
//     error script line 7: button cmdAccept is disabled
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/headless/headless_loop.h"
#include "os/headless/transcript.h"
#include "os/headless/user_script.h"
#include "os/window_system.h"

namespace pavane::os::headless {

class HeadlessWindow;
class HeadlessBrowser;

struct HeadlessOptions {
  int twipsPerPixel = 15;
  bool japaneseFont = true;
  std::uint32_t windowColor = 0x00F0F0F0;  // 0x00BBGGRR
  std::chrono::milliseconds thinkTime{100};
  std::string script;              // the scripted user's actions (text, not a path)
  std::ostream* errors = nullptr;  // script errors; null: standard error

  // Overrides from the environment for unattended runs:
  // PAVANE_HEADLESS_TWIPS (twips per pixel), PAVANE_HEADLESS_JAPANESE=0.
  void ApplyEnvironment();
};

class HeadlessWindowSystem final : public WindowSystem {
 public:
  // Run's status when the script failed or ran out.
  static constexpr int kScriptFailedStatus = 3;

  // `transcript` receives one line per happening; it must outlive this
  // object, and this object must outlive its windows.
  explicit HeadlessWindowSystem(std::ostream& transcript, HeadlessOptions options = {});
  ~HeadlessWindowSystem() override;
  HeadlessWindowSystem(const HeadlessWindowSystem&) = delete;
  HeadlessWindowSystem& operator=(const HeadlessWindowSystem&) = delete;

  // For unattended runs: options with the environment's overrides and the
  // script from the file named by PAVANE_SCRIPT (none: an empty script).
  // Null with `error` when that file cannot be read.
  static std::unique_ptr<HeadlessWindowSystem> FromEnvironment(std::ostream& transcript,
                                                               std::string& error);

  std::unique_ptr<Window> CreateWindow(const WindowSpec& design, WindowEvents& events) override;
  void Notice(const std::string& text) override;
  int MessageBox(Window* owner, const std::string& text, std::uint32_t style,
                 const std::string& title) override;
  EventLoop& Loop() override { return loop_; }
  int TwipsPerPixelX() const override { return options_.twipsPerPixel; }
  int TwipsPerPixelY() const override { return options_.twipsPerPixel; }
  bool HasJapaneseFont() const override { return options_.japaneseFont; }
  void OpenInBrowser(const std::string& url) override;
  void PrintPage(Window& window, std::string_view browser) override;
  void OnEndRequest(std::function<void()> handler) override {
    loop_.OnEndSignal(std::move(handler));
  }
  void OnRunFailed(std::function<void(int status)> handler) override {
    failureHandler_ = std::move(handler);
  }

  // --- Headless only: what tests look at.

  HeadlessLoop& VirtualLoop() { return loop_; }
  const std::vector<std::string>& TranscriptLines() const { return transcript_.Lines(); }
  // Why the script ended the run; "" while it has not.
  const std::string& ScriptError() const { return scriptError_; }
  std::size_t ScriptActionsLeft() const { return script_.Remaining(); }
  // An open window by name; null when there is none.
  HeadlessWindow* FindWindow(std::string_view name) const;
  // The window the scripted user acts on; null when none is shown.
  HeadlessWindow* ActiveWindow() const;
  std::uint32_t WindowColor() const { return options_.windowColor; }

 private:
  friend class HeadlessWindow;
  friend class HeadlessBrowser;
  struct OpenBox;

  void Transcribe(std::string line) { transcript_.Write(std::move(line)); }
  void Forget(HeadlessWindow* window);
  void BringToFront(HeadlessWindow* window);
  void Hidden(HeadlessWindow* window);

  void UserTurn(OpenBox* box);
  bool Perform(const UserAction& action, OpenBox* box, std::string& problem);
  bool PerformOnPage(const UserAction& action, std::string& problem);
  bool Follow(const std::string& href, std::string& problem);
  void Fail(const std::string& message);

  HeadlessOptions options_;
  Transcript transcript_;
  HeadlessLoop loop_;
  UserScript script_;
  std::string scriptError_;
  std::function<void(int status)> failureHandler_;
  std::vector<HeadlessWindow*> windows_;  // every live window, in creation order
  std::vector<HeadlessWindow*> zOrder_;   // shown windows, front last
};

}  // namespace pavane::os::headless
