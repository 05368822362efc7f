#include "os/gtk/gtk_browser.h"

#include <charconv>
#include <cstdio>
#include <memory>

#include "os/gtk/gtk_compat.h"
#include "os/gtk/gtk_loop.h"
#include "os/gtk/gtk_screen_window.h"
#include "os/gtk/gtk_window_system.h"
#include "os/gtk/script_literal.h"

namespace pavane::os::gtk {
namespace {

// One script call; shared with WebKit's callback, which may arrive after the
// caller has given up waiting.
struct ScriptCall {
  bool done = false;
  std::optional<std::string> value;
};

void OnScriptDone(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<std::shared_ptr<ScriptCall>> call(
      static_cast<std::shared_ptr<ScriptCall>*>(data));
  GError* error = nullptr;
  if (JSCValue* value = compat::FinishJavaScript(WEBKIT_WEB_VIEW(source), result, &error)) {
    if (!jsc_value_is_null(value) && !jsc_value_is_undefined(value)) {
      gchar* text = jsc_value_to_string(value);
      (*call)->value = text != nullptr ? text : "";
      g_free(text);
    }
    g_object_unref(value);
  }
  if (error != nullptr) g_error_free(error);
  (*call)->done = true;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = g_ascii_tolower(c);
  return lower;
}

// The element as a script expression giving the element or null.
std::string ElementExpression(const ElementRef& ref) {
  if (!ref.id.empty()) return "document.getElementById(" + ScriptLiteral(ref.id) + ")";
  return "(document.getElementsByName(" + ScriptLiteral(ref.name) + ")[" +
         std::to_string(ref.index) + "] || null)";
}

int CountFromText(const std::optional<std::string>& text) {
  int count = 0;
  if (!text) return 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), count);
  return error == std::errc() && end == text->data() + text->size() ? count : 0;
}

// The page's channel for the changes of watched elements.
constexpr const char* kChangeChannel = "pavaneElementChanged";

// What a watched element is known by in its change messages.
const std::string& ElementKey(const ElementRef& ref) {
  return ref.id.empty() ? ref.name : ref.id;
}

}  // namespace

GtkBrowser::GtkBrowser(GtkScreenWindow& window, std::string name, WebKitWebView* view)
    : window_(window), name_(std::move(name)), view_(WEBKIT_WEB_VIEW(g_object_ref(view))) {
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
}

GtkBrowser::~GtkBrowser() {
  Detach();
}

void GtkBrowser::Detach() {
  if (view_ == nullptr) return;
  if (messages_ != nullptr) {
    g_signal_handlers_disconnect_by_data(messages_, this);
    webkit_user_content_manager_unregister_script_message_handler(messages_, kChangeChannel);
    messages_ = nullptr;
  }
  g_signal_handlers_disconnect_by_data(view_, this);
  g_object_unref(view_);
  view_ = nullptr;
  awaitingStart_ = false;
}

void GtkBrowser::Navigate(const std::string& url) {
  if (view_ == nullptr) return;
  url_ = url;
  awaitingStart_ = true;
  webkit_web_view_load_uri(view_, url.c_str());
}

bool GtkBrowser::Busy() const {
  return view_ != nullptr && (awaitingStart_ || webkit_web_view_is_loading(view_));
}

std::string GtkBrowser::Url() const {
  const gchar* shown = view_ != nullptr ? webkit_web_view_get_uri(view_) : nullptr;
  return shown != nullptr && !awaitingStart_ ? shown : url_;
}

void GtkBrowser::OnLoadChanged(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer self) {
  auto* browser = static_cast<GtkBrowser*>(self);
  if (event == WEBKIT_LOAD_STARTED) {
    browser->awaitingStart_ = false;
  } else if (event == WEBKIT_LOAD_FINISHED && !browser->awaitingStart_) {
    browser->backgroundColor_.clear();
    // The screen's handler waits and pumps; it runs on the loop, not inside
    // WebKit's signal. The browser lives as long as its window is open.
    browser->window_.PostEvent([browser](WindowEvents& events) {
      browser->window_.System().Transcript().Page(browser->window_.Name(), browser->name_,
                                                  browser->Url());
      events.DocumentComplete(browser->name_);
    });
  }
}

