// The scripted user of unattended runs, on either window system. Whenever
// the program waits for the user (its window is there, its pages loaded,
// or a message box is open), the window system gives the user a turn, and
// the next action of the script is performed on its desk (user_desk.h):
//     click <button>           ButtonClicked; the button must exist, be shown
//                              and enabled (its frames too)
//     fill <id> <text...>      types into a text field or text area
//     tick <id> / untick <id>  a check box (or radio button)
//     select <id> <value>      chooses an option of a list
//     choose <lang>            the language page: "language" becomes <lang>
//     follow <href-or-url>     a link click: BeforeNavigate, then the load
//     answer <OK|Cancel|Yes|No|1|2|6|7>   closes the open message box
//     activate [<window>]      the window is activated again
//     close                    CloseRequested (the caption's close button)
//     wait <ms>                time passes
//     signal <TERM|INT|HUP>    the session sends the program that signal
//     shot <name>              the active window (or the open message box)
//                              as a picture, where the window system keeps
//                              pictures; what is amiss on it goes to the
//                              transcript as "layout" lines
//
// A script error or a script that runs out while the program waits ends
// the run: the message goes to standard error ("pavane: script line 7:
// button cmdAccept is disabled", "pavane: script ran out while frmEmail
// waits for the user") and to the transcript ("error ..."), and the run is
// ended with kFailedStatus. No exception is thrown: the program's own error
// trap would swallow it. Instead every later wait returns at once (a
// message box gives 0, the code for a box that could not be shown; a modal
// window's wait returns), so the program unwinds through its own code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "os/user/transcript.h"
#include "os/user/user_desk.h"
#include "os/user/user_script.h"

namespace pavane::os::user {

// The message box on show during a turn; the answer is set by "answer".
struct OpenMessageBox {
  std::string title;
  std::uint32_t style = 0;
  int answer = 0;  // 0 until answered: the code of a box that could not be shown
};

class ScriptedUser {
 public:
  // The run's status when the script failed or ran out.
  static constexpr int kFailedStatus = 3;

  // `errors` null: standard error. The desk and the transcript must outlive
  // the user.
  ScriptedUser(std::string_view script, UserDesk& desk, Transcript& transcript,
               std::ostream* errors);

  // The program waits for the user; `box` is the message box on show, if
  // one is. Nothing happens once the run has failed. True while the box
  // still waits for its answer (the user only looked at it, or sent a
  // signal); whether it gets another turn is the window system's to say.
  bool Turn(OpenMessageBox* box);

  // Why the script ended the run; "" while it has not.
  const std::string& Error() const { return error_; }
  std::size_t ActionsLeft() const { return script_.Remaining(); }
  // Runs once the script has ended the run, with its status, before the
  // program's waits return (WindowSystem::OnRunFailed).
  void OnFailed(std::function<void(int status)> handler) { failed_ = std::move(handler); }

 private:
  bool Perform(const UserAction& action, OpenMessageBox* box, std::string& problem);
  bool PerformOnPage(const UserAction& action, std::string& problem);
  bool Shot(const UserAction& action, OpenMessageBox* box, std::string& problem);
  void Fail(const std::string& message);

  UserScript script_;
  UserDesk& desk_;
  Transcript& transcript_;
  std::ostream* errors_;
  std::string error_;
  std::function<void(int status)> failed_;
};

}  // namespace pavane::os::user
