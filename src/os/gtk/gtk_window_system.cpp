#include "os/gtk/gtk_window_system.h"

#include <fontconfig/fontconfig.h>
#include <gio/gio.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "os/gtk/gtk_browser.h"
#include "os/gtk/gtk_compat.h"
#include "os/gtk/gtk_desk.h"
#include "os/gtk/gtk_screen_window.h"
#include "os/user/user_script.h"

namespace pavane::os::gtk {
namespace {

constexpr double kTwipsPerInch = 1440;
constexpr double kDefaultDpi = 96;

// GTK's own translated label of a button code.
const char* ButtonLabel(int code) {
  switch (code) {
    case 2:
      return "_Cancel";
    case 3:
      return "_Abort";
    case 4:
      return "_Retry";
    case 5:
      return "_Ignore";
    case 6:
      return "_Yes";
    case 7:
      return "_No";
    case 10:
      return "_Try Again";
    case 11:
      return "_Continue";
    default:
      return "_OK";
  }
}

GtkMessageType MessageTypeOf(std::uint32_t style) {
  switch (style & 0xF0) {
    case 0x10:
      return GTK_MESSAGE_ERROR;
    case 0x20:
      return GTK_MESSAGE_QUESTION;
    case 0x30:
      return GTK_MESSAGE_WARNING;
    case 0x40:
      return GTK_MESSAGE_INFO;
    default:
      return GTK_MESSAGE_OTHER;
  }
}

// GTK 3 message dialogs no longer draw the icon of their type; the theme's
// icon goes where they used to put it, left of the text.
const char* IconNameOf(GtkMessageType type) {
  switch (type) {
    case GTK_MESSAGE_ERROR:
      return "dialog-error";
    case GTK_MESSAGE_QUESTION:
      return "dialog-question";
    case GTK_MESSAGE_WARNING:
      return "dialog-warning";
    case GTK_MESSAGE_INFO:
      return "dialog-information";
    default:
      return nullptr;
  }
}

void AddIcon(GtkMessageDialog* dialog, GtkMessageType type) {
  const char* name = IconNameOf(type);
  GtkWidget* row = gtk_widget_get_parent(gtk_message_dialog_get_message_area(dialog));
  if (name == nullptr || !GTK_IS_BOX(row)) return;
  GtkWidget* icon = gtk_image_new_from_icon_name(name, GTK_ICON_SIZE_DIALOG);
  gtk_widget_set_valign(icon, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(row), icon, 0);
}

// An installed font covers the language "ja".
bool JapaneseFontInstalled() {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  FcLangSet* languages = FcLangSetCreate();
  FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddLangSet(pattern, FC_LANG, languages);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  const bool found = fonts != nullptr && fonts->nfont > 0;
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcLangSetDestroy(languages);
  FcPatternDestroy(pattern);
  return found;
}

struct OpenBox {
  int answer = 0;
  int closeCode = 0;  // what the caption's close button and Escape answer; 0: refused
  bool answered = false;
  bool destroyed = false;
};

void OnBoxResponse(GtkDialog* /*dialog*/, gint response, gpointer data) {
  auto* box = static_cast<OpenBox*>(data);
  if (response > 0) {
    box->answer = response;
    box->answered = true;
  }
}

gboolean OnBoxDelete(GtkWidget* /*dialog*/, GdkEvent* /*event*/, gpointer data) {
  auto* box = static_cast<OpenBox*>(data);
  if (box->closeCode != 0) {
    box->answer = box->closeCode;
    box->answered = true;
  }
  return TRUE;  // the box goes when the wait is over
}

void OnBoxDestroyed(GtkWidget* /*dialog*/, gpointer data) {
  static_cast<OpenBox*>(data)->destroyed = true;
}

}  // namespace

std::unique_ptr<GtkWindowSystem> GtkWindowSystem::Create(std::string& error) {
  if (!gtk_init_check(nullptr, nullptr)) {
    error = "cannot open the display";
    return nullptr;
  }
  GdkScreen* screen = gdk_screen_get_default();
  double dpi = screen != nullptr ? gdk_screen_get_resolution(screen) : -1;
  if (dpi <= 0) dpi = kDefaultDpi;
  int scale = 1;
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
  if (monitor == nullptr && display != nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor != nullptr) scale = std::max(1, gdk_monitor_get_scale_factor(monitor));
  // 96 dpi gives 15 twips per pixel, 120 gives 12, 144 gives 10.
  const int twips =
      std::clamp(static_cast<int>(std::lround(kTwipsPerInch / (dpi * scale))), 1, 1440);
  return std::unique_ptr<GtkWindowSystem>(
      new GtkWindowSystem(twips, kTwipsPerInch / dpi, JapaneseFontInstalled()));
}

namespace {

// WebKit's sandbox runs the page process under bubblewrap, which makes new
// namespaces as an ordinary user. Where the kernel or a container refuses
// them, WebKit cannot start the page process at all and ends the program.
// A child that asks for the same namespaces tells beforehand, in a few
// milliseconds (a trial run of bubblewrap itself takes five times as long).
bool SandboxCanRun(std::string& reason) {
  // The helpers of Debian's WebKitGTK, at the paths it was built with.
  for (const char* helper : {"/usr/bin/bwrap", "/usr/bin/xdg-dbus-proxy"}) {
    if (!g_file_test(helper, G_FILE_TEST_IS_EXECUTABLE)) {
      reason = std::string(helper) + " is missing";
      return false;
    }
  }
  const pid_t child = fork();
  if (child == 0) {
    _exit(unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWPID | CLONE_NEWNET | CLONE_NEWIPC |
                  CLONE_NEWUTS) == 0
              ? 0
              : 1);
  }
  int status = 0;
  if (child < 0) {
    status = -1;
  } else {
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    reason = "the system lets no program make the namespaces the sandbox needs";
    return false;
  }
  return true;
}

// The sandbox leaves a note of each page process in the user's runtime
// folder (".flatpak/webkit-<our pid>-<n>", for the desktop portal) and does
// not take it away; once our page processes are gone it is of no use.
void RemoveSandboxNotes() {
  const std::filesystem::path folder = std::filesystem::path(g_get_user_runtime_dir()) / ".flatpak";
  const std::string ours = "webkit-" + std::to_string(getpid()) + "-";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().filename().string().starts_with(ours)) {
      std::filesystem::remove_all(entry.path(), error);
    }
  }
  std::filesystem::remove(folder, error);  // only when nothing else is left in it
}

