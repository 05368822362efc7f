// The browser widget of a desktop window: a WebKitWebView. The screens'
// reads and writes of the page are small scripts run in the page, made
// synchronous by running the loop until WebKit answers (at most
// kScriptLimit, so a page that hangs cannot hang the screen). Every value
// put into a script is a string literal (script_literal.h).
#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "os/window_system.h"

namespace pavane::os::gtk {

class GtkScreenWindow;

class GtkBrowser final : public Browser {
 public:
  static constexpr std::chrono::milliseconds kScriptLimit{5000};

  // Takes a reference on `view`, which the window has placed.
  GtkBrowser(GtkScreenWindow& window, std::string name, WebKitWebView* view);
  ~GtkBrowser() override;
  GtkBrowser(const GtkBrowser&) = delete;
  GtkBrowser& operator=(const GtkBrowser&) = delete;

  void Navigate(const std::string& url) override;
  bool Busy() const override;
  std::string Url() const override;
  bool HasBody() const override;
  std::optional<std::string> GetAttribute(const ElementRef& element,
                                          std::string_view attribute) override;
  bool SetAttribute(const ElementRef& element, std::string_view attribute,
                    std::string_view value) override;
  int CountElementsByName(std::string_view name) override;
  bool Focus(const ElementRef& element) override;
  bool SetBodyScroll(std::string_view value) override;
  bool SetBackgroundColor(std::string_view rrggbb) override;
  bool WatchElement(const ElementRef& element) override;

  // --- GTK only.

  const std::string& Name() const { return name_; }
  // Null once the window has closed.
  WebKitWebView* View() const { return view_; }
  // The colour the screen painted the page in (RRGGBB); "" when none.
  const std::string& BackgroundColor() const { return backgroundColor_; }
  // Runs `script` in the page; its value as text, nullopt for null or
  // undefined, a script error, no answer within kScriptLimit, or no page.
  std::optional<std::string> EvaluateScript(const std::string& script) const;
  // The window is closing: WebKit's signals no longer reach this object.
  void Detach();

 private:
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static void OnWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                     gpointer self);
  static void OnElementMessage(WebKitUserContentManager* manager, WebKitJavascriptResult* message,
                               gpointer self);
  // Runs `body` with `e` bound to the element (or null); "true" back is
  // success.
  bool RunOnElement(const ElementRef& element, const std::string& body);

  GtkScreenWindow& window_;
  std::string name_;
  WebKitWebView* view_;
  std::string url_;
  // Navigate was called and WebKit has not started that load yet: the
  // browser counts as busy, and a "finished" of the load it replaced is not
  // this page's completion.
  bool awaitingStart_ = false;
  // The page's change messages reach OnElementMessage.
  WebKitUserContentManager* messages_ = nullptr;
  std::string backgroundColor_;
};

}  // namespace pavane::os::gtk
