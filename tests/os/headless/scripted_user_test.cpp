#include <gtest/gtest.h>

#include "screen_fixture.h"

namespace pavane::os::headless {
namespace {

using std::chrono::milliseconds;

constexpr const char* kListPage =
    R"(<body><select id="lstApp"><option value="OL">OL</option><option value="SW">SW</option>
</select></body>)";

TEST(Transcript, EachLineBreakOfATextIsOne) {
  const std::pair<const char*, const char*> texts[] = {
      {"A\r\nB", "\"A\\nB\""},        {"A\n\rB", "\"A\\nB\""} /* a caption's {CRLF} */,
      {"A\r\n\r\nB", "\"A\\n\\nB\""}, {"A\n\r\n\rB", "\"A\\n\\nB\""},
      {"A\rB\nC", "\"A\\nB\\nC\""},
  };
  for (const auto& [text, field] : texts) EXPECT_EQ(user::Quoted(text), field) << text;
}

TEST(HeadlessLoop, VirtualTimeRunsTimersInOrderWithoutWaiting) {
  Screens screens;
  EventLoop& loop = screens.system.Loop();
  std::vector<std::string> ticks;
  int fast = 0;
  loop.StartTimer(milliseconds(50), [&] { ++fast; });
  loop.StartTimer(milliseconds(300), [&] {
    ticks.push_back("slow at " + std::to_string(screens.system.VirtualLoop().Now().count()));
  });
  const auto started = std::chrono::steady_clock::now();
  loop.Sleep(milliseconds(1000));
  EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(500));
  EXPECT_EQ(fast, 20) << "a 50 ms timer in one second, the tick at 1000 included";
  EXPECT_EQ(ticks, (std::vector<std::string>{"slow at 300", "slow at 600", "slow at 900"}));
  EXPECT_EQ(screens.system.VirtualLoop().Now(), milliseconds(1000));
}

// Filling and ticking are played by every whole run.
TEST(ScriptedUser, SelectsAndActivatesOnThePageOfTheActiveWindow) {
  Screens screens("select lstApp SW\nactivate frmTest\nclick cmdNext\n");
  ScreenEvents events;
  auto window = screens.system.CreateWindow(ScreenDesign(), events);
  Browser& page = *window->GetBrowser("WebBrowser1");
  page.Navigate(screens.Page("BundleAccept.htm", kListPage));
  events.onClick = [&](std::string_view) { screens.system.Loop().Quit(0); };
  window->Show();
  EXPECT_EQ(screens.system.Loop().Run(), 0) << screens.errors.str();
  EXPECT_EQ(page.GetAttribute(ElementRef::ById("lstApp"), "value"), "SW");
  EXPECT_EQ(events.Count("activated"), 2);
}

TEST(ScriptedUser, ScriptErrorsEndTheRunNamingTheLine) {
  for (const auto& [script, message] : std::initializer_list<std::pair<const char*, const char*>>{
           {"\n# comment\nclick cmdSkip\n", "script line 3: button cmdSkip is disabled"},
           {"click cmdNope", "script line 1: frmTest has no button cmdNope"},
           {"clik cmdNext", "script line 1: unknown action clik"},
           {"fill txtLast x", "script line 1: no element txtLast on the pages of frmTest"},
           {"select lstApp PT", "script line 1: list lstApp has no option PT"},
           {"answer OK", "script line 1: answer, but no message box is open"},
           {"wait 10", "script ran out while frmTest waits for the user"},
       }) {
    SCOPED_TRACE(script);
    Screens screens(script);
    ScreenEvents events;
    auto window = screens.system.CreateWindow(ScreenDesign(), events);
    WidgetSpec skip = ScreenDesign().widgets[6];
    skip.state.enabled = false;
    window->UpdateWidget(skip);
    window->GetBrowser("WebBrowser1")->Navigate(screens.Page("a.htm", kListPage));
    window->Show();
    EXPECT_EQ(screens.system.Loop().Run(), HeadlessWindowSystem::kScriptFailedStatus);
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
  EventLoop& loop = screens.system.Loop();
  int ticks = 0;
  loop.StartTimer(milliseconds(50), [&] { ++ticks; });
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
