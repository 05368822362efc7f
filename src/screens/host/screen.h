// A screen window: its design, its native window and page(s), and the life
// cycle every screen shares (load, first activation, the page events,
// unload). A screen's own class adds its page names, buttons and events.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "os/window_system.h"
#include "screens/host/control_observer.h"
#include "screens/host/form.h"
#include "screens/host/session.h"
#include "vbscript/engine.h"

namespace pavane::screens {

class Screen : public os::WindowEvents, private ControlObserver {
 public:
  Screen(Session& session, std::string_view formName);
  ~Screen() override;
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  const std::string& Name() const { return form_->Name(); }
  Form& Design() { return *form_; }
  os::Window* NativeWindow() { return window_.get(); }
  bool IsLoaded() const { return window_ != nullptr && window_->IsOpen(); }

  // Builds the native window and runs the screen's load event. False when
  // the screen could not be set up (the program is then ending).
  bool Load();
  // Loads if needed, then shows; modal over `owner` returns once closed.
  void Show();
  void ShowModal(Screen* owner);
  // Runs the unload event and closes the window.
  void Unload();

  // The window's own message box; an empty title shows the program's.
  int MsgBox(const std::string& text, std::uint32_t style, const std::string& title);
  // The window's caption as its caption bar shows it.
  std::string Caption() const { return form_->Caption(); }
  void SetTopmost(bool topmost);

  // --- the screen host ---
  // Appends the scaling key to `url` and loads it into the browser; returns
  // once the browser is no longer busy. A page name gets the folder of its
  // language (or the shared one) and the language key; a path that already
  // lies below "HTML Screens" is loaded as it is.
  void NavigateToScreen(std::string& url, std::string_view browser);
  std::string GetScreenFolder(std::string_view url) const;
  void WaitForPageBody(std::string_view browser);
  // The window colour as RRGGBB, sampled from the dummy picture (or the top
  // panel).
  std::string GetFormBackColor(bool useTopPanel);
  os::Browser* Page(std::string_view browser = "WebBrowser1");

  // --- the common form setup ---
  bool InitForm(const std::string& section, std::string url1, bool colorFirst,
                std::string& errorText, std::string url2 = {}, bool colorSecond = false);
  void SetupCurrentAppIcons();

 protected:
  Session& session_;
  Run& run_;
  bool Displayed = false;
  bool ColorFirstBrowser = false;
  bool ColorSecondBrowser = false;

  // The screen's own events.
  virtual void OnLoad() = 0;
  virtual void OnActivate() {}
  virtual void OnClick(std::string_view /*button*/) {}
  virtual void OnUnload() {}
  // Page loaded: wait for the body, then hide the scroll bars where the
  // screen wants that.
  virtual void OnDocumentComplete(std::string_view browser);
  virtual bool ScrollOff() const { return true; }
  // A link click; true cancels it. Screens without a link handler follow
  // every link that leads to a page they may show (PageFolder).
  virtual bool OnBeforeNavigate(std::string_view /*browser*/, const std::string& /*url*/) {
    return false;
  }
  // The folder whose pages the screen's browsers may show; nothing outside
  // it is ever loaded.
  virtual std::string PageFolder() const;
  virtual void OnCloseRequested() { Unload(); }
  // A page element the screen watches changed (os::Browser::WatchElement).
  virtual void OnElementChanged(std::string_view /*browser*/, std::string_view /*element*/) {}

  // The first-activation steps every screen shares: the page colours.
  void ApplyPageColours();
  // The window's Displayed event, reported once per load.
  void ReportDisplayedOnce(std::string_view action);
  Control* Find(std::string_view name) const { return form_->Find(name); }

 private:
  // os::WindowEvents
  void Activated() final;
  void ButtonClicked(std::string_view widget) final;
  void CloseRequested() final;
  void DocumentComplete(std::string_view browser) final;
  void ElementChanged(std::string_view browser, std::string_view element) final;
  bool BeforeNavigate(std::string_view browser, const std::string& url) final;
  bool MayLoad(std::string_view browser, const std::string& url) final;
  // ControlObserver
  void PropertyChanged(const Control& control, ControlProperty property) override;

  std::unique_ptr<Form> form_;
  std::unique_ptr<os::Window> window_;
  vbscript::Engine engine_;
  bool unloading_ = false;
};

// The colour string of a pixel value in 0x00BBGGRR order: RRGGBB.
std::string ColorString(std::uint32_t bgr);

}  // namespace pavane::screens
