#include "os/user/transcript.h"

namespace pavane::os::user {
namespace {

std::string Joined(std::string_view window, std::string_view browser) {
  return std::string(window) + "." + std::string(browser);
}

}  // namespace

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char ch : UnixLines(text)) {
    if (ch == '\n') {
      quoted += "\\n";
    } else {
      quoted += ch;
    }
  }
  return quoted + "\"";
}

void Transcript::Write(std::string line) {
  if (out_ == nullptr) return;
  // Flushed at once so that a run that dies still shows its last step.
  *out_ << line << std::endl;
  lines_.push_back(std::move(line));
}

void Transcript::Show(std::string_view window, bool modal, const Window* owner) {
  Write("show " + std::string(window) + (modal ? " modal=yes" : " modal=no") +
        " owner=" + (owner ? owner->Name() : "-"));
}

void Transcript::Close(std::string_view window) {
  Write("close " + std::string(window));
}

void Transcript::Topmost(std::string_view window, bool topmost) {
  Write("topmost " + std::string(window) + (topmost ? " on" : " off"));
}

void Transcript::CloseButtonRemoved(std::string_view window) {
  Write("closebutton " + std::string(window) + " removed");
}

void Transcript::Title(std::string_view window, const std::string& title) {
  Write("title " + std::string(window) + " " + Quoted(title));
}

void Transcript::Move(std::string_view window, std::int32_t left, std::int32_t top) {
  Write("move " + std::string(window) + " " + std::to_string(left) + " " + std::to_string(top));
}

void Transcript::Page(std::string_view window, std::string_view browser, std::string_view url) {
  Write("page " + Joined(window, browser) + " " + std::string(url));
}

void Transcript::Cancel(std::string_view window, std::string_view browser, std::string_view url) {
  Write("cancel " + Joined(window, browser) + " " + std::string(url));
}

void Transcript::Focus(std::string_view window, const ElementRef& element) {
  const std::string named =
      element.id.empty() ? element.name + "[" + std::to_string(element.index) + "]" : element.id;
  Write("focus " + std::string(window) + " " + named);
}

void Transcript::BackgroundColor(std::string_view window, std::string_view browser,
                                 std::string_view rrggbb) {
  Write("bgcolor " + Joined(window, browser) + " " + std::string(rrggbb));
}

void Transcript::BodyScroll(std::string_view window, std::string_view browser,
                            std::string_view value) {
  Write("scroll " + Joined(window, browser) + " " + std::string(value));
}

void Transcript::Changed(std::string_view window, std::string_view browser,
                         std::string_view element) {
  Write("changed " + Joined(window, browser) + " " + std::string(element));
}

void Transcript::OpenInBrowser(std::string_view url) {
  Write("browser " + std::string(url));
}

void Transcript::Print(std::string_view window, std::string_view browser) {
  Write("print " + Joined(window, browser));
}

void Transcript::MessageBox(const std::string& title, std::uint32_t style, const std::string& text,
                            int answer) {
  Write("message " + Quoted(title) + " style=" + std::to_string(style) + " " + Quoted(text) +
        " -> " + std::to_string(answer));
}

void Transcript::Notice(const std::string& text) {
  Write("notice " + Quoted(text));
}

}  // namespace pavane::os::user
