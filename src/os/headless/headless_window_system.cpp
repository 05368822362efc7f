#include "os/headless/headless_window_system.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "os/headless/headless_browser.h"
#include "os/headless/headless_window.h"

namespace pavane::os::headless {
namespace {

std::optional<int> ParseNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

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
    : options_(std::move(options)),
      transcript_(&transcript),
      desk_(*this),
      user_(options_.script, desk_, transcript_, options_.errors) {
  loop_.SetThinkTime(options_.thinkTime);
  loop_.SetUserTurn([this] { user_.Turn(nullptr); });
}

HeadlessWindowSystem::~HeadlessWindowSystem() = default;

std::unique_ptr<HeadlessWindowSystem> HeadlessWindowSystem::FromEnvironment(
    std::ostream& transcript, std::string& error) {
  HeadlessOptions options;
  options.ApplyEnvironment();
  if (!user::UserScript::ReadFromEnvironment(options.script, error)) return nullptr;
  return std::make_unique<HeadlessWindowSystem>(transcript, std::move(options));
}

std::unique_ptr<Window> HeadlessWindowSystem::CreateWindow(const WindowSpec& design,
                                                           WindowEvents& events) {
  auto window = std::make_unique<HeadlessWindow>(*this, design, events);
  windows_.push_back(window.get());
  return window;
}

void HeadlessWindowSystem::Notice(const std::string& text) {
  transcript_.Notice(text);
  WindowSystem::Notice(text);
}

int HeadlessWindowSystem::MessageBox(Window* /*owner*/, const std::string& text,
                                     std::uint32_t style, const std::string& title) {
  user::OpenMessageBox box{title, style, 0};
  // Timers keep running while a box is up, as under the box's own loop; a
  // user who only looks at the box (shot) answers it on a later turn. At
  // the session's end nobody answers: the box closes, giving 0.
  const int endSignals = endSignals_;
  while (!loop_.Ended()) {
    loop_.Sleep(options_.thinkTime);
    if (!user_.Turn(&box) || endSignals_ != endSignals) break;
  }
  transcript_.MessageBox(title, style, text, box.answer);
  return box.answer;
}

void HeadlessWindowSystem::OnEndRequest(std::function<void()> handler) {
  if (!handler) {
    loop_.OnEndSignal(nullptr);
    return;
  }
  loop_.OnEndSignal([this, handler = std::move(handler)] {
    ++endSignals_;
    handler();
  });
}

void HeadlessWindowSystem::OpenInBrowser(const std::string& url) {
  transcript_.OpenInBrowser(url);
}

void HeadlessWindowSystem::PrintPage(Window& window, std::string_view browser) {
  transcript_.Print(window.Name(), browser);
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

}  // namespace pavane::os::headless
