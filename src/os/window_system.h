// The window system the screens stand on: native windows built from a
// window design, the pages inside them, the message loop with its timers,
// message boxes and a few facts about the display.
//
// Two implementations share this shape: os/gtk (GTK 3 with WebKitGTK) and
// os/headless (plain objects, pages parsed into a DOM, a virtual clock and a
// scripted user, for tests and unattended runs). Everything here runs on the
// one user-interface thread unless a comment says otherwise.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/http_client.h"

namespace pavane::os {

// ---------------------------------------------------------------------------
// Texts come with Windows line breaks, and a caption of the language files
// holds the pair LF CR for each break it was given; a window shows each of
// CR LF, LF CR, a lone CR and a lone LF as one break ("\n").
inline std::string UnixLines(std::string_view text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char ch = text[at];
    if (ch != '\r' && ch != '\n') {
      lines += ch;
      continue;
    }
    lines += '\n';
    const char pair = ch == '\r' ? '\n' : '\r';
    if (at + 1 < text.size() && text[at + 1] == pair) ++at;
  }
  return lines;
}

// ---------------------------------------------------------------------------
// Window designs, in the window system's own terms: positions and sizes in
// twips, colours as 0x00BBGGRR or a system colour (0x800000nn).

enum class WidgetKind {
  kLabel,
  kTextBox,
  kFrame,
  kButton,
  kCheckBox,
  kImage,
  kPicture,
  kCaptionBar,  // not drawn as a widget: its caption is the window title
  kBrowser,
  kLinkLabel,  // a label whose caption may carry the red marker markup
};

struct WidgetState {
  std::string caption;
  std::string text;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool visible = true;
  bool enabled = true;
  std::int32_t foreColor = 0;
  std::int32_t backColor = 0;
  std::string fontName;
  double fontSize = 0;
  bool fontBold = false;
  bool fontItalic = false;
  bool fontUnderline = false;
  std::int32_t alignment = 0;  // 0 left, 1 right, 2 centre
  bool autoSize = false;
  bool wordWrap = false;
  std::string toolTipText;
  std::int32_t value = 0;  // check box
};

struct WidgetSpec {
  std::string name;  // script name (lblHdr1, lblLine_2)
  WidgetKind kind;
  std::string container;  // name of the frame it sits in; "" for the window
  WidgetState state;
};

struct WindowSpec {
  std::string name;  // frmEmail
  std::string title;
  std::int32_t clientWidth = 0;  // twips
  std::int32_t clientHeight = 0;
  std::vector<WidgetSpec> widgets;  // in design order; containers first
};

// ---------------------------------------------------------------------------
// Pages.

// An element of a page: by id, or the index-th (from 0) element of a name.
struct ElementRef {
  std::string id;
  std::string name;
  int index = -1;

  static ElementRef ById(std::string id) { return {std::move(id), {}, -1}; }
  static ElementRef ByName(std::string name, int index) { return {{}, std::move(name), index}; }
};

class Browser {
 public:
  virtual ~Browser() = default;

  // Starts loading a file:// URL (query included). DocumentComplete follows
  // through the window's events once the page is loaded.
  virtual void Navigate(const std::string& url) = 0;
  virtual bool Busy() const = 0;
  // The URL of the page shown (or being loaded).
  virtual std::string Url() const = 0;
  // The page's body exists.
  virtual bool HasBody() const = 0;

  // Attribute reads give the live state for "value" and "checked" (what the
  // user typed or ticked), "true"/"false" for checked; nullopt when the
  // element does not exist.
  virtual std::optional<std::string> GetAttribute(const ElementRef& element,
                                                  std::string_view attribute) = 0;
  virtual bool SetAttribute(const ElementRef& element, std::string_view attribute,
                            std::string_view value) = 0;
  virtual int CountElementsByName(std::string_view name) = 0;
  virtual bool Focus(const ElementRef& element) = 0;

  // The body's "scroll" attribute ("no" hides the scroll bars).
  virtual bool SetBodyScroll(std::string_view value) = 0;
  // The document's bgColor, six hexadecimal digits RRGGBB.
  virtual bool SetBackgroundColor(std::string_view rrggbb) = 0;

  // From now on, each change the user makes to the element (a box ticked, a
  // field typed in) comes through the window's events as ElementChanged with
  // the element's id. False when this page cannot tell (no such element, or
  // a browser without page events): the caller then looks for itself.
  virtual bool WatchElement(const ElementRef& /*element*/) { return false; }
};

// ---------------------------------------------------------------------------
// Windows.

// What a window tells its screen. Navigations reach BeforeNavigate only when
// the user started them (a link click), never for the screen's own loads;
// every other navigation of a page (a script, a form, a frame, a refresh)
// asks MayLoad.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void Activated() = 0;
  virtual void ButtonClicked(std::string_view widget) = 0;
  // The caption's close button (where the window still has one).
  virtual void CloseRequested() = 0;
  virtual void DocumentComplete(std::string_view browser) = 0;
  // A watched element of the page changed (Browser::WatchElement).
  virtual void ElementChanged(std::string_view /*browser*/, std::string_view /*element*/) {}
  // True cancels the navigation.
  virtual bool BeforeNavigate(std::string_view browser, const std::string& url) = 0;
  // Whether the browser may load `url` when the page itself asks for it;
  // called at once, from inside the browser's decision, so it must not wait.
  virtual bool MayLoad(std::string_view /*browser*/, const std::string& /*url*/) { return false; }
};

