// Every path through the newsletter screen, with the reference server's
// validation service answering by the address's domain.
#include <gtest/gtest.h>

#include "flows/flow_fixture.h"

namespace pavane::flows {
namespace {

using Actions = std::vector<std::string>;

// Types an address twice and presses Next.
std::string Enter(const std::string& address, const std::string& confirmation = "") {
  return "fill txtFirstName Anna\nfill txtEmailAddr " + address + "\nfill txtEmailConfirm " +
         (confirmation.empty() ? address : confirmation) + "\nclick cmdNext\n";
}

constexpr const char* kDeclineOffers = "click cmdDecline\nclick cmdDecline\n";
constexpr const char* kTitle = "\"Orlent Setup (Norvale Software, LLC)\"";

TEST_F(FlowTest, EmptyAddressDeclinesWhateverElseWasTyped) {
  const RunResult run = Run("/app=OL /language=en",
                            "fill txtFirstName Anna\nfill txtEmailConfirm x@y.example\n"
                            "click cmdNext\n" +
                                std::string(kDeclineOffers));
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_EQ(run.Actions()[1], "Newsletter_Declined");
  EXPECT_EQ(Value(kOrlentKey, "UserEmail"), "Error");
}

TEST_F(FlowTest, MissingOrDifferentConfirmationAsksAgainWithoutARequest) {
  const RunResult run =
      Run("/app=OL /language=en",
          "fill txtEmailAddr anna@unverified.example\nclick cmdNext\nanswer OK\n"
          "fill txtEmailConfirm other@unverified.example\nclick cmdNext\nanswer OK\n"
          "fill txtEmailConfirm ANNA@unverified.example \nclick cmdNext\n" +
              std::string(kDeclineOffers));
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_TRUE(run.Has(std::string("message ") + kTitle +
                      " style=48 \"Please type your e-mail address a second time"));
  EXPECT_TRUE(run.Has("focus frmEmail txtEmailConfirm"));
  EXPECT_TRUE(run.Has(std::string("message ") + kTitle +
                      " style=48 \"The two e-mail addresses you entered do not match."));
  EXPECT_TRUE(run.Has("focus frmEmail txtEmailAddr"));
  EXPECT_FALSE(run.Has("style=64")) << "an unvalidated address brings no firewall alert";
  EXPECT_EQ(Value(kOrlentKey, "UserEmail"), "anna@unverified.example");
}

TEST_F(FlowTest, ValidatedAddressBringsTheFirewallAlertThenTheSignUp) {
  const RunResult run =
      Run("/app=OL /language=en", Enter("Anna+News@Example.com") + "answer OK\n" + kDeclineOffers);
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_TRUE(run.Has(std::string("message ") + kTitle +
                      " style=64 \"Your firewall may now ask whether pavane is allowed"));

  std::string signUp;
  for (const std::string& url : run.requests) {
    if (url.find("/installer_email.asp?") != std::string::npos) signUp = url;
  }
  EXPECT_EQ(signUp.rfind(install_.Server().BaseUrl() +
                             "/ol/installer_email.asp?email=anna%2Bnews%40example.com"
                             "&firstname=Anna&language=en&source=Installer&application=OL&aid=",
                         0),
            0u)
      << signUp;
  EXPECT_EQ(run.Actions()[1], "Newsletter_Accepted");
  EXPECT_EQ(Value(kOrlentKey, "UserEmail"), "anna+news@example.com");
  EXPECT_EQ(Value(kOrlentKey, "UserFirstName"), "Anna");

  bool arrived = false;
  for (const auto& request : ServerRequests(4)) {
    if (request.path == "/ol/installer_email.asp") {
      arrived = request.Value("email") == "anna+news@example.com";
    }
  }
  EXPECT_TRUE(arrived);
}

TEST_F(FlowTest, UnvalidatedOrUnusableAnswersAcceptTheAddressQuietly) {
  for (const char* address : {"anna@unverified.example", "anna@nomarker.example"}) {
    SCOPED_TRACE(address);
    const RunResult run = Run("/app=OL /language=en", Enter(address) + kDeclineOffers);
    ASSERT_EQ(run.status, 0) << run.scriptError;
    EXPECT_FALSE(run.Has("message "));
    EXPECT_EQ(run.Actions()[1], "Newsletter_Accepted");
    EXPECT_EQ(Value(kOrlentKey, "UserEmail"), address);
  }
}

TEST_F(FlowTest, RejectionsAskForACorrectionThenLetTheUserInsist) {
  const RunResult run = Run("/app=OL /language=en",
                            Enter("anna@invalid.example") + "answer OK\n" +  // first: correct it
                                "click cmdNext\nanswer Yes\n" +              // second: try again
                                "click cmdNext\nanswer No\n" +               // third: keep it
                                kDeclineOffers);
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  // Both messages put one blank between the label and the reason.
  const std::pair<const char*, const char*> messages[] = {{"48", "Please correct"},
                                                          {"52", "Would you like"}};
  for (const auto& [style, tail] : messages) {
    EXPECT_TRUE(run.Has(std::string("message ") + kTitle + " style=" + style +
                        " \"The e-mail address you entered could not be accepted.\\n"
                        "\\nReason: The address does not exist.\\n\\n" +
                        tail))
        << style;
  }
  EXPECT_EQ(run.Actions()[1], "Newsletter_Accepted");
  EXPECT_EQ(Value(kOrlentKey, "UserEmail"), "anna@invalid.example");
}

TEST_F(FlowTest, JapaneseRejectionShowsTheErrorCode) {
  const RunResult run =
      Run("/app=OL /language=ja",
          Enter("anna@invalid.example") + "answer OK\nclick cmdSkip\n" + kDeclineOffers);
  ASSERT_EQ(run.status, 0) << run.scriptError;
  EXPECT_TRUE(run.Has("ERR_CODE:0101\\n\\n")) << run.transcript;
  EXPECT_FALSE(run.Has("The address does not exist."));
}

}  // namespace
}  // namespace pavane::flows
