#include "os/headless/headless_browser.h"

#include <cctype>

#include "os/files.h"
#include "os/headless/headless_window.h"
#include "os/headless/headless_window_system.h"
#include "os/unicode.h"

namespace pavane::os::headless {
namespace {

bool TrueText(std::string_view value) {
  const std::string lower = LowerCaseUtf8(value);
  return lower == "true" || lower == "1" || lower == "checked" || lower == "-1";
}

std::string RefText(const ElementRef& ref) {
  if (!ref.id.empty()) return ref.id;
  return ref.name + "[" + std::to_string(ref.index) + "]";
}

}  // namespace

HeadlessBrowser::HeadlessBrowser(HeadlessWindow& window, std::string name)
    : window_(window), name_(std::move(name)) {}

HeadlessBrowser::~HeadlessBrowser() {
  window_.System().VirtualLoop().CancelPosted(this);
}

void HeadlessBrowser::Navigate(const std::string& url) {
  url_ = url;
  busy_ = true;
  // A newer navigation supersedes a load that has not finished yet.
  const std::uint64_t generation = ++generation_;
  window_.System().VirtualLoop().Post(this, [this, generation] { FinishLoad(generation); });
}

void HeadlessBrowser::FinishLoad(std::uint64_t generation) {
  if (generation != generation_) return;
  std::string html;
  // WebKit opens a page by its exact name, not as our file lookup does; so
  // does this browser, so that a run here shows what users see.
  if (const auto path = FileUrlPath(url_); path && ResolvePath(*path) == *path) {
    FileError error;
    if (!ReadFileBytes(*path, kMaxPageBytes, html, error)) html.clear();
  }
  page_ = PageDom::Parse(html);
  busy_ = false;
  bodyScroll_.clear();
  backgroundColor_.clear();
  focused_.clear();
  window_.System().transcript_.Page(window_.Name(), name_, url_);
  window_.Events().DocumentComplete(name_);
}

std::optional<std::string> HeadlessBrowser::GetAttribute(const ElementRef& ref,
                                                         std::string_view attribute) {
  PageElement* element = Page() ? page_->Find(ref) : nullptr;
  if (!element) return std::nullopt;
  const std::string name = LowerCaseUtf8(attribute);
  if (name == "value") return PageDom::LiveValue(*element);
  if (name == "checked") return element->checked ? "true" : "false";
  const std::string* value = element->Attribute(name);
  return value ? *value : "";
}

bool HeadlessBrowser::SetAttribute(const ElementRef& ref, std::string_view attribute,
                                   std::string_view value) {
  PageElement* element = Page() ? page_->Find(ref) : nullptr;
  if (!element) return false;
  const std::string name = LowerCaseUtf8(attribute);
  if (name == "value") {
    PageDom::SetLiveValue(*element, value);
  } else if (name == "checked") {
    page_->SetChecked(*element, TrueText(value));
  } else {
    element->SetMarkupAttribute(name, value);
  }
  return true;
}

int HeadlessBrowser::CountElementsByName(std::string_view name) {
  return Page() ? static_cast<int>(page_->ByName(name).size()) : 0;
}

bool HeadlessBrowser::Focus(const ElementRef& ref) {
  if (!Page() || !page_->Find(ref)) return false;
  focused_ = RefText(ref);
  window_.System().transcript_.Focus(window_.Name(), ref);
  return true;
}

bool HeadlessBrowser::SetBodyScroll(std::string_view value) {
  if (!HasBody()) return false;
  page_->Body()->SetMarkupAttribute("scroll", value);
  bodyScroll_ = value;
  window_.System().transcript_.BodyScroll(window_.Name(), name_, bodyScroll_);
  return true;
}

bool HeadlessBrowser::SetBackgroundColor(std::string_view rrggbb) {
  if (!HasBody()) return false;
  page_->Body()->SetMarkupAttribute("bgcolor", rrggbb);
  backgroundColor_ = rrggbb;
  window_.System().transcript_.BackgroundColor(window_.Name(), name_, backgroundColor_);
  return true;
}

}  // namespace pavane::os::headless
