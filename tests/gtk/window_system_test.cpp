// What every window system promises the screens, played on the headless one
// and on the desktop (under a display): the loop's timers and waits, pages
// loaded into a browser, their fields read and written, and the screens'
// page settings.
#include <atomic>
#include <ctime>
#include <thread>

#include "gtk/gtk_fixture.h"

namespace pavane::os::gtk::testing {
namespace {

using headless::HeadlessWindowSystem;

using Backends = ::testing::Types<HeadlessWindowSystem, GtkWindowSystem>;
TYPED_TEST_SUITE(WindowSystemTest, Backends);

// Timers tick while the program sleeps, until stopped; waits leave the
// processor alone until notified.
TYPED_TEST(WindowSystemTest, TimersTickInSleepsAndWaitsLeaveTheProcessorAlone) {
  EventLoop& loop = this->ui->Loop();
  int ticks = 0;
  int slowTicks = 0;
  const auto slow = loop.StartTimer(300ms, [&] { ++slowTicks; });
  const auto timer = loop.StartTimer(50ms, [&] { ++ticks; });
  loop.Sleep(500ms);
  EXPECT_GE(ticks, TestFixture::kHeadless ? 10 : 6) << "virtual time: the tick at 500 ms too";
  EXPECT_LE(ticks, 10);
  EXPECT_EQ(slowTicks, 1);
  loop.StopTimer(timer);
  loop.StopTimer(slow);
  const int stoppedAt = ticks;

  // A tick that stops its own timer, and one that sleeps (not re-entered).
  int selfStopping = 0;
  EventLoop::TimerId id = 0;
  id = loop.StartTimer(10ms, [&] {
    ++selfStopping;
    loop.StopTimer(id);
  });
  int depth = 0;
  int deepest = 0;
  const auto sleeper = loop.StartTimer(10ms, [&] {
    deepest = std::max(deepest, ++depth);
    loop.Sleep(50ms);
    --depth;
  });
  loop.Sleep(200ms);
  loop.StopTimer(sleeper);
  EXPECT_EQ(ticks, stoppedAt) << "a stopped timer stays quiet";
  EXPECT_EQ(selfStopping, 1);
  EXPECT_EQ(deepest, 1);

  loop.PumpPending();
  const std::clock_t cpuBefore = std::clock();  // the process's processor time
  const auto started = std::chrono::steady_clock::now();
  loop.Sleep(1000ms);
  std::atomic<bool> ready = false;
  std::thread other([&] {
    std::this_thread::sleep_for(300ms);
    ready = true;
    loop.Notify();
  });
  loop.WaitUntil([&] { return ready.load(); });
  other.join();
  EXPECT_EQ(std::chrono::steady_clock::now() - started < 1000ms, TestFixture::kHeadless)
      << "the headless loop's time is its own";
  EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC * 15 / 100) << "a 1 s sleep and a 300 ms wait";
}

constexpr const char* kForm = R"(<html><body>
<input id="txtName" name="field" value="Ann">
<input id="chkNews" name="field" type="CheckBox" checked>
<input id="chkBundleInstall" type="checkbox">
<select id="language"><option value="en">English</option><option value="de" selected>Deutsch</option>
  <option>  Fran&ccedil;ais  </option></select>
<select id="plain"><option value="a">A</option><option value="b">B</option></select>
<textarea id="txtNote"></textarea>
</body></html>)";

