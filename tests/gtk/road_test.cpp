// Whole runs of the program on real windows, driven as a user would: the
// pages' fields filled, the native buttons pressed, the message boxes
// answered. Each screen on the way is checked for cut-off text and missing
// glyphs and saved as a picture (build tree: screenshots/<scaling>/<language>/).
#include <gtest/gtest.h>

#include <filesystem>

#include "app/program.h"
#include "gtk/desktop_user.h"
#include "gtk/gtk_fixture.h"
#include "os/curl/curl_http_client.h"
#include "support/devserver_log.h"
#include "support/installation.h"

namespace pavane::os::gtk::testing {
namespace {

using pavane::testing::Installation;
using Strings = std::vector<std::string>;

class RoadTest : public GtkTest {
 protected:
  RoadTest() : install(PAVANE_STAGE_DIR, PAVANE_STUB_DOWNLOADER, PAVANE_DEVSERVER_PROGRAM) {}

  // Where this run's screenshots go.
  std::string Shots(const std::string& language) {
    const std::string folder = std::string(PAVANE_SHOTS_DIR) + "/" +
                               std::to_string(app::ScalingFromTwips(ui->TwipsPerPixelX())) + "/" +
                               language;
    std::filesystem::create_directories(folder);
    return folder;
  }

  int Run(const std::string& switches) {
    CurlHttpClient http;
    const std::string server = install.Server().BaseUrl();
    return app::RunProgram(*ui, install.Registry(), http, {server, server, "norvale.example"},
                           switches, install.ProgramFolder());
  }

  // The tracking actions that reached the server, once `count` requests did.
  Strings Actions(std::size_t count) {
    Strings actions;
    for (const auto& request : pavane::testing::ParseLoggedRequests(install.ServerLog(count))) {
      if (request.path.ends_with("/tr.asp")) actions.push_back(request.Value("action"));
    }
    return actions;
  }

