#include "os/headless/headless_window_system.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "os/headless/headless_browser.h"
#include "os/headless/headless_window.h"
#include "os/unicode.h"

namespace pavane::os::headless {
namespace {

std::optional<int> ParseNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The button code an answer names: OK, Cancel, Yes, No (any case) or a code.
std::optional<int> AnswerCode(std::string_view word) {
  static constexpr std::pair<std::string_view, int> kNames[] = {
      {"ok", 1}, {"cancel", 2}, {"abort", 3}, {"retry", 4}, {"ignore", 5}, {"yes", 6}, {"no", 7}};
  const std::string lower = LowerCaseUtf8(word);
  for (const auto& [name, code] : kNames) {
    if (lower == name) return code;
  }
  return ParseNumber(word);
}

// The codes of the buttons a message box of `style` shows.
std::vector<int> ButtonCodes(std::uint32_t style) {
  switch (style & 0xF) {
    case 0:
      return {1};
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
      return {};
  }
}

}  // namespace

struct HeadlessWindowSystem::OpenBox {
  std::string title;
  std::uint32_t style = 0;
  int answer = 0;  // 0 until answered: the code of a box that could not be shown
};

void HeadlessOptions::ApplyEnvironment() {
  if (const char* twips = std::getenv("PAVANE_HEADLESS_TWIPS")) {
    if (const auto value = ParseNumber(twips); value && *value > 0 && *value <= 1440) {
      twipsPerPixel = *value;
    }
  }
  if (const char* japanese = std::getenv("PAVANE_HEADLESS_JAPANESE")) {
    japaneseFont = std::string_view(japanese) != "0";
  }
}

HeadlessWindowSystem::HeadlessWindowSystem(std::ostream& transcript, HeadlessOptions options)
    : options_(std::move(options)), transcript_(transcript), script_(options_.script) {
  loop_.SetThinkTime(options_.thinkTime);
  loop_.SetUserTurn([this] { UserTurn(nullptr); });
}

HeadlessWindowSystem::~HeadlessWindowSystem() = default;

std::unique_ptr<HeadlessWindowSystem> HeadlessWindowSystem::FromEnvironment(
    std::ostream& transcript, std::string& error) {
  HeadlessOptions options;
  options.ApplyEnvironment();
  if (const char* path = std::getenv("PAVANE_SCRIPT"); path && *path) {
    if (!UserScript::ReadFile(path, options.script, error)) return nullptr;
  }
  return std::make_unique<HeadlessWindowSystem>(transcript, std::move(options));
}

std::unique_ptr<Window> HeadlessWindowSystem::CreateWindow(const WindowSpec& design,
                                                           WindowEvents& events) {
  auto window = std::make_unique<HeadlessWindow>(*this, design, events);
  windows_.push_back(window.get());
  return window;
}

void HeadlessWindowSystem::Notice(const std::string& text) {
  Transcribe("notice " + Quoted(text));
  WindowSystem::Notice(text);
}

int HeadlessWindowSystem::MessageBox(Window* /*owner*/, const std::string& text,
                                     std::uint32_t style, const std::string& title) {
  OpenBox box{title, style, 0};
  if (!loop_.Ended()) {
    // Timers keep running while a box is up, as under the box's own loop.
    loop_.Sleep(options_.thinkTime);
    UserTurn(&box);
  }
  Transcribe("message " + Quoted(title) + " style=" + std::to_string(style) + " " + Quoted(text) +
             " -> " + std::to_string(box.answer));
  return box.answer;
}

void HeadlessWindowSystem::OpenInBrowser(const std::string& url) {
  Transcribe("browser " + url);
}

void HeadlessWindowSystem::PrintPage(Window& window, std::string_view browser) {
  Transcribe("print " + window.Name() + "." + std::string(browser));
}

HeadlessWindow* HeadlessWindowSystem::FindWindow(std::string_view name) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->IsOpen() && (*it)->Name() == name) return *it;
  }
  return nullptr;
}

HeadlessWindow* HeadlessWindowSystem::ActiveWindow() const {
  for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
    if ((*it)->Modal()) return *it;
  }
  return zOrder_.empty() ? nullptr : zOrder_.back();
}