class Window {
 public:
  virtual ~Window() = default;

  virtual const std::string& Name() const = 0;

  virtual void Show() = 0;
  // Shows the window modally over `owner` and returns once it is closed;
  // the loop keeps running meanwhile.
  virtual void ShowModal(Window* owner) = 0;
  // Closes and destroys the native window; the object stays as a husk.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  virtual void SetTopmost(bool topmost) = 0;
  virtual void RemoveCloseButton() = 0;
  virtual void SetIcon(const std::string& imageFile) = 0;
  virtual void SetTitle(const std::string& title) = 0;

  // A widget's state changed (a language statement, the program).
  virtual void UpdateWidget(const WidgetSpec& widget) = 0;
  // Loads an image file into an image or picture widget; its size in twips,
  // nullopt when the file cannot be read.
  virtual std::optional<std::pair<std::int32_t, std::int32_t>> SetImage(
      const std::string& widget, const std::string& imageFile) = 0;
  virtual Browser* GetBrowser(std::string_view widget) = 0;
  // One pixel of a rendered widget as 0x00BBGGRR; nullopt when it cannot be
  // read.
  virtual std::optional<std::uint32_t> SamplePixel(std::string_view widget, int x, int y) = 0;

  // The window's position on the screen, in twips.
  virtual std::pair<std::int32_t, std::int32_t> Position() const = 0;
  virtual void SetPosition(std::int32_t left, std::int32_t top) = 0;
};

// ---------------------------------------------------------------------------
// The loop, message boxes and the display.

class EventLoop : public WaitHook {
 public:
  using TimerId = int;

  // Lets every pending event run, then returns.
  virtual void PumpPending() = 0;
  // Waits `duration` while events keep running.
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
  // Runs events until `done` holds or `limit` has passed; whether it holds.
  // `done` is looked at after each event, so it must be cheap.
  virtual bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) = 0;
  virtual TimerId StartTimer(std::chrono::milliseconds interval, std::function<void()> tick) = 0;
  virtual void StopTimer(TimerId id) = 0;
  // Runs until Quit; the run's screens drive it from their events.
  virtual int Run() = 0;
  virtual void Quit(int status) = 0;
};

// Windows style bits and button codes, as the screens pass and expect them.
namespace message_box {
inline constexpr std::uint32_t kOk = 0x0;
inline constexpr std::uint32_t kOkCancel = 0x1;
inline constexpr std::uint32_t kYesNo = 0x4;
inline constexpr std::uint32_t kIconStop = 0x10;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconExclamation = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// The codes of the buttons a box of `style` shows, in the order Windows
// shows them.
inline std::vector<int> ButtonCodes(std::uint32_t style) {
  switch (style & 0xF) {
    case 1:
      return {1, 2};
    case 2:
      return {3, 4, 5};
    case 3:
      return {6, 7, 2};
    case 4:
      return {6, 7};
    case 5:
      return {4, 2};
    case 6:
      return {2, 10, 11};
    default:
      return {1};
  }
}
}  // namespace message_box

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual std::unique_ptr<Window> CreateWindow(const WindowSpec& design, WindowEvents& events) = 0;
  // The button code pressed; `owner` may be null.
  virtual int MessageBox(Window* owner, const std::string& text, std::uint32_t style,
                         const std::string& title) = 0;
  virtual EventLoop& Loop() = 0;

  // Twips per screen pixel: 15 at 96 dots per inch, 12 at 120, 10 at 144.
  virtual int TwipsPerPixelX() const = 0;
  virtual int TwipsPerPixelY() const = 0;
  // An installed font can show Japanese.
  virtual bool HasJapaneseFont() const = 0;
  // Opens a web address in the user's browser.
  virtual void OpenInBrowser(const std::string& url) = 0;
  // Prints the document of a browser when no print command is registered.
  virtual void PrintPage(Window& window, std::string_view browser) = 0;
  // From now on SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C, a
  // closed terminal) no longer end the process where it stands: `handler`
  // runs in the loop instead, once per signal, after any open message box
  // was closed unanswered.
  virtual void OnEndRequest(std::function<void()> handler) = 0;
  // From now on, when the run fails where it stands (the scripted user of an
  // unattended run could not do what its script says), `handler` runs at
  // once, with the exit status, before the program's waits return: the
  // program then opens and reports nothing more.
  virtual void OnRunFailed(std::function<void(int status)> /*handler*/) {}
  // Tells whoever runs the program (not the user at the screens) about a
  // setting it could not honour: on standard error, as "pavane: <text>".
  virtual void Notice(const std::string& text) {
    std::fprintf(stderr, "pavane: %s\n", text.c_str());
  }
};

}  // namespace pavane::os