gboolean GtkBrowser::OnDecidePolicy(WebKitWebView* /*view*/, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer self) {
  auto* browser = static_cast<GtkBrowser*>(self);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    // What a page cannot show would be saved as a download.
    if (!webkit_response_policy_decision_is_mime_type_supported(
            WEBKIT_RESPONSE_POLICY_DECISION(decision))) {
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    return FALSE;
  }
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const std::string url = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  // Pages open no windows of their own; a link meant for a new window is
  // decided as any other link, and never followed.
  const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
  if (webkit_navigation_action_get_navigation_type(action) != WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
    // Not the user's doing: the screen's own loads, or what a page script,
    // form or frame asks for. Only the screen's own pages may load.
    if (!newWindow && browser->window_.Events().MayLoad(browser->name_, url)) {
      webkit_policy_decision_use(decision);
    } else {
      webkit_policy_decision_ignore(decision);
    }
    return TRUE;
  }
  // The decision waits for the screen, which may open a modal window first.
  std::shared_ptr<WebKitPolicyDecision> held(WEBKIT_POLICY_DECISION(g_object_ref(decision)),
                                             g_object_unref);
  const bool posted = browser->window_.PostEvent(
      [browser, url, held, newWindow](WindowEvents& events) {
        if (events.BeforeNavigate(browser->name_, url)) {
          browser->window_.System().Transcript().Cancel(browser->window_.Name(), browser->name_,
                                                        url);
          webkit_policy_decision_ignore(held.get());
        } else if (newWindow) {
          webkit_policy_decision_ignore(held.get());
        } else {
          webkit_policy_decision_use(held.get());
        }
      },
      [held] { webkit_policy_decision_ignore(held.get()); });
  if (!posted) webkit_policy_decision_ignore(decision);
  return TRUE;
}

void GtkBrowser::OnWebProcessTerminated(WebKitWebView* /*view*/,
                                        WebKitWebProcessTerminationReason reason, gpointer self) {
  auto* browser = static_cast<GtkBrowser*>(self);
  std::fprintf(stderr, "pavane: the page process of %s ended (reason %d)\n", browser->name_.c_str(),
               static_cast<int>(reason));
  // No load will finish now; the screen must not wait for one.
  browser->awaitingStart_ = false;
}

bool GtkBrowser::WatchElement(const ElementRef& element) {
  if (view_ == nullptr) return false;
  if (messages_ == nullptr) {
    WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view_);
    if (!webkit_user_content_manager_register_script_message_handler(manager, kChangeChannel)) {
      return false;
    }
    messages_ = manager;
    g_signal_connect(messages_, (std::string("script-message-received::") + kChangeChannel).c_str(),
                     G_CALLBACK(OnElementMessage), this);
  }
  // Once per element, however often it is watched; the message carries the
  // key the screen knows the element by.
  std::string script =
      "if (!e.pavaneWatched) { e.pavaneWatched = true; "
      "['change', 'input'].forEach(function (type) { "
      "e.addEventListener(type, function () { window.webkit.messageHandlers.";
  script.append(kChangeChannel).append(".postMessage(");
  script.append(ScriptLiteral(ElementKey(element))).append("); }); }); }");
  return RunOnElement(element, script);
}

void GtkBrowser::OnElementMessage(WebKitUserContentManager* /*manager*/,
                                  WebKitJavascriptResult* message, gpointer self) {
  auto* browser = static_cast<GtkBrowser*>(self);
  JSCValue* value = webkit_javascript_result_get_js_value(message);
  if (value == nullptr || !jsc_value_is_string(value)) return;
  char* text = jsc_value_to_string(value);
  std::string key = text != nullptr ? text : "";
  g_free(text);
  // The screen reads the page again; that runs on the loop, not inside
  // WebKit's signal.
  browser->window_.PostEvent([browser, key = std::move(key)](WindowEvents& events) {
    browser->window_.System().Transcript().Changed(browser->window_.Name(), browser->name_, key);
    events.ElementChanged(browser->name_, key);
  });
}

