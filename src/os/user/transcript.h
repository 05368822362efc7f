// What happened on the screens, one line per happening: written to a stream
// as it happens (standard output in unattended runs) and kept for tests to
// search. Both window systems speak through the methods below, so a road
// reads the same on either; QA scripts and tests read these lines, so their
// shape stays:
//     show frmEmail modal=no owner=-        show frmLegal modal=yes owner=frmEmail
//     topmost frmEmail on|off               closebutton frmEmail removed
//     title frmEmail "New title"            close frmEmail
//     move frmEmail 1200 900                (twips)
//     page frmEmail.WebBrowser1 file:///...EmailText.htm?application=OL&scaling=100&language=en
//     cancel frmEmail.WebBrowser1 <url>     (a followed link the screen refused)
//     focus frmEmail txtFirstName           bgcolor frmEmail.WebBrowser1 F0F0F0
//     scroll frmEmail.WebBrowser1 no        browser https://...
//     print frmEmail.WebBrowser1
//     message "Title" style=48 "Line one\nLine two" -> 1
//     notice "no language file for \"es\"..."   (also on standard error)
//     user click cmdNext                    (each scripted action, as written)
//     error script line 7: button cmdAccept is disabled
// Only the real windows see what a page does by itself and what is drawn:
//     changed frmBundle.WebBrowser2 chkBundleInstall   (the page told of a change)
//     layout frmEmail lblHdr1 text needs 310 x 17 pixels, has 300 x 17
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "os/window_system.h"

namespace pavane::os::user {

// A text as one transcript field: in double quotes, each line break (as a
// window shows it) as "\n".
std::string Quoted(const std::string& text);

class Transcript {
 public:
  // Null: the lines are neither printed nor kept (a desktop run that nobody
  // scripted).
  explicit Transcript(std::ostream* out = nullptr) : out_(out) {}

  void Write(std::string line);
  const std::vector<std::string>& Lines() const { return lines_; }

  void Show(std::string_view window, bool modal, const Window* owner);
  void Close(std::string_view window);
  void Topmost(std::string_view window, bool topmost);
  void CloseButtonRemoved(std::string_view window);
  void Title(std::string_view window, const std::string& title);
  void Move(std::string_view window, std::int32_t left, std::int32_t top);
  void Page(std::string_view window, std::string_view browser, std::string_view url);
  void Cancel(std::string_view window, std::string_view browser, std::string_view url);
  void Focus(std::string_view window, const ElementRef& element);
  void BackgroundColor(std::string_view window, std::string_view browser, std::string_view rrggbb);
  void BodyScroll(std::string_view window, std::string_view browser, std::string_view value);
  void Changed(std::string_view window, std::string_view browser, std::string_view element);
  void OpenInBrowser(std::string_view url);
  void Print(std::string_view window, std::string_view browser);
  void MessageBox(const std::string& title, std::uint32_t style, const std::string& text,
                  int answer);
  void Notice(const std::string& text);

 private:
  std::ostream* out_;
  std::vector<std::string> lines_;
};

}  // namespace pavane::os::user