TYPED_TEST(WindowSystemTest, PagesLoadAndTheirFieldsAreReadAndWritten) {
  // From a folder with a blank in its name.
  auto& events = this->events;
  const auto window = this->ui->CreateWindow(ScreenDesign(), events);
  window->Show();
  Browser* page = window->GetBrowser("WebBrowser1");
  this->dir.Write("HTML Screens/form.htm", kForm);
  page->Navigate("file://" + this->dir.path().string() + "/HTML%20Screens/form.htm?application=OL");
  EXPECT_TRUE(page->Busy()) << "busy from the moment it is sent";
  EXPECT_TRUE(this->WaitFor([&] { return events.Count("complete WebBrowser1") == 1; }));
  EXPECT_FALSE(page->Busy());
  const auto get = [&](const char* id, const char* attribute) {
    return page->GetAttribute(ElementRef::ById(id), attribute);
  };
  EXPECT_EQ(get("txtName", "value"), "Ann");
  EXPECT_EQ(get("chkNews", "CHECKED"), "true") << "markup checked, names and type in any case";
  EXPECT_EQ(get("chkBundleInstall", "checked"), "false");
  EXPECT_EQ(get("language", "value"), "de") << "the option marked selected";
  EXPECT_EQ(get("plain", "value"), "a") << "no option selected: the first";
  EXPECT_EQ(get("txtName", "title"), "") << "attribute not set";
  EXPECT_EQ(get("nothing", "value"), std::nullopt);
  EXPECT_FALSE(page->SetAttribute(ElementRef::ById("nothing"), "value", "x"));

  EXPECT_EQ(page->CountElementsByName("field"), 2);
  EXPECT_EQ(page->GetAttribute(ElementRef::ByName("field", 1), "id"), "chkNews");
  EXPECT_EQ(page->GetAttribute(ElementRef::ByName("field", 2), "id"), std::nullopt);

  // Check boxes take any case; the last: an option's value is its trimmed text.
  for (const auto& [id, attribute, value, read] : {std::tuple{"txtName", "value", "Bob", "Bob"},
                                                   {"chkNews", "checked", "False", "false"},
                                                   {"chkBundleInstall", "checked", "TRUE", "true"},
                                                   {"language", "value", "Français", "Français"}}) {
    EXPECT_TRUE(page->SetAttribute(ElementRef::ById(id), attribute, value)) << id;
    EXPECT_EQ(get(id, attribute), read) << id;
  }

  // Values travel as string literals: nothing in them is script.
  const std::string nasty =
      "O'Brien \"; window.injected = 1; \" '); window.injected = 1; (' back\\slash\\\n"
      "new line</script><script>window.injected = 1</script>\xE2\x80\xA8\xE6\x97\xA5\xE6\x9C\xAC";
  EXPECT_TRUE(page->SetAttribute(ElementRef::ById("txtNote"), "value", nasty));
  EXPECT_EQ(get("txtNote", "value"), nasty);
  EXPECT_TRUE(page->Focus(ElementRef::ById("txtName")));
  EXPECT_FALSE(page->Focus(ElementRef::ById("nothing")));
  EXPECT_TRUE(page->SetBackgroundColor("08A0FF"));
  EXPECT_TRUE(page->SetBodyScroll("no"));
  if constexpr (!TestFixture::kHeadless) {
    auto* view = static_cast<GtkBrowser*>(page);
    EXPECT_EQ(view->EvaluateScript("typeof window.injected"), "undefined") << "nothing ran";
    EXPECT_EQ(view->EvaluateScript("document.activeElement.id"), "txtName");
    EXPECT_EQ(view->EvaluateScript("document.bgColor"), "#08A0FF");
    GdkRGBA viewColour;
    webkit_web_view_get_background_color(view->View(), &viewColour);
    EXPECT_NEAR(viewColour.green, 160 / 255.0, 0.01) << "the view around the page too";
    // No scroll bars.
    for (const char* element : {"document.documentElement", "document.body"}) {
      EXPECT_EQ(view->EvaluateScript("getComputedStyle(" + std::string(element) + ").overflow"),
                "hidden");
    }
  }

  // As in WebKit, a page is found by its exact name only; a missing one
  // completes all the same, empty. No load completes for a closed window.
  page->Navigate("file://" + this->dir.path().string() + "/HTML%20Screens/Form.htm");
  EXPECT_TRUE(
      this->WaitFor([&] { return !page->Busy() && events.Count("complete WebBrowser1") > 1; }));
  EXPECT_TRUE(page->HasBody());
  EXPECT_EQ(get("txtName", "value"), std::nullopt);
  page->Navigate("file://" + this->dir.path().string() + "/HTML%20Screens/form.htm");
  window->Close();
  events.log.clear();
  this->ui->Loop().Sleep(300ms);
  EXPECT_TRUE(events.log.empty());
}

}  // namespace
}  // namespace pavane::os::gtk::testing
