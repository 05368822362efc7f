// The scripted user's desk on the real windows. The user looks every 50 ms
// and takes a turn once the program waits for the user and what it waits
// with is there: a message box, or the active window with its pages
// loaded, settled for a few looks, as a person looks before clicking. A
// window whose pages never load gets its turn after a while all the same,
// so a run never hangs on the user.
//
// Buttons are pressed and pages touched as a user would: fields get their
// text with the page's input and change events, boxes are clicked, links
// clicked in the page. A turn runs inside the loop's timer, which GLib does
// not run again until it returns: nothing here waits on what may open a
// modal window or a message box (buttons and links hand their events on
// through the loop).
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <string_view>
#include <vector>

#include "os/user/scripted_user.h"
#include "os/user/user_desk.h"

namespace pavane::os::gtk {

class GtkBrowser;
class GtkScreenWindow;
class GtkWindowSystem;

class GtkDesk final : public user::UserDesk {
 public:
  // Plays `script` on the windows of `system`; pictures go into the folder
  // `shots` (none when empty).
  GtkDesk(GtkWindowSystem& system, std::string_view script, std::string shots);
  ~GtkDesk() override;
  GtkDesk(const GtkDesk&) = delete;
  GtkDesk& operator=(const GtkDesk&) = delete;

  user::ScriptedUser& User() { return user_; }

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
  bool Shot(const std::string& name, bool box, std::vector<std::string>& faults,
            std::string& problem) override;
  void EndRun(int status) override;

 private:
  void Look();
  // The active window, shown, with every page it navigated loaded.
  bool WindowReady() const;
  GtkScreenWindow* Active() const;
  // The browser of the active window whose page has the element `id`.
  GtkBrowser* PageWith(const std::string& id) const;
  // Runs `body` in that page with `e` bound to the element.
  void OnElement(const std::string& id, const std::string& body) const;

  GtkWindowSystem& system_;
  std::string shots_;
  user::ScriptedUser user_;
  int timer_ = 0;
  int settled_ = 0;           // looks in a row that found the program waiting, ready
  int waited_ = 0;            // looks in a row that found it waiting, not ready
  GtkWidget* box_ = nullptr;  // the message box of the turn being taken
};

}  // namespace pavane::os::gtk
