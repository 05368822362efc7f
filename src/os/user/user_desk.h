// What the scripted user sees and touches of a window system: the active
// window, its buttons, the fields and links of its pages, the loop to wait
// on. Each window system gives the user one; what an action means and when
// it is refused is the scripted user's own (scripted_user.h), the same on
// both.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "os/window_system.h"

namespace pavane::os::user {

// A page element as the user finds it.
struct PageField {
  bool found = false;
  bool input = false;                // an <input> of any type
  bool textField = false;            // typed into: an input of a typing type, or a text area
  bool checkable = false;            // a check box or a radio button
  bool list = false;                 // a selection list
  std::vector<std::string> options;  // a list's option values

  // `tag` and `type` (an input's type attribute, "" for none) in lower case.
  static PageField Of(std::string_view tag, std::string_view type);
};

class UserDesk {
 public:
  enum class ButtonState { kMissing, kHidden, kDisabled, kReady };

  virtual ~UserDesk() = default;

  virtual EventLoop& Loop() = 0;
  // The name of the window the user acts on; "" when none is shown.
  virtual std::string ActiveWindow() const = 0;
  // Brings a shown window (the active one for "") to the front and
  // activates it again; false when it is not shown.
  virtual bool Activate(const std::string& window) = 0;
  // A button of the active window (not a check box), shown and enabled
  // with every frame it sits in.
  virtual ButtonState Button(const std::string& name) = 0;
  virtual void Click(const std::string& name) = 0;
  // The caption's close button; false when the window has none.
  virtual bool Close() = 0;
  // Clicks the link of the active window's pages whose href (as written or
  // resolved) is `href`; with no such link an absolute address is followed
  // in the first page. False with `problem` when no page is shown.
  virtual bool Follow(const std::string& href, std::string& problem) = 0;
  // The element `id` on the first page of the active window that has it.
  virtual PageField Field(const std::string& id) = 0;
  virtual void Fill(const std::string& id, const std::string& text) = 0;
  virtual void Tick(const std::string& id, bool ticked) = 0;
  // Chooses the list's option (or an input's value) `value`.
  virtual void Select(const std::string& id, const std::string& value) = 0;
  // Saves what the user sees, the open message box when `box`, as the
  // picture `name` where pictures go, and adds what is amiss on it to
  // `faults`; false with `problem` when the picture cannot be saved.
  virtual bool Shot(const std::string& name, bool box, std::vector<std::string>& faults,
                    std::string& problem) = 0;
  // The run ends for good with `status`: every later wait for the user
  // returns at once, so that the program unwinds through its own code.
  virtual void EndRun(int status) = 0;
};

}  // namespace pavane::os::user
