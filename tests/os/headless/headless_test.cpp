// The headless window system: its pages as files, its pictures, and the
// scripted user that plays the run. Its loop's timers and waits and the
// pages' fields are in the window-system suite shared with the desktop.
#include <gtest/gtest.h>

#include "os/headless/page_dom.h"
#include "screen_fixture.h"

namespace pavane::os::headless {
namespace {

using std::chrono::milliseconds;

constexpr const char* kListPage =
    R"(<body><select id="lstApp"><option value="OL">OL</option><option value="SW">SW</option>
</select></body>)";

TEST(PageUrls, FileUrlPathAndLinkResolution) {
  EXPECT_EQ(FileUrlPath("file:///opt/HTML%20Screens/a.htm?x=1#top"), "/opt/HTML Screens/a.htm");
  EXPECT_EQ(FileUrlPath("FILE://localhost/a%2"), "/a%2") << "a broken escape stays as it is";
  EXPECT_EQ(FileUrlPath("file://server/share/a.htm"), std::nullopt) << "another host";
  EXPECT_EQ(FileUrlPath("https://example.com/a.htm"), std::nullopt);

  const std::string base = "file:///opt/HTML%20Screens/Pavane/en/EmailText.htm?application=OL";
  EXPECT_EQ(ResolveHref(base, "../../Legal%20Files/EULA.htm"),
            "file:///opt/HTML%20Screens/Legal%20Files/EULA.htm");
  EXPECT_EQ(ResolveHref(base, "./b.htm?x=1#y"), "file:///opt/HTML%20Screens/Pavane/en/b.htm?x=1#y");
  EXPECT_EQ(ResolveHref(base, "https://example.com/privacy"), "https://example.com/privacy");
  EXPECT_EQ(ResolveHref("https://host/a/b.htm", "../../../c.htm"), "https://host/c.htm")
      << "no climbing above the root";
}

TEST(HeadlessScreen, TheLastNavigationLoadsWithoutThePagesScriptAndPicturesGiveTwips) {
  Screens screens;
  ScreenEvents events;
  auto window = screens.system.CreateWindow(ScreenDesign(), events);
  Browser* browser = window->GetBrowser("WebBrowser1");
  // The page's own script does not run here: the field keeps its markup value.
  const std::string url = screens.Page("EmailText.htm", R"(<html><body>
<script>document.getElementById('txtName').value = 'from script';</script>
<input id="txtName" value="Ann"></body></html>)");
  browser->Navigate(url + "x");
  browser->Navigate(url + "?application=OL");
  screens.system.Loop().PumpPending();
  EXPECT_EQ(events.log, std::vector<std::string>{"complete WebBrowser1"}) << "the last one only";
  EXPECT_EQ(browser->GetAttribute(ElementRef::ById("txtName"), "value"), "Ann");

  // Pictures give their size in twips from the file's header.
  const auto picture = [&](const char* name, const std::string& bytes) {
    return window->SetImage("pictDummy", screens.dir.Write(name, bytes));
  };
  using Size = std::pair<std::int32_t, std::int32_t>;
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x30\0\0\0\x20", 24);
  EXPECT_EQ(picture("icon.png", png + std::string(8, '\0')), (Size{48 * 15, 32 * 15}));
  EXPECT_EQ(picture("logo.gif", {"GIF89a\x10\0\x08\0", 10}), (Size{16 * 15, 8 * 15}));
  EXPECT_EQ(picture("junk.png", "not an image"), std::nullopt);
  EXPECT_EQ(window->SamplePixel("pictDummy", 1, 1), 0x00F0F0F0u);
}

// Each script chooses from the page's list and activates the window it is
// on, then fails.
TEST(ScriptedUser, SelectsAndActivatesAndScriptErrorsEndTheRunNamingTheLine) {
  for (const auto& [script, message] : std::initializer_list<std::pair<const char*, const char*>>{
           {"\n# comment\nclick cmdSkip\n", "script line 5: button cmdSkip is disabled"},
           {"click cmdNope", "script line 3: frmTest has no button cmdNope"},
           {"clik cmdNext", "script line 3: unknown action clik"},
           {"fill txtLast x", "script line 3: no element txtLast on the pages of frmTest"},
           {"select lstApp PT", "script line 3: list lstApp has no option PT"},
           {"answer OK", "script line 3: answer, but no message box is open"},
       }) {
    SCOPED_TRACE(script);
    Screens screens("select lstApp SW\nactivate frmTest\n" + std::string(script));
    ScreenEvents events;
    auto window = screens.system.CreateWindow(ScreenDesign(), events);
    WidgetSpec skip = ScreenDesign().widgets[5];  // cmdSkip
    skip.state.enabled = false;
    window->UpdateWidget(skip);
    Browser& page = *window->GetBrowser("WebBrowser1");
    page.Navigate(screens.Page("a.htm", kListPage));
    window->Show();
    EXPECT_EQ(screens.system.Loop().Run(), HeadlessWindowSystem::kScriptFailedStatus);
    EXPECT_EQ(page.GetAttribute(ElementRef::ById("lstApp"), "value"), "SW");
    EXPECT_EQ(events.Count("activated"), 2);
    EXPECT_EQ(screens.errors.str(), "pavane: " + std::string(message) + "\n");
    EXPECT_EQ(screens.system.ScriptError(), message);
    const auto& said = screens.system.TranscriptLines();
    EXPECT_EQ(std::count(said.begin(), said.end(), "error " + std::string(message)), 1);

    // The program unwinds through its own code: later waits return at once
    // and a later Quit does not hide the failure.
    EXPECT_EQ(screens.system.MessageBox(window.get(), "Sure?", 4, "Title"), 0);
    screens.system.Loop().Quit(0);
    EXPECT_EQ(screens.system.Loop().Run(), HeadlessWindowSystem::kScriptFailedStatus);
  }
}

// Modal windows, links the screen refuses and the owner's return to the front
// are checked by the whole-run tests of the legal windows.

TEST(ScriptedUser, MessageBoxesAreAnsweredFromTheScript) {
  // A picture of the box comes before its answer.
  Screens screens("answer Yes\nshot box\nanswer 2\nsignal HUP\nanswer No\n");
  int ticks = 0;
  screens.system.Loop().StartTimer(milliseconds(50), [&] { ++ticks; });
  EXPECT_EQ(screens.system.MessageBox(nullptr, "Line one\r\nLine two", 0x24, "Orlent Setup"), 6);
  EXPECT_EQ(ticks, 2) << "timers run while the user reads the box";
  EXPECT_EQ(screens.system.MessageBox(nullptr, "Go on?", 0x31, "Setup"), 2);
  // At the session's end nobody answers: the box closes unanswered.
  bool endRequested = false;
  screens.system.OnEndRequest([&] { endRequested = true; });
  EXPECT_EQ(screens.system.MessageBox(nullptr, "Download?", 0x40, "Setup"), 0);
  EXPECT_TRUE(endRequested);
  EXPECT_EQ(screens.system.ScriptError(), "");

  // An answer the box has no button for is a script error.
  EXPECT_EQ(screens.system.MessageBox(nullptr, "Done.", 0x40, "Setup"), 0);
  EXPECT_EQ(screens.system.ScriptError(),
            "script line 5: the message box \"Setup\" has no button No");
}

}  // namespace
}  // namespace pavane::os::headless