  Installation install;
};

class LanguageRoadTest : public RoadTest, public ::testing::WithParamInterface<const char*> {};

// The check box's timer runs every 50 ms and reads the page: Accept follows
// each tick and untick within one period and the read. The box ends ticked.
DesktopUser::Action AcceptFollowsTheCheckBox(GtkWindowSystem& ui) {
  return [&ui](GtkScreenWindow& window) {
    GtkWidget* accept = window.NativeWidget("cmdAccept");
    EXPECT_FALSE(gtk_widget_is_sensitive(accept)) << "Accept waits for the box";
    std::chrono::steady_clock::duration slowest{};
    for (int i = 0; i < 5; ++i) {
      const bool ticked = i % 2 == 0;
      DesktopUser::Tick("chkBundleInstall")(window);
      const auto clicked = std::chrono::steady_clock::now();
      ASSERT_TRUE(ui.MainLoop().IterateUntil(
          [&] { return gtk_widget_is_sensitive(accept) == ticked; }, 1s));
      slowest = std::max(slowest, std::chrono::steady_clock::now() - clicked);
    }
    ::testing::Test::RecordProperty(
        "slowest_accept_us",
        std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(slowest).count()));
    EXPECT_LE(slowest, 50ms + 15ms) << "one timer period and the page read";
  };
}

// The newsletter page is painted in the window's colour: its bgColor, the
// pixels of the rendered page and of the window's bottom panel agree.
DesktopUser::Action PageMatchesTheWindow() {
  return [](GtkScreenWindow& window) {
    GtkBrowser* page = window.FindBrowser("WebBrowser1");
    const std::string declared = page->EvaluateScript("document.bgColor").value_or("");
    GtkWidget* toplevel = GTK_WIDGET(window.NativeWindow());
    const int bottom = gtk_widget_get_allocated_height(toplevel) - 2;
    EXPECT_EQ(declared, RenderedColour(toplevel, 2, bottom)) << "the page's colour is the window's";
    EXPECT_EQ(declared, RenderedColour(GTK_WIDGET(page->View()), 2, 2)) << "and the page shows it";
  };
}

// A link to the maker's site inside the offer page, clicked: it goes to the
// desktop's browser, with the offered product's facts.
DesktopUser::Action FollowAWebLink() {
  return [](GtkScreenWindow& window) {
    GtkBrowser* page = window.FindBrowser("WebBrowser1");
    const std::string shown = page->Url();
    page->EvaluateScript(
        "var a = document.createElement('a'); a.href = 'https://www.norvale.example/support';"
        "a.textContent = 'Support'; document.body.appendChild(a); a.click()");
    window.System().MainLoop().IterateUntil([] { return false; }, 300ms);
    EXPECT_EQ(page->Url(), shown) << "the page stays";
  };
}

TEST_P(LanguageRoadTest, TandemRoad) {
  const std::string language = GetParam();
  install.Set(Installation::kOrlentKey, "Language", language);
  install.Set(Installation::kOrlentKey, "AID", "a&b c");
  const std::string address = "anna@gmail.com";

  DesktopUser user(*ui, Shots(language));
  user.At("frmLanguage", {user.Shot("language"), DesktopUser::Press("cmdSelect")})
      .At("frmEmail", {user.Shot("newsletter"), PageMatchesTheWindow(),
                       DesktopUser::Fill("txtFirstName", "Anna"),
                       DesktopUser::Fill("txtEmailAddr", address), DesktopUser::Press("cmdNext")})
      .Answer(message_box::kIdOk, "message-box")  // the confirmation is missing
      .At("frmEmail",
          {DesktopUser::Do([](GtkScreenWindow& window) {
             EXPECT_EQ(
                 window.FindBrowser("WebBrowser1")->EvaluateScript("document.activeElement.id"),
                 "txtEmailConfirm")
                 << "the screen put the caret where the answer goes";
           }),
           DesktopUser::Fill("txtEmailConfirm", address), DesktopUser::Press("cmdNext")})
      .Answer(message_box::kIdOk)  // the firewall alert after a validated address
      .At("frmSpamInfo", {user.Shot("not-spam"), DesktopUser::Press("cmdNext")})
      .At("frmBundle", {user.Shot("offer"), DesktopUser::Follow("vblink/license.htm")},
          "SW-BundleInfo")
      .At("frmShowLinks", {user.Shot("legal"), DesktopUser::Press("cmdOK")})
      .At("frmBundle",
          {FollowAWebLink(), AcceptFollowsTheCheckBox(*ui), DesktopUser::Press("cmdAccept")},
          "SW-BundleInfo")
      .Answer(message_box::kIdOk)  // the firewall message before the download
      .At("frmBundle", {DesktopUser::Press("cmdDecline")}, "PT-BundleInfo");

  EXPECT_EQ(Run("/app=OL"), 0);
  EXPECT_TRUE(user.Finished()) << "stopped at " << user.Waiting();
  EXPECT_EQ(user.BoxTexts().size(), 3u);

  // Validation, sign-up and six events.
  EXPECT_EQ(Actions(8),
            (Strings{"Newsletter_Displayed", "Newsletter_Accepted", "SW_Tandem_Displayed",
                     "SW_Tandem_Accepted", "PT_Tandem_Displayed", "PT_Tandem_Declined"}));
  for (const auto& request : pavane::testing::ParseLoggedRequests(install.ServerLog(8))) {
    if (request.path.ends_with("/tr.asp")) {
      EXPECT_EQ(request.Value("aid"), "a&b c");
    }
  }
  EXPECT_EQ(install.Value(Installation::kOrlentKey, "UserEmail"), address);
  EXPECT_EQ(install.Value(Installation::kOrlentKey, "UserFirstName"), "Anna");
  EXPECT_EQ(install.Value(Installation::kOrlentKey, "Language"), language);
  EXPECT_EQ(install.Value("HKEY_LOCAL_MACHINE\\Software\\Sweeple", "MainInstallerName"), "Orlent");

  const std::string root = install.Root();
  EXPECT_EQ(install.DownloaderArguments(),
            (Strings{root + "/PV/Fetchwick.exe", "/Execute",
                     "/http=http:\\\\127.0.0.1:8917\\sw\\SweepleSetup.exe",
                     "/target=" + root + "/tmp/SweepleSetup.exe", "/sacc=SW", "/app=OL",
                     "/language=" + language}));
  const Strings browser = install.BrowserArguments();
  ASSERT_EQ(browser.size(), 2u) << "the desktop's browser got the link";
  EXPECT_EQ(browser[1],
            "https://www.norvale.example/support?language=" + language +
                "&app=SW&scaling=" + std::to_string(app::ScalingFromTwips(ui->TwipsPerPixelX())));
}

TEST_P(LanguageRoadTest, SalesAccountRoadWithTheFirewallWindow) {
  const std::string language = GetParam();
  DesktopUser user(*ui, Shots(language));
  user.At("frmBundle", {user.Shot("offer-sales-account"), DesktopUser::Tick("chkBundleInstall")})
      .At("frmBundle", {DesktopUser::Press("cmdAccept")})
      .At("frmFirewallCross", {user.Shot("firewall"), DesktopUser::Press("cmdClose")});

  EXPECT_EQ(Run("/app=OL /language=" + language + " /sacc=sw"), 0);
  EXPECT_TRUE(user.Finished()) << "stopped at " << user.Waiting();

  EXPECT_EQ(Actions(3),
            (Strings{"Newsletter_Declined", "SW_Pavane_Displayed", "SW_Pavane_Accepted"}));
  EXPECT_EQ(install.Value(Installation::kOrlentKey, "Tandem"), "") << "no reply in this mode";
  const Strings arguments = install.DownloaderArguments();
  ASSERT_GE(arguments.size(), 3u);
  EXPECT_EQ(arguments[1], "/Verbose");
  EXPECT_EQ(arguments[2], "/Execute");
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageRoadTest, ::testing::Values("en", "de", "fr", "ja"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(RoadTest, JapaneseWithoutFontsOffersEnglishOrTheEnd) {
  DesktopUser user(*ui, Shots("ja"));
  user.At("dlgErrJapaneseFontsMissing",
          {user.Shot("fonts-missing"), DesktopUser::Press("cmdClose")});
  EXPECT_EQ(Run("/app=OL /language=ja /failjapanesefonts"), 0);
  EXPECT_TRUE(user.Finished()) << "stopped at " << user.Waiting();
  EXPECT_EQ(install.Value(Installation::kOrlentKey, "Tandem"), "Shut Down");
}

}  // namespace
}  // namespace pavane::os::gtk::testing
