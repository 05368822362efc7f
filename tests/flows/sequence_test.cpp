// The chain of screens of whole runs: which screens follow which, which
// offers are made, what reaches the server and the registry.
#include <gtest/gtest.h>

#include <filesystem>

#include "flows/flow_fixture.h"
#include "os/instance_lock.h"
#include "platform/text.h"
#include "platform/utf8_file.h"

namespace pavane::flows {
namespace {

using Actions = std::vector<std::string>;

constexpr const char* kAcceptEverything =
    "fill txtFirstName Anna\n"
    "fill txtEmailAddr Anna@Example.com\n"
    "fill txtEmailConfirm anna@example.com \n"
    "click cmdNext\n"
    "answer OK\n"  // the firewall alert after a validated address
    "tick chkBundleInstall\n"
    "click cmdAccept\n"
    "answer OK\n"  // the firewall message before the download
    "click cmdDecline\n";

TEST_F(FlowTest, TypicalRoadOfTheMainApplication) {
  Set(kOrlentKey, "AID", "a&b c");
  const RunResult run = Run("/app=OL /language=en", kAcceptEverything);
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;

  EXPECT_EQ(run.Actions(),
            (Actions{"Newsletter_Displayed", "Newsletter_Accepted", "SW_Tandem_Displayed",
                     "SW_Tandem_Accepted", "PT_Tandem_Displayed", "PT_Tandem_Declined"}));
  EXPECT_TRUE(run.Has("page frmEmail.WebBrowser1 file://"));
  EXPECT_TRUE(
      run.Has("/HTML%20Screens/Pavane/localized/shared/"
              "EmailText.htm?application=OL&scaling=100&language=en"));
  EXPECT_TRUE(run.Has("SW-BundleInfo.htm?application=SW&daysdelay=7&scaling=100&language=en"));
  EXPECT_TRUE(run.Has("message \"Orlent Setup (Norvale Software, LLC)\" style=64"));
  EXPECT_FALSE(run.Has("show frmSpamInfo")) << "no provider, no notice";

  // Every request arrives, each value as the program meant it.
  const auto requests = ServerRequests(8);
  ASSERT_EQ(requests.size(), 8u);
  int tracked = 0;
  for (const auto& request : requests) {
    if (request.path == "/ol/tr.asp") {
      ++tracked;
      EXPECT_EQ(request.Value("aid"), "a&b c");
    }
  }
  EXPECT_EQ(tracked, 6);

  EXPECT_EQ(Value(kOrlentKey, "UserEmail"), "anna@example.com");
  EXPECT_EQ(Value(kOrlentKey, "UserFirstName"), "Anna");
  EXPECT_EQ(Value(kOrlentKey, "MainInstallerName"), "Orlent");
  EXPECT_EQ(Value(kOrlentKey, "InstallDate").size(), 19u);
  EXPECT_EQ(Value("HKEY_LOCAL_MACHINE\\Software\\Sweeple", "MainInstallerName"), "Orlent");
  EXPECT_EQ(Value(kOrlentKey, "Tandem"), "Error") << "an empty reply deletes the value";
}

TEST_F(FlowTest, EachMainApplicationIsOfferedTheOtherTwoInOrder) {
  for (const auto& [app, first, second] :
       {std::tuple{"SW", "OL", "PT"}, std::tuple{"PT", "OL", "SW"}, std::tuple{"OL", "SW", "PT"}}) {
    SCOPED_TRACE(app);
    const RunResult run = Run(std::string("/app=") + app + " /language=en",
                              "click cmdSkip\nclick cmdDecline\nclick cmdDecline\n");
    ASSERT_EQ(run.status, 0) << run.scriptError;
    EXPECT_EQ(run.Actions(), (Actions{"Newsletter_Displayed", "Newsletter_Declined",
                                      std::string(first) + "_Tandem_Displayed",
                                      std::string(first) + "_Tandem_Declined",
                                      std::string(second) + "_Tandem_Displayed",
                                      std::string(second) + "_Tandem_Declined"}));
  }
}

TEST_F(FlowTest, InstalledProductsAreSkippedWithoutScreenOrEvent) {
  Install("SW");
  const RunResult one = Run("/app=OL /language=en", "click cmdSkip\nclick cmdDecline\n");
  ASSERT_EQ(one.status, 0) << one.scriptError;
  EXPECT_EQ(one.Actions(), (Actions{"Newsletter_Displayed", "Newsletter_Declined",
                                    "PT_Tandem_Displayed", "PT_Tandem_Declined"}));

  Install("PT");
  Set(kOrlentKey, "Tandem", "");
  const RunResult none = Run("/app=OL /language=en", "click cmdSkip\n");
  ASSERT_EQ(none.status, 0) << none.scriptError;
  EXPECT_EQ(none.Actions(), (Actions{"Newsletter_Displayed", "Newsletter_Declined"}));
  EXPECT_FALSE(none.Has("show frmBundle"));
  EXPECT_EQ(Value(kOrlentKey, "Tandem"), "Error") << "the reply is still stored";
}

TEST_F(FlowTest, SalesAccountShowsExactlyOneOfferWithTheFirewallWindow) {
  Install("SW");  // offered all the same
  const RunResult run = Run("/app=OL /language=en /sacc=sw",
                            "tick chkBundleInstall\nclick cmdAccept\nclick cmdClose\n");
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_EQ(run.Actions(),
            (Actions{"Newsletter_Declined", "SW_Pavane_Displayed", "SW_Pavane_Accepted"}));
  EXPECT_FALSE(run.Has("show frmEmail")) << "the newsletter is never shown";
  EXPECT_TRUE(run.Has("show frmFirewallCross modal=yes owner=frmBundle"));
  EXPECT_TRUE(
      run.Has("FirewallCross.htm?application=sw&installerexe=\"Fetchwick.exe\"&scaling=100"));
  EXPECT_EQ(Value(kOrlentKey, "Tandem"), "") << "no reply in this mode";
}

// Only a code naming a product makes a sales-account run; any other runs as
// without the switch, and the transcript says so once.
TEST_F(FlowTest, AnUnusableSalesAccountCodeRunsAsWithoutIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"/app=OL /language=en /sacc=", ""},
      {"/app=OL /language=en /sacc=zz", ""},
      {"/app=OL /language=de-de /sacc=sw", "answer OK\nclick cmdSelect\n"},  // not read
  };
  for (const auto& [switches, before] : cases) {
    SCOPED_TRACE(switches);
    const RunResult run = Run(
        switches, std::string(before) + "click cmdSkip\n" + "click cmdDecline\nclick cmdDecline\n");
    ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
    EXPECT_EQ(run.Actions(),
              (Actions{"Newsletter_Displayed", "Newsletter_Declined", "SW_Tandem_Displayed",
                       "SW_Tandem_Declined", "PT_Tandem_Displayed", "PT_Tandem_Declined"}));
    const std::size_t notice = run.transcript.find("notice \"the sales-account");
    EXPECT_NE(notice, std::string::npos);
    EXPECT_EQ(run.transcript.find("notice \"the sales-account", notice + 1), std::string::npos);
  }
}

