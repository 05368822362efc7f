// The program's own Linux conventions, run as a user would run them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "pavane/build_config.h"
#include "support/child_process.h"

namespace pavane {
namespace {

using testing::RunProgram;

TEST(Program, PrintSettingsShowsWhatTheSwitchesMeanWithoutRunning) {
  const auto run =
      RunProgram(PAVANE_PROGRAM, {"--print-settings", "/app=ol", "/language=de-de", "/sacc=x"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["result"], false);
  EXPECT_EQ(json["message"],
            "Error processing command line argument: language=de-de  -- using default values");
  EXPECT_EQ(json["MainAppIndex"], 1);
  EXPECT_EQ(json["CommandLineText"], "/app=ol /language=de-de /sacc=x");
  EXPECT_EQ(json["ProductionMode"], true);
  EXPECT_EQ(json["HtmlScreensFolder"], json["ParentFolder"].get<std::string>() + "HTML Screens/");
}

TEST(Program, HelpAndVersionAnswerBeforeTheSwitchGrammar) {
  const auto help = RunProgram(PAVANE_PROGRAM, {"--help"});
  EXPECT_EQ(help.exitCode, 0);

  const auto version = RunProgram(PAVANE_PROGRAM, {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, std::string("pavane ") + build::kVersionText + "\n");
}

}  // namespace
}  // namespace pavane
