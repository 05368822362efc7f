// What every screen of a run shares: the run, the window system, where the
// captions come from, and the screen sequence that decides what follows.
#pragma once

#include <string>
#include <string_view>

#include "os/window_system.h"
#include "run/run.h"
#include "screens/host/form.h"
#include "vbscript/engine.h"

namespace pavane::screens {

class Screen;

// Runs a window's language statements (the language subsystem provides it).
class CaptionSource {
 public:
  virtual ~CaptionSource() = default;
  // Starts the window's engine afresh with its controls registered.
  virtual bool PrepareEngine(const Form& form, vbscript::Engine& engine) = 0;
  // Runs the application, screen and common sections; false with `message`
  // when the window cannot be set up.
  virtual bool SetCaptions(vbscript::Engine& engine, std::string& appSection,
                           std::string& formSection, std::string& message) = 0;
};

// The screen sequence, as the screens see it: they hand over to it when the
// user leaves them (the application provides it).
class Navigator {
 public:
  virtual ~Navigator() = default;
  // Closes `leaving` (first, or after the next offer is open) and opens the
  // next offer, or ends the run.
  virtual void NextBundle(Screen& leaving, bool unloadFirst) = 0;
  // The offer of `ShownAppCode`, not modal.
  virtual void ShowOffer() = 0;
  // The not-spam notice after the newsletter, not modal.
  virtual void ShowNotSpam() = 0;
  // The firewall notice, modal over `owner`.
  virtual void ShowFirewall(Screen& owner) = 0;
  // A link the user clicked in `screen`'s page; true when it was handled
  // (the page then does not follow it).
  virtual bool OpenLegalLink(Screen& screen, const std::string& address) = 0;
  // Ends the run in order: every open screen closes, then the program ends.
  virtual void CloseAllScreens() = 0;
  // Another copy of the program is running already.
  virtual bool AnotherCopyRunning() = 0;
  // Ends the program at once, without closing screens or storing replies.
  virtual void EndProgram(int status) = 0;
};

struct Session {
  Session(Run& run, os::WindowSystem& ui, CaptionSource& captions, Navigator& navigator)
      : run(run), ui(ui), captions(captions), navigator(navigator) {}

  Run& run;
  os::WindowSystem& ui;
  CaptionSource& captions;
  Navigator& navigator;

  // The screen that owns legal-document windows.
  Screen* mainScreen = nullptr;
  // Open legal-document windows minus one.
  int legalWindowCount = -1;
  // Set once the program is ending: screens stop starting new work.
  bool ending = false;
  // The session asked the program to end (a signal): nobody is there to
  // answer a message box any more.
  bool endRequested = false;
  // The exit status the run ends with.
  int status = 0;

  // The title of message boxes shown without one.
  static constexpr const char* kProgramTitle = "Pavane";
};

}  // namespace pavane::screens