void HeadlessWindowSystem::BringToFront(HeadlessWindow* window) {
  std::erase(zOrder_, window);
  zOrder_.push_back(window);
}

void HeadlessWindowSystem::Hidden(HeadlessWindow* window) {
  HeadlessWindow* const before = ActiveWindow();
  std::erase(zOrder_, window);
  HeadlessWindow* const after = ActiveWindow();
  // The window behind the closed one becomes active, as on a desktop (the
  // owner of a closed modal window gets its Activate again).
  if (before == window && after) {
    loop_.Post(after, [after] { after->Events().Activated(); });
  }
}

void HeadlessWindowSystem::Forget(HeadlessWindow* window) {
  Hidden(window);
  std::erase(windows_, window);
}

// ---------------------------------------------------------------------------
// The scripted user.

void HeadlessWindowSystem::UserTurn(OpenBox* box) {
  if (loop_.Ended()) return;
  const UserAction* action = script_.Next();
  if (!action) {
    std::string waiter = "the program";
    if (box) {
      waiter = "the message box " + Quoted(box->title);
    } else if (const HeadlessWindow* window = ActiveWindow()) {
      waiter = window->Name();
    }
    Fail("script ran out while " + waiter + " waits for the user");
    return;
  }
  Transcribe("user " + action->text);
  std::string problem;
  if (!Perform(*action, box, problem)) {
    Fail("script line " + std::to_string(action->line) + ": " + problem);
  }
}

void HeadlessWindowSystem::Fail(const std::string& message) {
  scriptError_ = message;
  (options_.errors ? *options_.errors : std::cerr) << "pavane: " << message << std::endl;
  Transcribe("error " + message);
  loop_.EndRun(kScriptFailedStatus);
  if (failureHandler_) failureHandler_(kScriptFailedStatus);
}

