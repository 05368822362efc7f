// Version quirks of GTK 3 and WebKitGTK (webkit2gtk-4.1) in one place, so
// the backend itself reads top to bottom on one API.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace pavane::os::gtk::compat {

// Page scripts: webkit_web_view_evaluate_javascript came with 2.40 and takes
// a length, so a script may hold any text; older releases only have
// run_javascript, whose result wraps the value.
inline void EvaluateJavaScript(WebKitWebView* view, const char* script, gssize length,
                               GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
#if WEBKIT_CHECK_VERSION(2, 40, 0)
  webkit_web_view_evaluate_javascript(view, script, length, nullptr, nullptr, cancellable, done,
                                      data);
#else
  (void)length;  // our scripts never hold a NUL: every inserted value is escaped
  webkit_web_view_run_javascript(view, script, cancellable, done, data);
#endif
}

// The script's value (a new reference), or null with `error`.
inline JSCValue* FinishJavaScript(WebKitWebView* view, GAsyncResult* result, GError** error) {
#if WEBKIT_CHECK_VERSION(2, 40, 0)
  return webkit_web_view_evaluate_javascript_finish(view, result, error);
#else
  WebKitJavascriptResult* wrapped = webkit_web_view_run_javascript_finish(view, result, error);
  if (wrapped == nullptr) return nullptr;
  JSCValue* value = JSC_VALUE(g_object_ref(webkit_javascript_result_get_js_value(wrapped)));
  webkit_javascript_result_unref(wrapped);
  return value;
#endif
}

// The screens' pages are plain documents; the GPU path buys nothing there and
// fails on displays without it (Xvfb, remote X).
inline void PreferSoftwareRendering(WebKitSettings* settings) {
#if !WEBKIT_CHECK_VERSION(2, 52, 0)
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  webkit_settings_set_hardware_acceleration_policy(settings,
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  G_GNUC_END_IGNORE_DEPRECATIONS
#else
  (void)settings;
#endif
}

// A steady caret in page fields. WebKit draws a blinking caret by updating
// the page at the display's rate (60 times a second) for as long as a field
// has the keyboard, and with blinking switched off it updates the page
// without pause; GTK's own entries stop blinking after a while for that
// reason. A blink cycle of a day leaves the caret shown from each keystroke
// or click on, at no cost. Set before the first page so the page process
// starts with it; an application's value outranks the desktop's.
inline void KeepCaretSteady() {
  constexpr int kOneDayMs = 24 * 60 * 60 * 1000;  // GTK scales it by 2/3: stays in an int
  if (GtkSettings* settings = gtk_settings_get_default()) {
    g_object_set(settings, "gtk-cursor-blink-time", kOneDayMs, nullptr);
  }
}

}  // namespace pavane::os::gtk::compat
