// The browser widget of a headless window: loads file:// pages into a
// PageDom on the next pump and answers the screens' DOM reads and writes
// from it. Page scripts never run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "os/headless/page_dom.h"
#include "os/window_system.h"

namespace pavane::os::headless {

class HeadlessWindow;

class HeadlessBrowser final : public Browser {
 public:
  // Pages larger than this load as the empty error page.
  static constexpr std::uint64_t kMaxPageBytes = 4 * 1024 * 1024;

  HeadlessBrowser(HeadlessWindow& window, std::string name);
  ~HeadlessBrowser() override;
  HeadlessBrowser(const HeadlessBrowser&) = delete;
  HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

  void Navigate(const std::string& url) override;
  bool Busy() const override { return busy_; }
  std::string Url() const override { return url_; }
  bool HasBody() const override { return !busy_ && page_ && page_->Body(); }
  std::optional<std::string> GetAttribute(const ElementRef& element,
                                          std::string_view attribute) override;
  bool SetAttribute(const ElementRef& element, std::string_view attribute,
                    std::string_view value) override;
  int CountElementsByName(std::string_view name) override;
  bool Focus(const ElementRef& element) override;
  bool SetBodyScroll(std::string_view value) override;
  bool SetBackgroundColor(std::string_view rrggbb) override;

  // --- Headless only.

  const std::string& Name() const { return name_; }
  // The loaded page; null while none is (or during a load).
  PageDom* Page() const { return busy_ ? nullptr : page_.get(); }
  const std::string& BodyScroll() const { return bodyScroll_; }
  const std::string& BackgroundColor() const { return backgroundColor_; }
  // The element last focused ("txtFirstName", or "name[index]"); "" for none.
  const std::string& FocusedElement() const { return focused_; }

 private:
  void FinishLoad(std::uint64_t generation);

  HeadlessWindow& window_;
  std::string name_;
  std::string url_;
  bool busy_ = false;
  std::uint64_t generation_ = 0;
  std::unique_ptr<PageDom> page_;
  std::string bodyScroll_;
  std::string backgroundColor_;
  std::string focused_;
};

}  // namespace pavane::os::headless
