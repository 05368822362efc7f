// What every window system promises the screens, played on the headless one
// and on the desktop (under a display): the loop's timers and waits, pages
// loaded into a browser and their fields read and written.
#include <time.h>

#include <atomic>
#include <sstream>
#include <thread>
#include <type_traits>

#include "gtk/gtk_fixture.h"
#include "os/headless/headless_window_system.h"

namespace pavane::os::gtk::testing {
namespace {

using headless::HeadlessWindowSystem;

std::chrono::milliseconds ProcessCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return std::chrono::milliseconds(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

template <typename System>
class WindowSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if constexpr (std::is_same_v<System, GtkWindowSystem>) {
      if (!HasDisplay()) GTEST_SKIP() << "no display; run under xvfb-run";
      std::string error;
      ui = ConnectToDisplay(error);
      ASSERT_NE(ui, nullptr) << error;
    } else {
      ui = std::make_unique<System>(transcript);
    }
  }

  std::ostringstream transcript;
  std::unique_ptr<WindowSystem> ui;
  pavane::testing::TempDir dir;
  RecordedEvents events;
  std::unique_ptr<Window> window;
};

using Backends = ::testing::Types<HeadlessWindowSystem, GtkWindowSystem>;
TYPED_TEST_SUITE(WindowSystemTest, Backends);

TYPED_TEST(WindowSystemTest, TimersTickWhileTheProgramSleepsUntilStopped) {
  EventLoop& loop = this->ui->Loop();
  int ticks = 0;
  const auto timer = loop.StartTimer(50ms, [&] { ++ticks; });
  loop.Sleep(500ms);
  EXPECT_GE(ticks, 6) << "about ten ticks in half a second";
  EXPECT_LE(ticks, 10);
  loop.StopTimer(timer);
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
}

TYPED_TEST(WindowSystemTest, WaitsLeaveTheProcessorAloneUntilNotified) {
  EventLoop& loop = this->ui->Loop();
  loop.PumpPending();
  const auto cpuBefore = ProcessCpuTime();
  loop.Sleep(1000ms);
  std::atomic<bool> ready = false;
  std::thread other([&] {
    std::this_thread::sleep_for(300ms);
    ready = true;
    loop.Notify();
  });
  loop.WaitUntil([&] { return ready.load(); });
  other.join();
  EXPECT_TRUE(ready);
  EXPECT_LT(ProcessCpuTime() - cpuBefore, 150ms) << "a 1 s sleep and a 300 ms wait";
}

constexpr const char* kForm = R"(<html><body>
<input id="txtName" name="field" value="Ann">
<input id="chkNews" name="field" type="CheckBox" checked>
<input id="chkBundleInstall" type="checkbox">
<select id="language"><option value="en">English</option><option value="de" selected>Deutsch</option>
  <option>  Fran&ccedil;ais  </option></select>
<select id="plain"><option value="a">A</option><option value="b">B</option></select>
</body></html>)";

TYPED_TEST(WindowSystemTest, PagesLoadAndTheirFieldsAreReadAndWritten) {
  // From a folder with a blank in its name.
  auto& events = this->events;
  this->window = this->ui->CreateWindow(ScreenDesign(), events);
  this->window->Show();
  Browser* page = this->window->GetBrowser("WebBrowser1");
  this->dir.Write("HTML Screens/form.htm", kForm);
  page->Navigate("file://" + this->dir.path().string() + "/HTML%20Screens/form.htm?application=OL");
  EXPECT_TRUE(page->Busy()) << "busy from the moment it is sent";
  EXPECT_TRUE(
      this->ui->Loop().WaitFor([&] { return events.Count("complete WebBrowser1") == 1; }, 10s));
  EXPECT_FALSE(page->Busy());
  EXPECT_TRUE(page->HasBody());
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
  EXPECT_EQ(page->CountElementsByName("nothing"), 0);
  EXPECT_EQ(page->GetAttribute(ElementRef::ByName("field", 1), "id"), "chkNews");
  EXPECT_EQ(page->GetAttribute(ElementRef::ByName("field", 2), "id"), std::nullopt);

  // The last: an option's value is its trimmed text.
  for (const auto& [id, attribute, value] : {std::tuple{"txtName", "value", "Bob"},
                                             {"chkNews", "checked", "False"},
                                             {"language", "value", "Français"}}) {
    EXPECT_TRUE(page->SetAttribute(ElementRef::ById(id), attribute, value)) << id;
    EXPECT_EQ(get(id, attribute), id == std::string("chkNews") ? "false" : value) << id;
  }
}

}  // namespace
}  // namespace pavane::os::gtk::testing