WebKitSettings* PageSettings() {
  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_enable_javascript(settings, TRUE);
  compat::PreferSoftwareRendering(settings);
  return settings;
}

}  // namespace

GtkWindowSystem::GtkWindowSystem(int twipsPerPixel, double layoutTwips, bool japaneseFont)
    : twipsPerPixel_(twipsPerPixel), layoutTwips_(layoutTwips), japaneseFont_(japaneseFont) {
  compat::KeepCaretSteady();
  context_ = webkit_web_context_new_ephemeral();
  if (std::string reason; SandboxCanRun(reason)) {
    webkit_web_context_set_sandbox_enabled(context_, TRUE);
    sandboxed_ = true;
  } else {
    Notice("the pages run without WebKit's sandbox: " + reason);
  }
  // The web process starts now, while the run reads its settings and
  // language, instead of when the first screen waits for its page.
  WebKitSettings* settings = PageSettings();
  pageProcess_ = WEBKIT_WEB_VIEW(g_object_ref_sink(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, "web-context", context_, nullptr)));
  g_object_unref(settings);
  webkit_web_view_load_uri(pageProcess_, "about:blank");
}

GtkWindowSystem::~GtkWindowSystem() {
  for (const guint source : signalSources_) g_source_remove(source);
  gtk_widget_destroy(GTK_WIDGET(pageProcess_));
  g_object_unref(pageProcess_);
  g_object_unref(context_);
  if (sandboxed_) RemoveSandboxNotes();
}

WebKitWebView* GtkWindowSystem::NewPageView() {
  WebKitSettings* settings = PageSettings();
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings,
                                            "related-view", pageProcess_, nullptr));
  g_object_unref(settings);
  return view;
}

void GtkWindowSystem::OnEndRequest(std::function<void()> handler) {
  endHandler_ = std::move(handler);
  if (!signalSources_.empty()) return;
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    signalSources_.push_back(g_unix_signal_add(number, OnEndSignal, this));
  }
}

gboolean GtkWindowSystem::OnEndSignal(gpointer self) {
  auto* ui = static_cast<GtkWindowSystem*>(self);
  // A box waits for its answer; at the session's end nobody gives one.
  // Each closes as if destroyed: its caller gets 0.
  const std::vector<ShownBox> boxes = ui->openBoxes_;
  for (auto box = boxes.rbegin(); box != boxes.rend(); ++box) gtk_widget_destroy(box->dialog);
  if (ui->endHandler_) ui->endHandler_();
  return G_SOURCE_CONTINUE;
}

std::unique_ptr<Window> GtkWindowSystem::CreateWindow(const WindowSpec& design,
                                                      WindowEvents& events) {
  auto window = std::make_unique<GtkScreenWindow>(*this, design, events);
  windows_.push_back(window.get());
  return window;
}

void GtkWindowSystem::OnRunFailed(std::function<void(int status)> handler) {
  if (desk_ != nullptr) desk_->User().OnFailed(std::move(handler));
}

void GtkWindowSystem::Notice(const std::string& text) {
  transcript_.Notice(text);
  WindowSystem::Notice(text);
}

bool GtkWindowSystem::PlayScript(std::ostream& transcript, std::string& error) {
  std::string script;
  if (!user::UserScript::ReadFromEnvironment(script, error)) return false;
  const char* shots = std::getenv("PAVANE_SHOTS");
  transcript_ = user::Transcript(&transcript);
  desk_ = std::make_unique<GtkDesk>(*this, script, shots != nullptr ? shots : "");
  return true;
}

