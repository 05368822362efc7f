#include "os/headless/headless_desk.h"

#include "os/headless/headless_browser.h"
#include "os/headless/headless_window.h"
#include "os/headless/headless_window_system.h"

namespace pavane::os::headless {

EventLoop& HeadlessDesk::Loop() {
  return system_.Loop();
}

std::string HeadlessDesk::ActiveWindow() const {
  const HeadlessWindow* window = system_.ActiveWindow();
  return window ? window->Name() : "";
}

bool HeadlessDesk::Activate(const std::string& name) {
  HeadlessWindow* window = name.empty() ? system_.ActiveWindow() : system_.FindWindow(name);
  if (!window || !window->Shown()) return false;
  system_.BringToFront(window);
  system_.VirtualLoop().Post(window, [window] { window->Events().Activated(); });
  return true;
}

user::UserDesk::ButtonState HeadlessDesk::Button(const std::string& name) {
  const HeadlessWindow* window = system_.ActiveWindow();
  const WidgetSpec* widget = window->Widget(name);
  if (!widget || widget->kind != WidgetKind::kButton) return ButtonState::kMissing;
  if (!window->WidgetShown(name)) return ButtonState::kHidden;
  if (!window->WidgetEnabled(name)) return ButtonState::kDisabled;
  return ButtonState::kReady;
}

void HeadlessDesk::Click(const std::string& name) {
  system_.ActiveWindow()->Events().ButtonClicked(name);
}

bool HeadlessDesk::Close() {
  HeadlessWindow* window = system_.ActiveWindow();
  if (!window->HasCloseButton()) return false;
  window->Events().CloseRequested();
  return true;
}

bool HeadlessDesk::Follow(const std::string& href, std::string& problem) {
  HeadlessWindow* window = system_.ActiveWindow();
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
    system_.transcript_.Cancel(window->Name(), target->Name(), url);
  } else {
    target->Navigate(url);
  }
  return true;
}

PageElement* HeadlessDesk::Element(const std::string& id, PageDom** page) const {
  for (const auto& browser : system_.ActiveWindow()->Browsers()) {
    PageDom* dom = browser->Page();
    if (PageElement* element = dom ? dom->ById(id) : nullptr) {
      if (page) *page = dom;
      return element;
    }
  }
  return nullptr;
}

user::PageField HeadlessDesk::Field(const std::string& id) {
  const PageElement* element = Element(id);
  if (!element) return {};
  user::PageField field =
      user::PageField::Of(element->tag, element->tag == "input" ? element->InputType() : "");
  for (const PageElement* option : element->Options()) {
    field.options.push_back(option->OptionValue());
  }
  return field;
}

void HeadlessDesk::Fill(const std::string& id, const std::string& text) {
  Element(id)->value = text;
}

void HeadlessDesk::Tick(const std::string& id, bool ticked) {
  PageDom* page = nullptr;
  PageElement* element = Element(id, &page);
  page->SetChecked(*element, ticked);
}

void HeadlessDesk::Select(const std::string& id, const std::string& value) {
  PageDom::SetLiveValue(*Element(id), value);
}

bool HeadlessDesk::Shot(const std::string& /*name*/, bool /*box*/,
                        std::vector<std::string>& /*faults*/, std::string& /*problem*/) {
  return true;
}

void HeadlessDesk::EndRun(int status) {
  system_.VirtualLoop().EndRun(status);
}

}  // namespace pavane::os::headless
