// Desktop window system: the screens as GTK 3 windows with WebKitGTK pages,
// on the GLib main loop.
//
// Needs: a display (X11 or Wayland), GTK 3, webkit2gtk-4.1, fontconfig, GIO;
// pictures are read through the program's file helper (os/files.h).
// Same shape as os/headless; side by side only the platform differs.
//
// Implemented:
//  [x] Windows from a window design: a fixed-size GtkWindow holding a
//      GtkFixed; frames as nested GtkFixed panels; labels, link labels (the
//      red marker markup as Pango markup), buttons, check boxes, text
//      boxes, images and pictures, browsers. Twips become pixels by the
//      screen's resolution. UpdateWidget applies place, size, visibility,
//      sensitivity, caption and text, font, colours (system colours keep
//      the theme's) and tool tips.
//  [x] Title, icon, topmost, the close button removed, position.
//  [x] Activated when a window becomes the active one of the program (first
//      shown, focused again after another of our windows); not when the
//      user comes back from another program or from a message box.
//  [x] ShowModal: transient and modal over the owner, a nested wait until
//      the window closes or the run quits; the owner is presented again.
//  [x] The caption's close button gives CloseRequested; the screen decides.
//  [x] Keyboard: the last button of fraBottom answers Enter; Tab runs from
//      the page to the buttons; every control is named for screen readers
//      by its caption.
//  [x] Pages in WebKitWebView; DocumentComplete when a load finishes;
//      BeforeNavigate for link clicks, its answer held back until the
//      screen has decided; every other navigation only where MayLoad
//      allows; no new windows and no downloads; DOM reads and writes as
//      scripts with string literals, synchronous by running the loop, at
//      most 5 s each.
//  [x] Pages keep no website data (an ephemeral web context) and run in
//      WebKit's sandbox where the machine can run it (bubblewrap and user
//      namespaces); where it cannot, a notice says so once.
//  [x] Loop: Sleep, timers, Run/Quit, WaitUntil/Notify on the GLib context,
//      never spinning.
//  [x] Message boxes as GtkMessageDialog from the Windows style bits.
//  [x] Twips per pixel from the resolution and scale; a Japanese font from
//      fontconfig; one pixel of a rendered widget; the user's browser
//      through GIO; printing through WebKit's print dialog.
//  [x] The scripted user of unattended runs (os/user) on the real windows,
//      with the transcript on standard output and pictures of the screens
//      (gtk_desk.h); without a script nothing is transcribed.
// Not implemented:
//  [ ] Frame borders and captions (frames are plain panels).
//  [x] Changes of a page element the screen watches come as ElementChanged
//      (a script message of the page).
//  [x] Every page runs in one web process, started with the window system,
//      so a screen's page loads without waiting for a process of its own.
//  [ ] A picture's own drawing methods; images are shown at their size.
//  [ ] Message box help buttons and the user icon style.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/gtk/gtk_loop.h"
#include "os/user/transcript.h"
#include "os/window_system.h"

namespace pavane::os::gtk {

class GtkDesk;
class GtkScreenWindow;

class GtkWindowSystem final : public WindowSystem {
 public:
  // Opens the display; null with `error` when there is none.
  static std::unique_ptr<GtkWindowSystem> Create(std::string& error);
  ~GtkWindowSystem() override;
  GtkWindowSystem(const GtkWindowSystem&) = delete;
  GtkWindowSystem& operator=(const GtkWindowSystem&) = delete;

  std::unique_ptr<Window> CreateWindow(const WindowSpec& design, WindowEvents& events) override;
  int MessageBox(Window* owner, const std::string& text, std::uint32_t style,
                 const std::string& title) override;
  EventLoop& Loop() override { return loop_; }
  int TwipsPerPixelX() const override { return twipsPerPixel_; }
  int TwipsPerPixelY() const override { return twipsPerPixel_; }
  bool HasJapaneseFont() const override { return japaneseFont_; }
  void OpenInBrowser(const std::string& url) override;
  void PrintPage(Window& window, std::string_view browser) override;
  void OnEndRequest(std::function<void()> handler) override;
  void OnRunFailed(std::function<void(int status)> handler) override;
  void Notice(const std::string& text) override;

  // An unattended run: the user of the script PAVANE_SCRIPT names plays it
  // on these windows, the transcript goes to `transcript`, the pictures of
  // its "shot" lines into the folder PAVANE_SHOTS names (none when unset).
  // False with `error` when the script cannot be read. Called before the
  // run starts: OnRunFailed reaches the user it makes.
  bool PlayScript(std::ostream& transcript, std::string& error);
  // Why the script ended the run; "" while it has not (or without one).
  const std::string& ScriptError() const;

  // --- GTK only.

  GtkLoop& MainLoop() { return loop_; }
  // Twips per GTK layout pixel. GTK scales whole-number factors (200 %)
  // itself, so layout uses the resolution alone while TwipsPerPixel, which
  // the pages get as their scaling, counts screen pixels.
  double LayoutTwipsPerPixel() const { return layoutTwips_; }
  // An open window by name; null when there is none.
  GtkScreenWindow* FindWindow(std::string_view name) const;
  // The program's window that was active last; null when none is.
  GtkScreenWindow* ActiveWindow() const { return active_; }
  bool MessageBoxOpen() const { return !openBoxes_.empty(); }
  // Where the windows and pages tell what happens.
  user::Transcript& Transcript() { return transcript_; }
  // A new page view (floating, for a window to place) that shares the one
  // web process of every page.
  WebKitWebView* NewPageView();

 private:
  friend class GtkDesk;
  friend class GtkScreenWindow;

  struct ShownBox {
    GtkWidget* dialog;
    std::string title;
    std::uint32_t style;
  };

  GtkWindowSystem(int twipsPerPixel, double layoutTwips, bool japaneseFont);
  void Forget(GtkScreenWindow* window);
  // `window` became the active one; true when it was not before.
  bool MakeActive(GtkScreenWindow* window);
  // `window` closed: when it was the active one, the window behind it
  // becomes active, as on a desktop (the owner of a closed modal window).
  void Closed(GtkScreenWindow* window);
  static gboolean OnEndSignal(gpointer self);

  GtkLoop loop_;
  int twipsPerPixel_;
  double layoutTwips_;
  bool japaneseFont_;
  std::vector<GtkScreenWindow*> windows_;  // every live window, in creation order
  std::vector<GtkScreenWindow*> zOrder_;   // open windows that were active, front last
  GtkScreenWindow* active_ = nullptr;
  std::vector<ShownBox> openBoxes_;  // innermost last
  std::function<void()> endHandler_;
  std::vector<guint> signalSources_;
  // Every page's context: nothing a page stores outlives the run.
  WebKitWebContext* context_ = nullptr;
  bool sandboxed_ = false;
  // A view of no window whose web process every page view shares.
  WebKitWebView* pageProcess_ = nullptr;
  user::Transcript transcript_;
  std::unique_ptr<GtkDesk> desk_;  // an unattended run's
};

}  // namespace pavane::os::gtk