// An application that is none of the three has no registry key: no message
// for it (the installation's registry fails the test on any), and its events
// go to the server base.
TEST_F(FlowTest, AnUnknownApplicationReportsWithoutAProductPath) {
  Install("SW");
  Install("PT");
  for (const auto& [switches, boxes] :
       {std::pair{"/app=zz /language=en", 0}, std::pair{"/app=xyz /language=en", 1}}) {
    SCOPED_TRACE(switches);
    // The parse ends at "app=xyz": the language is then the user's choice.
    const RunResult run = Run(switches, std::string(boxes ? "answer OK\nclick cmdSelect\n" : "") +
                                            "click cmdSkip\nclick cmdDecline\n");
    ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
    std::size_t messages = 0;
    for (std::size_t at = run.transcript.find("\nmessage "); at != std::string::npos;
         at = run.transcript.find("\nmessage ", at + 1)) {
      ++messages;
    }
    EXPECT_EQ(messages, static_cast<std::size_t>(boxes));
    EXPECT_TRUE(run.Has("notice \"the application code"));
    ASSERT_FALSE(run.requests.empty());
    for (const std::string& url : run.requests) {
      if (url.find("tr.asp?") != std::string::npos) {
        EXPECT_EQ(url.rfind(install_.Server().BaseUrl() + "/tr.asp?", 0), 0u) << url;
      }
    }
  }
  EXPECT_EQ(ServerRequests(1).front().path, "/tr.asp");
}

// The firewall notice could not be set up: the run ends there, with nothing
// downloaded, marked or reported for the offer.
TEST_F(FlowTest, AFirewallNoticeThatCannotBeSetUpEndsTheRun) {
  const std::string file = root_ + "/PV/localized/en/Language.inx";
  std::string text;
  std::string message;
  ASSERT_TRUE(platform::ReadUTF8File(file, text, message, false, false, true)) << message;
  text = platform::ReplaceAll(text, "PV_frmFirewallCross]]", "PV_frmFirewallGone]]");
  ASSERT_TRUE(platform::SaveUTF8File(file, text, message, true)) << message;

  const RunResult run =
      Run("/app=OL /language=en /sacc=sw", "tick chkBundleInstall\nclick cmdAccept\nanswer OK\n");
  EXPECT_EQ(run.status, 1) << run.scriptError << run.transcript;
  EXPECT_TRUE(run.Has("message \"Form FirewallCross Error\""));
  EXPECT_EQ(run.Actions(), (Actions{"Newsletter_Declined", "SW_Pavane_Displayed"}));
  EXPECT_EQ(Value("HKEY_LOCAL_MACHINE\\Software\\Sweeple", "MainInstallerName"), "Error");
  EXPECT_FALSE(std::filesystem::exists(root_ + "/downloader.txt"));
}