bool HeadlessWindowSystem::Perform(const UserAction& action, OpenBox* box, std::string& problem) {
  const std::string& verb = action.verb;
  const auto& words = action.words;
  if (verb == "signal") {
    // The session ends the program; a box open meanwhile stays unanswered.
    const std::pair<const char*, int> names[] = {
        {"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}};
    for (const auto& [name, number] : names) {
      if (words.size() == 1 && words[0] == name) {
        std::raise(number);
        loop_.PumpPending();
        return true;
      }
    }
    problem = "signal needs one of TERM, INT or HUP";
    return false;
  }
  if (box && verb != "answer") {
    problem = "the message box " + Quoted(box->title) + " is open; expected answer, not " + verb;
    return false;
  }
  if (verb == "answer") {
    if (!box) {
      problem = "answer, but no message box is open";
      return false;
    }
    const auto code = words.size() == 1 ? AnswerCode(words[0]) : std::nullopt;
    if (!code) {
      problem = "answer needs one of OK, Cancel, Yes, No or a button code";
      return false;
    }
    const auto buttons = ButtonCodes(box->style);
    if (std::find(buttons.begin(), buttons.end(), *code) == buttons.end()) {
      problem = "the message box " + Quoted(box->title) + " has no button " + words[0];
      return false;
    }
    box->answer = *code;
    return true;
  }
  if (verb == "wait") {
    const auto ms = words.size() == 1 ? ParseNumber(words[0]) : std::nullopt;
    if (!ms || *ms < 0) {
      problem = "wait needs a number of milliseconds";
      return false;
    }
    loop_.Sleep(std::chrono::milliseconds(*ms));
    return true;
  }
  if (verb == "activate") {
    HeadlessWindow* window = words.empty() ? ActiveWindow() : FindWindow(words[0]);
    if (!window || !window->Shown()) {
      problem = words.empty() ? "no window is shown" : "window " + words[0] + " is not shown";
      return false;
    }
    BringToFront(window);
    loop_.Post(window, [window] { window->Events().Activated(); });
    return true;
  }

  HeadlessWindow* window = ActiveWindow();
  if (!window) {
    problem = verb + ", but no window is shown";
    return false;
  }
  if (verb == "click") {
    if (words.size() != 1) {
      problem = "click needs one button name";
      return false;
    }
    const WidgetSpec* widget = window->Widget(words[0]);
    if (!widget || widget->kind != WidgetKind::kButton) {
      problem = window->Name() + " has no button " + words[0];
    } else if (!window->WidgetShown(words[0])) {
      problem = "button " + words[0] + " is hidden";
    } else if (!window->WidgetEnabled(words[0])) {
      problem = "button " + words[0] + " is disabled";
    } else {
      window->Events().ButtonClicked(words[0]);
      return true;
    }
    return false;
  }
  if (verb == "close") {
    if (!window->HasCloseButton()) {
      problem = window->Name() + " has no close button";
      return false;
    }
    window->Events().CloseRequested();
    return true;
  }
  if (verb == "follow") {
    if (words.size() != 1) {
      problem = "follow needs one link";
      return false;
    }
    return Follow(words[0], problem);
  }
  if (verb == "fill" || verb == "tick" || verb == "untick" || verb == "select" ||
      verb == "choose") {
    return PerformOnPage(action, problem);
  }
  problem = "unknown action " + verb;
  return false;
}

bool HeadlessWindowSystem::PerformOnPage(const UserAction& action, std::string& problem) {
  const std::string& verb = action.verb;
  const auto& words = action.words;
  const bool choose = verb == "choose";
  const std::size_t needed = verb == "select" ? 2 : 1;
  if (words.size() < needed || (verb != "fill" && words.size() != needed)) {
    problem = verb + ": wrong number of arguments";
    return false;
  }
  const std::string id = choose ? "language" : words[0];
  HeadlessWindow* window = ActiveWindow();
  PageDom* page = nullptr;
  PageElement* element = nullptr;
  for (const auto& browser : window->Browsers()) {
    page = browser->Page();
    element = page ? page->ById(id) : nullptr;
    if (element) break;
  }
  if (!element) {
    problem = "no element " + id + " on the pages of " + window->Name();
    return false;
  }
  if (verb == "fill") {
    if (!element->IsTextField()) {
      problem = "element " + id + " is not a text field";
      return false;
    }
    element->value = action.rest;
    return true;
  }
  if (verb == "tick" || verb == "untick") {
    if (!element->IsCheckable()) {
      problem = "element " + id + " is not a check box";
      return false;
    }
    page->SetChecked(*element, verb == "tick");
    return true;
  }
  const std::string& value = choose ? words[0] : words[1];
  if (element->tag == "select") {
    const auto options = element->Options();
    const bool offered = std::any_of(options.begin(), options.end(), [&](const PageElement* o) {
      return o->OptionValue() == value;
    });
    if (!offered) {
      problem = "list " + id + " has no option " + value;
      return false;
    }
  } else if (!choose || element->tag != "input") {
    problem = "element " + id + " is not a list";
    return false;
  }
  PageDom::SetLiveValue(*element, value);
  return true;
}

bool HeadlessWindowSystem::Follow(const std::string& href, std::string& problem) {
  HeadlessWindow* window = ActiveWindow();
  // The browser whose page carries the link; failing that, an absolute
  // address is followed in the first browser with a page.
  HeadlessBrowser* target = nullptr;
  std::string url;
  for (const auto& browser : window->Browsers()) {
    if (!browser->Page()) continue;
    for (const PageElement* link : browser->Page()->Links()) {
      const std::string resolved = ResolveHref(browser->Url(), *link->Attribute("href"));
      if (*link->Attribute("href") == href || resolved == href) {
        target = browser.get();
        url = resolved;
        break;
      }
    }
    if (target) break;
  }
  if (!target) {
    for (const auto& browser : window->Browsers()) {
      if (browser->Page()) {
        target = browser.get();
        url = ResolveHref(browser->Url(), href);
        break;
      }
    }
  }
  if (!target) {
    problem = window->Name() + " shows no page to follow " + href + " on";
    return false;
  }
  if (window->Events().BeforeNavigate(target->Name(), url)) {
    Transcribe("cancel " + window->Name() + "." + target->Name() + " " + url);
  } else {
    target->Navigate(url);
  }
  return true;
}

}  // namespace pavane::os::headless
