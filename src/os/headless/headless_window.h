// A screen window of the headless window system: the window design kept as
// plain objects, one headless browser per browser widget.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/window_system.h"

namespace pavane::os::headless {

class HeadlessBrowser;
class HeadlessWindowSystem;

class HeadlessWindow final : public Window {
 public:
  HeadlessWindow(HeadlessWindowSystem& system, const WindowSpec& design, WindowEvents& events);
  ~HeadlessWindow() override;
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  const std::string& Name() const override { return design_.name; }
  void Show() override;
  void ShowModal(Window* owner) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  void SetTopmost(bool topmost) override;
  void RemoveCloseButton() override;
  void SetIcon(const std::string& imageFile) override { icon_ = imageFile; }
  void SetTitle(const std::string& title) override;
  void UpdateWidget(const WidgetSpec& widget) override;
  std::optional<std::pair<std::int32_t, std::int32_t>> SetImage(
      const std::string& widget, const std::string& imageFile) override;
  Browser* GetBrowser(std::string_view widget) override;
  std::optional<std::uint32_t> SamplePixel(std::string_view widget, int x, int y) override;
  std::pair<std::int32_t, std::int32_t> Position() const override { return {left_, top_}; }
  void SetPosition(std::int32_t left, std::int32_t top) override;

  // --- Headless only.

  WindowEvents& Events() { return events_; }
  HeadlessWindowSystem& System() { return system_; }
  bool Shown() const { return shown_; }
  bool Modal() const { return modal_; }
  bool Topmost() const { return topmost_; }
  bool HasCloseButton() const { return closeButton_; }
  const std::string& Title() const { return design_.title; }
  const std::string& Icon() const { return icon_; }
  const WidgetSpec* Widget(std::string_view name) const;
  // Shown (enabled) with every frame it sits in.
  bool WidgetShown(std::string_view name) const;
  bool WidgetEnabled(std::string_view name) const;
  const std::vector<std::unique_ptr<HeadlessBrowser>>& Browsers() const { return browsers_; }
  HeadlessBrowser* FindBrowser(std::string_view name) const;
  // The image file last loaded into a widget; "" when none.
  std::string ImageOf(std::string_view widget) const;

 private:
  void CancelEvents();

  HeadlessWindowSystem& system_;
  WindowSpec design_;
  WindowEvents& events_;
  std::vector<std::unique_ptr<HeadlessBrowser>> browsers_;
  std::vector<std::pair<std::string, std::string>> images_;
  std::string icon_;
  bool open_ = true;
  bool shown_ = false;
  bool modal_ = false;
  bool topmost_ = false;
  bool closeButton_ = true;
  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
};

}  // namespace pavane::os::headless
