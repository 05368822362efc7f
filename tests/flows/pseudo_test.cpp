// The test language xa on every screen: each one opens, takes its texts
// from the language file and shows no error text.
#include <gtest/gtest.h>

#include <sstream>

#include "flows/flow_fixture.h"

namespace pavane::flows {
namespace {

// The lines of the transcript that show a text the language file gives.
std::vector<std::string> ShownTexts(const std::string& transcript) {
  std::vector<std::string> shown;
  std::istringstream lines(transcript);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("title ") || line.starts_with("caption ") ||
        line.starts_with("message ")) {
      shown.push_back(line);
    }
  }
  return shown;
}

TEST_F(FlowTest, EveryScreenRunsInThePseudoLanguage) {
  struct Case {
    const char* switches;
    const char* script;
  };
  const Case cases[] = {
      {"/app=OL",
       "click cmdSelect\n"
       "fill txtFirstName Anna\nfill txtEmailAddr anna@gmail.com\nclick cmdNext\n"
       "answer OK\n"  // the confirmation is missing
       "fill txtEmailConfirm anna@gmail.com\nclick cmdNext\n"
       "answer OK\n"  // the firewall alert
       "click cmdNext\n"
       "follow vblink/disclaimers.htm\nclick cmdOK\n"
       "follow vblink/privacy.htm\nclick cmdOK\n"
       "tick chkBundleInstall\nclick cmdAccept\nanswer OK\nclick cmdDecline\n"},
      {"/app=SW /language=xa /sacc=pt", "tick chkBundleInstall\nclick cmdAccept\nclick cmdClose\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.switches);
    Set(kOrlentKey, "Language", "xa");
    const RunResult run = Run(c.switches, c.script);
    ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
    EXPECT_FALSE(run.Has("Error")) << run.transcript;
    EXPECT_FALSE(run.Has("/localized/shared/")) << "every page from the language's own folder";
    for (const std::string& line : ShownTexts(run.transcript)) {
      EXPECT_NE(line.find('['), std::string::npos) << line;
    }
  }
}

}  // namespace
}  // namespace pavane::flows
