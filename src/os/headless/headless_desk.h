// The scripted user's desk on the headless window system: the active
// window's design and the DOM of its pages, changed directly, on the
// virtual clock.
#pragma once

#include <string>
#include <vector>

#include "os/user/user_desk.h"

namespace pavane::os::headless {

class HeadlessWindow;
class HeadlessWindowSystem;
struct PageElement;
class PageDom;

class HeadlessDesk final : public user::UserDesk {
 public:
  explicit HeadlessDesk(HeadlessWindowSystem& system) : system_(system) {}

  EventLoop& Loop() override;
  std::string ActiveWindow() const override;
  bool Activate(const std::string& window) override;
  ButtonState Button(const std::string& name) override;
  void Click(const std::string& name) override;
  bool Close() override;
  bool Follow(const std::string& href, std::string& problem) override;
  user::PageField Field(const std::string& id) override;
  void Fill(const std::string& id, const std::string& text) override;
  void Tick(const std::string& id, bool ticked) override;
  void Select(const std::string& id, const std::string& value) override;
  // No pixels here: nothing is saved and nothing is found amiss.
  bool Shot(const std::string& name, bool box, std::vector<std::string>& faults,
            std::string& problem) override;
  void EndRun(int status) override;

 private:
  // The element `id` on the active window's pages and the page holding it.
  PageElement* Element(const std::string& id, PageDom** page = nullptr) const;

  HeadlessWindowSystem& system_;
};

}  // namespace pavane::os::headless