std::optional<std::string> GtkBrowser::EvaluateScript(const std::string& script) const {
  if (view_ == nullptr) return std::nullopt;
  auto call = std::make_shared<ScriptCall>();
  GCancellable* cancellable = g_cancellable_new();
  compat::EvaluateJavaScript(view_, script.data(), static_cast<gssize>(script.size()), cancellable,
                             OnScriptDone, new std::shared_ptr<ScriptCall>(call));
  const bool answered =
      window_.System().MainLoop().IterateUntil([&call] { return call->done; }, kScriptLimit);
  if (!answered) g_cancellable_cancel(cancellable);
  g_object_unref(cancellable);
  return answered ? call->value : std::nullopt;
}

bool GtkBrowser::RunOnElement(const ElementRef& element, const std::string& body) {
  return EvaluateScript("(function () { var e = " + ElementExpression(element) +
                        "; if (!e) return 'false'; " + body + " return 'true'; })()") == "true";
}

bool GtkBrowser::HasBody() const {
  return !Busy() && EvaluateScript("document.body ? 'true' : 'false'") == "true";
}

std::optional<std::string> GtkBrowser::GetAttribute(const ElementRef& element,
                                                    std::string_view attribute) {
  // "value" and "checked" are read live: what the user typed or ticked, not
  // what the page was written with.
  return EvaluateScript("(function () { var e = " + ElementExpression(element) +
                        "; if (!e) return null; var a = " + ScriptLiteral(AsciiLower(attribute)) +
                        ";"
                        " if (a === 'value') return ('value' in e) ? String(e.value)"
                        " : (e.getAttribute('value') || '');"
                        " if (a === 'checked') return e.checked ? 'true' : 'false';"
                        " var v = e.getAttribute(a); return v === null ? '' : v; })()");
}

bool GtkBrowser::SetAttribute(const ElementRef& element, std::string_view attribute,
                              std::string_view value) {
  return RunOnElement(
      element, "var a = " + ScriptLiteral(AsciiLower(attribute)) + ", v = " + ScriptLiteral(value) +
                   ";"
                   " if (a === 'value') e.value = v;"
                   " else if (a === 'checked')"
                   " e.checked = ['true', '1', 'checked', '-1'].indexOf(v.toLowerCase()) >= 0;"
                   " else e.setAttribute(a, v);");
}

int GtkBrowser::CountElementsByName(std::string_view name) {
  return CountFromText(
      EvaluateScript("String(document.getElementsByName(" + ScriptLiteral(name) + ").length)"));
}

bool GtkBrowser::Focus(const ElementRef& element) {
  if (!RunOnElement(element, "e.focus();")) return false;
  window_.System().Transcript().Focus(window_.Name(), element);
  // The caret shows only when the page itself has the keyboard.
  if (view_ != nullptr) gtk_widget_grab_focus(GTK_WIDGET(view_));
  return true;
}

bool GtkBrowser::SetBodyScroll(std::string_view value) {
  // WebKit knows no "scroll" attribute; hidden overflow is what takes the
  // scroll bars away.
  const bool set = EvaluateScript(
                       "(function () { var b = document.body; if (!b) return 'false';"
                       " var v = " +
                       ScriptLiteral(value) +
                       "; b.setAttribute('scroll', v);"
                       " var o = v.toLowerCase() === 'no' ? 'hidden' : '';"
                       " b.style.overflow = o; document.documentElement.style.overflow = o;"
                       " return 'true'; })()") == "true";
  if (set) window_.System().Transcript().BodyScroll(window_.Name(), name_, value);
  return set;
}

bool GtkBrowser::SetBackgroundColor(std::string_view rrggbb) {
  std::string colour(1, '#');
  colour += rrggbb;
  const bool set = EvaluateScript(
                       "(function () { if (!document.body) return 'false';"
                       " document.bgColor = " +
                       ScriptLiteral(colour) + "; return 'true'; })()") == "true";
  // The view paints its own background before the page does (and around a
  // page shorter than the view): the same colour, so no white shows.
  GdkRGBA rgba;
  if (set && view_ != nullptr && rrggbb.size() == 6 && gdk_rgba_parse(&rgba, colour.c_str())) {
    webkit_web_view_set_background_color(view_, &rgba);
  }
  if (set) {
    backgroundColor_ = rrggbb;
    window_.System().Transcript().BackgroundColor(window_.Name(), name_, rrggbb);
  }
  return set;
}

}  // namespace pavane::os::gtk
