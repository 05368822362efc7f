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
//  [x] The scripted user (os/user) for Run, modal windows and message
//      boxes, and the transcript.
//  [x] Display facts from options: twips per pixel, a Japanese font, the
//      window colour every sampled pixel has; image sizes from PNG, GIF and
//      BMP headers.
// Not implemented:
//  [ ] JavaScript: page scripts never run; no events on field changes.
//  [ ] Layout, drawing, fonts; SamplePixel knows one colour for everything.
//  [ ] Page text other than UTF-8; frames inside pages.
//
// The scripted user (os/user/scripted_user.h) gets its turn whenever the
// program waits for the user (inside Run, a modal window's loop with nothing
// left to do, or a message box): the clock first moves on by the think time
// (100 ms), then the next action is performed on the active window (the
// most recently shown open window; modal ones first). When the script ends
// the run, every later wait returns at once (a message box gives 0; a
// modal window's ShowModal returns) and Run returns kScriptFailedStatus,
// whatever Quit is called with later. A "shot" is a transcript line only:
// there are no pixels here.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/headless/headless_desk.h"
#include "os/headless/headless_loop.h"
#include "os/user/scripted_user.h"
#include "os/user/transcript.h"
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
  static constexpr int kScriptFailedStatus = user::ScriptedUser::kFailedStatus;

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
  void OnEndRequest(std::function<void()> handler) override;
  void OnRunFailed(std::function<void(int status)> handler) override {
    user_.OnFailed(std::move(handler));
  }

  // --- Headless only: what tests look at.

  HeadlessLoop& VirtualLoop() { return loop_; }
  const std::vector<std::string>& TranscriptLines() const { return transcript_.Lines(); }
  // Why the script ended the run; "" while it has not.
  const std::string& ScriptError() const { return user_.Error(); }
  std::size_t ScriptActionsLeft() const { return user_.ActionsLeft(); }
  // An open window by name; null when there is none.
  HeadlessWindow* FindWindow(std::string_view name) const;
  // The window the scripted user acts on; null when none is shown.
  HeadlessWindow* ActiveWindow() const;
  std::uint32_t WindowColor() const { return options_.windowColor; }

 private:
  friend class HeadlessWindow;
  friend class HeadlessBrowser;
  friend class HeadlessDesk;

  void Forget(HeadlessWindow* window);
  void BringToFront(HeadlessWindow* window);
  void Hidden(HeadlessWindow* window);

  HeadlessOptions options_;
  user::Transcript transcript_;
  HeadlessLoop loop_;
  HeadlessDesk desk_;
  user::ScriptedUser user_;
  std::vector<HeadlessWindow*> windows_;  // every live window, in creation order
  std::vector<HeadlessWindow*> zOrder_;   // shown windows, front last
  int endSignals_ = 0;                    // end signals handled so far
};

}  // namespace pavane::os::headless
