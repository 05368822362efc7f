#include "os/gtk/gtk_desk.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "os/gtk/gtk_browser.h"
#include "os/gtk/gtk_compat.h"
#include "os/gtk/gtk_screen_window.h"
#include "os/gtk/gtk_window_system.h"
#include "os/gtk/layout_check.h"
#include "os/gtk/script_literal.h"

namespace pavane::os::gtk {
namespace {

constexpr std::chrono::milliseconds kLookEvery{50};
// Looks the readiness must hold before the user acts (150 ms).
constexpr int kSettleLooks = 3;
// How long the user waits for a window and its pages before acting anyway.
constexpr int kPatienceLooks = 400;  // 20 s

std::string ElementById(const std::string& id) {
  return "document.getElementById(" + ScriptLiteral(id) + ")";
}

// A script giving the link of the page whose href, as written or resolved,
// is `href`; null when there is none.
std::string LinkTo(const std::string& href) {
  return "(function () { var h = " + ScriptLiteral(href) +
         ", links = document.getElementsByTagName('a');"
         " for (var i = 0; i < links.length; i++) {"
         " if (links[i].getAttribute('href') === h || links[i].href === h) return links[i]; }"
         " return null; })()";
}

// Runs a script without waiting for it: what it sets off may open a modal
// window, whose wait must not sit inside the user's turn.
void RunLater(GtkBrowser& page, const std::string& script) {
  compat::EvaluateJavaScript(page.View(), script.c_str(), static_cast<gssize>(script.size()),
                             nullptr, nullptr, nullptr);
}

}  // namespace

GtkDesk::GtkDesk(GtkWindowSystem& system, std::string_view script, std::string shots)
    : system_(system),
      shots_(std::move(shots)),
      user_(script, *this, system.Transcript(), nullptr),
      timer_(system.Loop().StartTimer(kLookEvery, [this] { Look(); })) {}

GtkDesk::~GtkDesk() {
  system_.Loop().StopTimer(timer_);
}

void GtkDesk::Look() {
  const GtkLoop& loop = system_.MainLoop();
  if (!loop.UsersTurn() || loop.QuitRequested() || loop.Ended()) {
    settled_ = waited_ = 0;
    return;
  }
  const bool boxOpen = !system_.openBoxes_.empty();
  if (!boxOpen && !WindowReady() && ++waited_ < kPatienceLooks) {
    settled_ = 0;
    return;
  }
  if (++settled_ < kSettleLooks) return;
  settled_ = waited_ = 0;
  if (!boxOpen) {
    user_.Turn(nullptr);
    return;
  }
  const auto& shown = system_.openBoxes_.back();
  user::OpenMessageBox box{shown.title, shown.style, 0};
  box_ = shown.dialog;
  user_.Turn(&box);
  GtkWidget* const dialog = box_;
  box_ = nullptr;
  // A signal may have closed the box meanwhile.
  const bool stillOpen = std::any_of(system_.openBoxes_.begin(), system_.openBoxes_.end(),
                                     [dialog](const auto& open) { return open.dialog == dialog; });
  if (box.answer != 0 && stillOpen) gtk_dialog_response(GTK_DIALOG(dialog), box.answer);
}

GtkScreenWindow* GtkDesk::Active() const {
  GtkScreenWindow* window = system_.ActiveWindow();
  return window != nullptr && window->IsOpen() ? window : nullptr;
}

bool GtkDesk::WindowReady() const {
  const GtkScreenWindow* window = Active();
  if (window == nullptr) return false;
  for (const auto& browser : window->Browsers()) {
    if (!browser->Url().empty() && (browser->Busy() || !browser->HasBody())) return false;
  }
  return true;
}

EventLoop& GtkDesk::Loop() {
  return system_.Loop();
}

std::string GtkDesk::ActiveWindow() const {
  const GtkScreenWindow* window = Active();
  return window != nullptr ? window->Name() : "";
}

bool GtkDesk::Activate(const std::string& name) {
  GtkScreenWindow* window = name.empty() ? Active() : system_.FindWindow(name);
  if (window == nullptr || !gtk_widget_get_visible(GTK_WIDGET(window->NativeWindow()))) {
    return false;
  }
  gtk_window_present(window->NativeWindow());
  // Activated again even when it was the active one, as the user asked.
  system_.MakeActive(window);
  window->PostEvent([](WindowEvents& events) { events.Activated(); });
  return true;
}

user::UserDesk::ButtonState GtkDesk::Button(const std::string& name) {
  const GtkScreenWindow* window = Active();
  const WidgetSpec* design = window->Design(name);
  GtkWidget* widget = window->NativeWidget(name);
  if (design == nullptr || design->kind != WidgetKind::kButton || widget == nullptr) {
    return ButtonState::kMissing;
  }
  if (!gtk_widget_is_visible(widget)) return ButtonState::kHidden;
  if (!gtk_widget_is_sensitive(widget)) return ButtonState::kDisabled;
  return ButtonState::kReady;
}

void GtkDesk::Click(const std::string& name) {
  gtk_button_clicked(GTK_BUTTON(Active()->NativeWidget(name)));
}

bool GtkDesk::Close() {
  GtkScreenWindow* window = Active();
  if (!window->HasCloseButton()) return false;
  window->PostEvent([](WindowEvents& events) { events.CloseRequested(); });
  return true;
}

bool GtkDesk::Follow(const std::string& href, std::string& problem) {
  GtkScreenWindow* window = Active();
  GtkBrowser* first = nullptr;
  for (const auto& browser : window->Browsers()) {
    if (browser->Url().empty()) continue;
    if (first == nullptr) first = browser.get();
    if (browser->EvaluateScript(LinkTo(href) + " !== null") == "true") {
      RunLater(*browser, LinkTo(href) + ".click()");
      return true;
    }
  }
  if (first == nullptr) {
    problem = window->Name() + " shows no page to follow " + href + " on";
    return false;
  }
  // No such link: the address is clicked as a link of the first page.
  RunLater(*first, "(function () { var a = document.createElement('a'); a.href = " +
                       ScriptLiteral(href) + "; document.body.appendChild(a); a.click(); })()");
  return true;
}

GtkBrowser* GtkDesk::PageWith(const std::string& id) const {
  for (const auto& browser : Active()->Browsers()) {
    if (!browser->Url().empty() &&
        browser->EvaluateScript(ElementById(id) + " !== null") == "true") {
      return browser.get();
    }
  }
  return nullptr;
}

void GtkDesk::OnElement(const std::string& id, const std::string& body) const {
  if (GtkBrowser* page = PageWith(id)) {
    page->EvaluateScript("(function (e) { " + body + " })(" + ElementById(id) + ")");
  }
}

user::PageField GtkDesk::Field(const std::string& id) {
  GtkBrowser* page = PageWith(id);
  if (page == nullptr) return {};
  // Tag, input type and a list's option values, one a line.
  const std::string described =
      page->EvaluateScript(
              "(function (e) { var t = e.tagName.toLowerCase(), parts = [t, t === 'input'"
              " ? (e.getAttribute('type') || '').toLowerCase() : ''];"
              " if (t === 'select') for (var i = 0; i < e.options.length; i++)"
              " parts.push(e.options[i].value); return parts.join('\\n'); })(" +
              ElementById(id) + ")")
          .value_or("");
  std::vector<std::string> parts;
  for (std::size_t at = 0; at <= described.size();) {
    const std::size_t end = std::min(described.find('\n', at), described.size());
    parts.push_back(described.substr(at, end - at));
    at = end + 1;
  }
  user::PageField field = user::PageField::Of(parts[0], parts.size() > 1 ? parts[1] : "");
  if (parts.size() > 2) field.options.assign(parts.begin() + 2, parts.end());
  return field;
}

void GtkDesk::Fill(const std::string& id, const std::string& text) {
  OnElement(id, "e.value = " + ScriptLiteral(text) +
                    "; e.dispatchEvent(new Event('input', {bubbles: true}));"
                    " e.dispatchEvent(new Event('change', {bubbles: true}));");
}

void GtkDesk::Tick(const std::string& id, bool ticked) {
  // Clicked, as the user does; a radio button a click cannot untick is
  // unticked as a script would.
  const std::string want = ticked ? "true" : "false";
  OnElement(id, "if (e.checked !== " + want + ") e.click(); if (e.checked !== " + want +
                    ") { e.checked = " + want +
                    "; e.dispatchEvent(new Event('change', {bubbles: true})); }");
}

void GtkDesk::Select(const std::string& id, const std::string& value) {
  OnElement(id, "e.value = " + ScriptLiteral(value) +
                    "; e.dispatchEvent(new Event('change', {bubbles: true}));");
}

bool GtkDesk::Shot(const std::string& name, bool box, std::vector<std::string>& faults,
                   std::string& problem) {
  GtkWidget* subject = nullptr;
  if (box) {
    subject = box_;
    faults = MessageBoxFaults(GTK_MESSAGE_DIALOG(box_));
  } else {
    GtkScreenWindow* window = Active();
    subject = GTK_WIDGET(window->NativeWindow());
    faults = LayoutFaults(*window);
  }
  if (shots_.empty()) return true;
  std::error_code error;
  std::filesystem::create_directories(shots_, error);
  const std::string file = (std::filesystem::path(shots_) / (name + ".png")).string();
  if (!SavePng(subject, file)) {
    problem = "cannot save the picture " + file;
    return false;
  }
  return true;
}

void GtkDesk::EndRun(int status) {
  system_.MainLoop().EndRun(status);
}

}  // namespace pavane::os::gtk