const std::string& GtkWindowSystem::ScriptError() const {
  static const std::string kNone;
  return desk_ != nullptr ? desk_->User().Error() : kNone;
}

GtkScreenWindow* GtkWindowSystem::FindWindow(std::string_view name) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->IsOpen() && (*it)->Name() == name) return *it;
  }
  return nullptr;
}

bool GtkWindowSystem::MakeActive(GtkScreenWindow* window) {
  if (active_ == window) return false;
  active_ = window;
  std::erase(zOrder_, window);
  zOrder_.push_back(window);
  return true;
}

void GtkWindowSystem::Closed(GtkScreenWindow* window) {
  std::erase(zOrder_, window);
  if (active_ != window) return;
  active_ = nullptr;
  // Without a window manager nobody else would hand the focus on.
  if (!zOrder_.empty()) {
    GtkScreenWindow* behind = zOrder_.back();
    gtk_window_present(behind->NativeWindow());
    behind->BecameActive();
  }
}

void GtkWindowSystem::Forget(GtkScreenWindow* window) {
  std::erase(windows_, window);
  std::erase(zOrder_, window);
  if (active_ == window) active_ = nullptr;
}

int GtkWindowSystem::MessageBox(Window* owner, const std::string& text, std::uint32_t style,
                                const std::string& title) {
  // A run the script ended has nobody left to answer.
  if (loop_.Ended()) {
    transcript_.MessageBox(title, style, text, 0);
    return 0;
  }
  auto* ownerWindow = dynamic_cast<GtkScreenWindow*>(owner);
  GtkWindow* parent = ownerWindow != nullptr ? ownerWindow->NativeWindow() : nullptr;
  const GtkMessageType type = MessageTypeOf(style);
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE, "%s",
                                             UnixLines(text).c_str());
  g_object_ref(dialog);
  AddIcon(GTK_MESSAGE_DIALOG(dialog), type);
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());

  OpenBox box;
  const auto buttons = message_box::ButtonCodes(style);
  for (const int code : buttons) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), g_dgettext("gtk30", ButtonLabel(code)), code);
    if (code == message_box::kIdCancel) box.closeCode = code;
  }
  // A box with one button closes with it; one without Cancel cannot be
  // closed otherwise, as on Windows.
  if (buttons.size() == 1) box.closeCode = buttons.front();
  if (box.closeCode == 0) gtk_window_set_deletable(GTK_WINDOW(dialog), FALSE);
  const std::size_t defaultIndex = (style >> 8) & 0xF;
  gtk_dialog_set_default_response(GTK_DIALOG(dialog),
                                  buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);
  if ((style & 0x40000) != 0) gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);  // topmost

  g_signal_connect(dialog, "response", G_CALLBACK(OnBoxResponse), &box);
  g_signal_connect(dialog, "delete-event", G_CALLBACK(OnBoxDelete), &box);
  g_signal_connect(dialog, "destroy", G_CALLBACK(OnBoxDestroyed), &box);
  openBoxes_.push_back({dialog, title, style});
  gtk_widget_show_all(dialog);
  // The box waits for its answer even when the run is quitting: what it
  // says (an error at the end of a run) is the last thing the user sees.
  loop_.WaitForAnswer([&box] { return box.answered || box.destroyed; });
  std::erase_if(openBoxes_, [dialog](const ShownBox& shown) { return shown.dialog == dialog; });
  g_signal_handlers_disconnect_by_data(dialog, &box);
  if (!box.destroyed) gtk_widget_destroy(dialog);
  g_object_unref(dialog);
  const int answer = box.answered ? box.answer : 0;
  transcript_.MessageBox(title, style, text, answer);
  return answer;
}

void GtkWindowSystem::OpenInBrowser(const std::string& url) {
  transcript_.OpenInBrowser(url);
  GError* error = nullptr;
  if (!g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) {
    std::fprintf(stderr, "pavane: cannot open %s in the browser: %s\n", url.c_str(),
                 error != nullptr ? error->message : "unknown error");
    if (error != nullptr) g_error_free(error);
  }
}

void GtkWindowSystem::PrintPage(Window& window, std::string_view browser) {
  transcript_.Print(window.Name(), browser);
  auto* screenWindow = dynamic_cast<GtkScreenWindow*>(&window);
  GtkBrowser* page = screenWindow != nullptr ? screenWindow->FindBrowser(browser) : nullptr;
  if (page == nullptr || page->View() == nullptr) return;
  WebKitPrintOperation* operation = webkit_print_operation_new(page->View());
  // WebKit holds the operation until the pages are printed.
  webkit_print_operation_run_dialog(operation, screenWindow->NativeWindow());
  g_object_unref(operation);
}

}  // namespace pavane::os::gtk