// The session ends the program (logout, Ctrl+C, a closed terminal) wherever
// it is: it ends as a closed window does, with the reply stored, nothing
// new shown or started, and what was already decided reported.
TEST_F(FlowTest, ASignalEndsTheRunAsAClosedWindow) {
  struct Case {
    const char* label;
    const char* switches;
    const char* script;
    Actions actions;
  };
  const Case cases[] = {
      {"on the newsletter",
       "/app=OL /language=en",
       "fill txtFirstName Anna\nsignal TERM\n",
       {"Newsletter_Displayed", "Newsletter_Declined"}},
      {"at the firewall message",
       "/app=OL /language=en",
       "click cmdSkip\ntick chkBundleInstall\nclick cmdAccept\nsignal HUP\n",
       {"Newsletter_Displayed", "Newsletter_Declined", "SW_Tandem_Displayed"}},
      {"on the language choice", "/app=OL /language=xx", "signal INT\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Set(kOrlentKey, "Tandem", "");
    const RunResult run = Run(c.switches, c.script);
    EXPECT_EQ(run.status, 0) << run.scriptError << run.transcript;
    EXPECT_EQ(run.Actions(), c.actions);
    EXPECT_TRUE(run.Has("notice \"the session asked the program to end"));
    EXPECT_FALSE(run.Has("show frmSpamInfo"));
    EXPECT_EQ(Value(kOrlentKey, "Tandem"), "Error") << "the reply is stored";
    EXPECT_EQ(Value("HKEY_LOCAL_MACHINE\\Software\\Sweeple", "MainInstallerName"), "Error");
  }
}

TEST_F(FlowTest, OnlyEmailEndsTheRunAfterTheNewsletter) {
  Set(kOrlentKey, "Tandem", "something");
  const RunResult run = Run("/app=OL /language=en /onlyemail", "click cmdSkip\n");
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_EQ(run.Actions(), (Actions{"Newsletter_Displayed", "Newsletter_Declined"}));
  EXPECT_FALSE(run.Has("frmSpamInfo"));
  EXPECT_FALSE(run.Has("frmBundle"));
  EXPECT_EQ(Value(kOrlentKey, "Tandem"), "Error");
}

TEST_F(FlowTest, ASecondCopyEndsSilently) {
  const auto first = os::InstanceLock::TryAcquire("instance");
  ASSERT_TRUE(first && first->held());
  const RunResult run = Run("/app=OL /language=en", "");
  EXPECT_EQ(run.status, 0) << run.scriptError;
  EXPECT_TRUE(run.requests.empty());
  EXPECT_FALSE(run.Has("show "));
  EXPECT_EQ(Value(kOrlentKey, "MainInstallerName"), "Error");
}

TEST_F(FlowTest, AScriptThatFailsEndsTheRunWhereItStands) {
  // The user clicks on while the firewall notice waits for its answer.
  const RunResult run =
      Run("/app=OL /language=en",
          "fill txtEmailAddr anna@example.com\n"
          "fill txtEmailConfirm anna@example.com\nclick cmdNext\nclick cmdSkip\n");
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.scriptError.find("script line 4"), std::string::npos) << run.scriptError;
  EXPECT_EQ(run.Actions(), Actions{"Newsletter_Displayed"}) << "nothing is reported after it";
  EXPECT_FALSE(run.Has("show frmBundle")) << "nothing opens after it";
}

TEST_F(FlowTest, AFirstNameCannotSwitchTheMode) {
  const RunResult run = Run("/app=OL /language=en",
                            "fill txtFirstName sacc=pt onlyemail\nclick cmdNext\n"
                            "click cmdDecline\nclick cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_EQ(run.Actions(),
            (Actions{"Newsletter_Displayed", "Newsletter_Declined", "SW_Tandem_Displayed",
                     "SW_Tandem_Declined", "PT_Tandem_Displayed", "PT_Tandem_Declined"}));
}

TEST_F(FlowTest, AddressAtAKnownProviderBringsTheNotSpamNotice) {
  // Saved by a Linux editor in other letters; found, and loaded as it is named.
  const std::string pages = install_.OwnPages() + "/Pavane/localized/de/";
  std::filesystem::rename(pages + "NotSpam.htm", pages + "notspam.htm");
  const RunResult run = Run("/app=OL /language=de",
                            "fill txtEmailAddr anna@googlemail.com\n"
                            "fill txtEmailConfirm anna@googlemail.com\nclick cmdNext\nanswer OK\n"
                            "click cmdNext\nclick cmdDecline\nclick cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_TRUE(run.Has("/de/notspam.htm?application=OL&mailprovider=Gmail&scaling=100&language=de"));
  EXPECT_TRUE(run.Has("show frmSpamInfo modal=no"));
  EXPECT_TRUE(run.Has("topmost frmSpamInfo on"));
  EXPECT_EQ(run.Actions().size(), 6u) << "the notice reports nothing";
}

TEST_F(FlowTest, DecliningTheSalesAccountOfferEndsTheRun) {
  const RunResult run = Run("/app=SW /language=en /sacc=pt", "click cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_EQ(run.Actions(),
            (Actions{"Newsletter_Declined", "PT_Pavane_Displayed", "PT_Pavane_Declined"}));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/downloader.txt")) << "nothing was started";
}

}  // namespace
}  // namespace pavane::flows
