#include <gtest/gtest.h>

#include "os/headless/page_dom.h"
#include "screen_fixture.h"

namespace pavane::os::headless {
namespace {

// The page's own script does not run here: the field keeps its markup value.
constexpr const char* kForm = R"(<html><body>
<script>document.getElementById('txtName').value = 'from script';</script>
<input id="txtName" value="Ann"></body></html>)";

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

// A screen with a page, on a fresh headless window system.
class HeadlessScreen : public ::testing::Test {
 protected:
  Screens screens;
  ScreenEvents events;
  std::unique_ptr<Window> window = screens.system.CreateWindow(ScreenDesign(), events);
  Browser* browser = window->GetBrowser("WebBrowser1");
};

TEST_F(HeadlessScreen, ALoadCompletesOnTheLoopOncePerNavigationAndNotForAClosedWindow) {
  const std::string url = screens.Page("EmailText.htm", kForm);
  browser->Navigate(url + "x");
  browser->Navigate(url + "?application=OL");
  EXPECT_TRUE(events.log.empty()) << "nothing before the loop runs";
  screens.system.Loop().PumpPending();
  EXPECT_EQ(events.log, std::vector<std::string>{"complete WebBrowser1"}) << "the last one only";
  EXPECT_EQ(browser->GetAttribute(ElementRef::ById("txtName"), "value"), "Ann");

  // As in WebKit, a page is found by its exact name only; a missing page
  // loads as an empty one.
  for (const std::string& missing :
       {url + "x", "file://" + screens.dir.path().string() + "/HTML%20Screens/emailtext.htm"}) {
    browser->Navigate(missing);
    screens.system.Loop().PumpPending();
    EXPECT_TRUE(browser->HasBody()) << missing;
    EXPECT_EQ(browser->GetAttribute(ElementRef::ById("txtName"), "value"), std::nullopt);
  }

  events.log.clear();
  browser->Navigate(url);
  window->Close();
  screens.system.Loop().PumpPending();
  EXPECT_TRUE(events.log.empty());
}

TEST_F(HeadlessScreen, PicturesGiveTheirSizeInTwips) {
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x30\0\0\0\x20", 24);
  std::string gif("GIF89a\x10\0\x08\0", 10);
  const std::string pngFile = screens.dir.Write("icon.png", png + std::string(8, '\0'));
  const std::string gifFile = screens.dir.Write("logo.gif", gif);
  const std::string junk = screens.dir.Write("junk.png", "not an image");

  using Size = std::pair<std::int32_t, std::int32_t>;
  EXPECT_EQ(window->SetImage("pictDummy", pngFile), (Size{48 * 15, 32 * 15}));
  EXPECT_EQ(window->SetImage("pictDummy", gifFile), (Size{16 * 15, 8 * 15}));
  EXPECT_EQ(window->SetImage("pictDummy", junk), std::nullopt);
  EXPECT_EQ(window->SamplePixel("pictDummy", 1, 1), 0x00F0F0F0u);
}

}  // namespace
}  // namespace pavane::os::headless
