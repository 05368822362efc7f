// Links in the pages: legal documents in their own cascading windows, web
// links in the user's browser.
#include <gtest/gtest.h>

#include <sstream>

#include "flows/flow_fixture.h"

namespace pavane::flows {
namespace {

constexpr const char* kThenSkipAll = "click cmdSkip\nclick cmdDecline\nclick cmdDecline\n";

TEST_F(FlowTest, LegalDocumentsCascadeInTheirOwnWindows) {
  const RunResult run =
      Run("/app=SW /language=en",
          std::string("follow vblink/terms.htm\n"  // a document we do not have
                      "follow vblink/license.htm\n"
                      "follow vblink/disclosures.htm\n"  // from inside the first document
                      "click cmdOK\n"
                      "follow vblink/privacy.htm\n"  // the first opens another again
                      "click cmdOK\nclick cmdOK\n") +
              kThenSkipAll);
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;

  EXPECT_TRUE(run.Has("title frmShowLinks \"Sweeple - End User License Agreement\""));
  EXPECT_TRUE(run.Has("title frmShowLinks \"Sweeple - Disclosures\""));
  EXPECT_TRUE(run.Has("/HTML%20Screens/Legal%20Files/SW/shared/license.htm?App=SW&scaling=100"));
  EXPECT_TRUE(run.Has("/Legal%20Files/SW/en/disclosures.htm?App=SW&scaling=100"));
  EXPECT_TRUE(run.Has("/Legal%20Files/Shared/en/privacy.htm?App=SW&scaling=100"));
  EXPECT_TRUE(run.Has("show frmShowLinks modal=yes owner=frmEmail"));

  // 15 and 30 pixels of 15 twips for each window already open.
  std::vector<std::string> moves;
  std::istringstream lines(run.transcript);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("move frmShowLinks", 0) == 0) moves.push_back(line);
  }
  ASSERT_EQ(moves.size(), 3u) << run.transcript;
  EXPECT_EQ(moves[0], "move frmShowLinks 0 0");
  EXPECT_EQ(moves[1], "move frmShowLinks 225 450");
  EXPECT_EQ(moves[2], "move frmShowLinks 225 450") << "the counter went back down";
  // A document's own load is no link click: one window per followed link.
  std::size_t windows = 0;
  for (std::size_t at = run.transcript.find("show frmShowLinks"); at != std::string::npos;
       at = run.transcript.find("show frmShowLinks", at + 1)) {
    ++windows;
  }
  EXPECT_EQ(windows, 3u) << "none for the document we do not have";
}

TEST_F(FlowTest, WebLinksOpenInTheUsersBrowser) {
  const RunResult run =
      Run("/app=OL /language=de", std::string("follow https://www.norvale.example/support\n"
                                              "follow https://other.example/page\n") +
                                      kThenSkipAll);
  ASSERT_EQ(run.status, 0) << run.scriptError << run.transcript;
  EXPECT_TRUE(
      run.Has("browser https://www.norvale.example/support?language=de&app=OL&scaling=100"));
  EXPECT_TRUE(run.Has("browser https://other.example/page\n"));
}

TEST_F(FlowTest, PrintUsesTheRegisteredCommandOrThePagesOwnDialog) {
  const std::string printDocument =
      std::string("follow vblink/license.htm\nclick cmdPrint\nclick cmdOK\n") + kThenSkipAll;
  const RunResult own = Run("/app=SW /language=en", printDocument);
  ASSERT_EQ(own.status, 0) << own.scriptError << own.transcript;
  EXPECT_TRUE(own.Has("print frmShowLinks.WebBrowser1"));

  // The registered command is taken in lower case, as it always was; the
  // program is still found (here the downloader's stand-in, which records).
  const std::string printer = root_ + "/PV/Fetchwick.exe";
  Set("HKEY_CLASSES_ROOT\\htmlfile\\shell\\print\\command", "", "\"" + printer + "\" \"%1\"");
  const RunResult registered = Run("/app=SW /language=en", printDocument);
  ASSERT_EQ(registered.status, 0) << registered.scriptError;
  EXPECT_FALSE(registered.Has("print frmShowLinks")) << "no dialog";
  EXPECT_EQ(DownloaderArguments(),
            (std::vector<std::string>{
                printer, "file://" + dir_.path().string() +
                             "/Maker%20Apps%20%3F%23%25/HTML%20Screens/Legal%20Files/SW/shared/"
                             "license.htm?App=SW"}))
      << "started without a shell, the document as one argument";
}

}  // namespace
}  // namespace pavane::flows
