// The chain of screens of whole runs: which screens follow which, which
// offers are made, what reaches the server and the registry.
#include <gtest/gtest.h>

#include <filesystem>

#include "flows/flow_fixture.h"
#include "os/instance_lock.h"

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

  const auto arguments = DownloaderArguments();
  ASSERT_GE(arguments.size(), 3u);
  EXPECT_EQ(arguments[1], "/Verbose");
  EXPECT_EQ(arguments[2], "/Execute");
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

TEST_F(FlowTest, AFirstNameCannotSwitchTheMode) {
  const RunResult run = Run("/app=OL /language=en",
                            "fill txtFirstName sacc=pt onlyemail\nclick cmdNext\n"
                            "click cmdDecline\nclick cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_EQ(run.Actions(),
            (Actions{"Newsletter_Displayed", "Newsletter_Declined", "SW_Tandem_Displayed",
                     "SW_Tandem_Declined", "PT_Tandem_Displayed", "PT_Tandem_Declined"}));
}

TEST_F(FlowTest, AScriptThatRunsOutEndsTheRunWithAnError) {
  const RunResult run = Run("/app=OL /language=en", "click cmdSkip\n");
  EXPECT_EQ(run.status, os::headless::HeadlessWindowSystem::kScriptFailedStatus);
  EXPECT_NE(run.scriptError.find("ran out"), std::string::npos) << run.scriptError;
}

}  // namespace
}  // namespace pavane::flows

namespace pavane::flows {
namespace {

TEST_F(FlowTest, AddressAtAKnownProviderBringsTheNotSpamNotice) {
  const RunResult run = Run("/app=OL /language=de",
                            "fill txtEmailAddr anna@googlemail.com\n"
                            "fill txtEmailConfirm anna@googlemail.com\nclick cmdNext\nanswer OK\n"
                            "click cmdNext\nclick cmdDecline\nclick cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_TRUE(run.Has("NotSpam.htm?application=OL&mailprovider=Gmail&scaling=100&language=de"));
  EXPECT_TRUE(run.Has("show frmSpamInfo modal=no"));
  EXPECT_TRUE(run.Has("topmost frmSpamInfo on"));
  EXPECT_EQ(run.Actions().size(), 6u) << "the notice reports nothing";
}

TEST_F(FlowTest, DecliningTheSalesAccountOfferEndsTheRun) {
  const RunResult run = Run("/app=SW /language=en /sacc=pt", "click cmdDecline\n");
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_EQ(run.Actions(), (std::vector<std::string>{"Newsletter_Declined", "PT_Pavane_Displayed",
                                                     "PT_Pavane_Declined"}));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/downloader.txt")) << "nothing was started";
}

}  // namespace
}  // namespace pavane::flows
