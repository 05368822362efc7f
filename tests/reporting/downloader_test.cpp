#include "reporting/downloader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "os/process.h"
#include "platform/system_helpers.h"
#include "support/elapsed.h"
#include "support/test_run.h"

namespace pavane::reporting {
namespace {

using pavane::testing::ReadBytes;
using pavane::testing::ScopedEnv;
using pavane::testing::TempDir;
using pavane::testing::TestRun;

class DownloaderTest : public ::testing::Test {
 protected:
  DownloaderTest() {
    RunSettings& settings = run().Settings;
    settings.MainAppCode = "OL";
    settings.ShownAppCode = "SW";
    settings.LanguageCode = "en";
    settings.ParentFolder = "/opt/Maker Apps/";
    ApplicationProfile& profile = run().Profile;
    profile.ProductKeyName = "Orlent";
    profile.ServerBaseUrl = "http://dl.example/ol";
    profile.DownloaderName = "/Fetchwick.exe";
    profile.TandemInstallerNames[2] = "SweepleSetup.exe";
    profile.PavaneInstallerNames[2] = "SweepleWeb.exe";
    profile.SaccInputFileUrls[2] = "http://files.example/sw/input/sw/SweepleWeb.exe";
  }

  pavane::Run& run() { return test_.run; }
  std::string RawValue(const std::string& subkey, const std::string& name) {
    std::string data;
    test_.store().ReadValue("HKEY_LOCAL_MACHINE", subkey, name, data);
    return data;
  }

  TempDir tempDir_;  // private: the downloads go right into it
  const std::string temp_ = tempDir_.path().string();
  ScopedEnv tempEnv_{"Temp", temp_.c_str()};
  TestRun test_;
};

// The common command lines are checked by the whole-run tests; here the
// cases those runs do not reach.
TEST_F(DownloaderTest, PlanForTheUpdaterAndSalesAccountTestMode) {
  run().Settings.ShownAppCode = "PT";
  DownloadPlan plan = PlanDownload(run(), "/p/");
  EXPECT_EQ(plan.productKeyName, "Patchory") << "without the hyphen of the updater's own key";
  EXPECT_EQ(plan.downloaderPath, "/p/Fetchwick.exe");

  run().Settings.ShownAppCode = "SW";
  run().Settings.SaccCode = "sw";
  run().Settings.TestMode = true;
  plan = PlanDownload(run(), "/opt/Maker Apps/PV");
  EXPECT_TRUE(plan.pavaneMode);
  EXPECT_EQ(plan.commandLine, R"("/opt/Maker Apps/PV/Fetchwick.exe" /Verbose /Execute)"
                              R"( /http=http:\\files.example\sw\test\input\sw\test\SweepleWeb.exe)"
                              R"( /target=)" +
                                  temp_ + "/SweepleWeb.exe /sacc=SW /app=OL /language=en /K2619")
      << "every /sw/ gets test/ after it";
}

TEST_F(DownloaderTest, OnlyTheMainApplicationsPathCodeIsReplaced) {
  const std::pair<const char*, const char*> bases[] = {
      {"http://dl.example/ol", "http://dl.example/sw/SweepleSetup.exe"},
      // A run for an application we do not know reports to the bare base.
      {"http://127.0.0.1:4367", "http://127.0.0.1:4367/sw/SweepleSetup.exe"},
      {"https://maker.pt", "https://maker.pt/sw/SweepleSetup.exe"},
  };
  for (const auto& [base, address] : bases) {
    run().Profile.ServerBaseUrl = base;
    run().Settings.MainAppCode = std::string_view(base).ends_with("/ol") ? "OL" : "zz";
    EXPECT_EQ(PlanDownload(run(), "/p").downloadUrl, address) << base;
  }
}

TEST_F(DownloaderTest, ProductionWithoutAFolderLooksBesideTheRunningProgram) {
  run().Settings.ProductionMode = true;
  const std::string ownFolder = platform::GetParentFolder(os::CurrentProgramPath(), 1);
  EXPECT_EQ(PlanDownload(run()).downloaderPath, ownFolder + "Fetchwick.exe");
}

TEST_F(DownloaderTest, FirewallMessageNamesTheDownloader) {
  EXPECT_EQ(FirewallMessage("Allow >>>gsAppSetup} now; >>>gsAppSetup} again."),
            "Allow \"Fetchwick.exe\" now; \"Fetchwick.exe\" again.");
}

TEST_F(DownloaderTest, MarkOfferedProductNamesTheMainApplicationUnlessItReadsSo) {
  const DownloadPlan plan = PlanDownload(run(), "/p");
  MarkOfferedProduct(run(), plan);
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), "Orlent")
      << "missing key is created";
  for (const auto& [stored, expected] :
       {std::pair{std::string("Patchory"), "Orlent"}, std::pair{std::string(300, 'x'), "Orlent"},
        std::pair{std::string(" Orlent "), " Orlent "}}) {
    test_.store().WriteValue("HKEY_LOCAL_MACHINE", "Software\\Sweeple", "MainInstallerName",
                             stored);
    MarkOfferedProduct(run(), plan);
    EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), expected)
        << "an unreadable (Error) value is replaced; one equal as read is left untouched";
  }
}

TEST_F(DownloaderTest, StartDownloaderStartsTheCommandLineWithoutAShell) {
  TempDir dir;
  // A blank and quotes in the folder and a shell-unsafe file name.
  const std::filesystem::path folder = dir.path() / "Program \"Files\"" / "PV";
  std::filesystem::create_directories(folder);
  const std::string record = dir.File("record.txt");
  ScopedEnv recordEnv("PAVANE_STUB_RECORD", record.c_str());
  run().Profile.TandemInstallerNames[2] = "Sweeple;$(x)&Setup.exe";
  const DownloadPlan plan = PlanDownload(run(), folder.string());

  std::string error;
  std::filesystem::copy_file(PAVANE_STUB_DOWNLOADER, folder / "fetchwick.EXE");
  // One that cannot be started is treated as a missing one: nothing marked.
  std::filesystem::permissions(folder / "fetchwick.EXE", std::filesystem::perms::owner_read);
  EXPECT_FALSE(StartDownloader(run(), plan, &error));
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), "") << error;
  std::filesystem::permissions(folder / "fetchwick.EXE", std::filesystem::perms::owner_all);
  ASSERT_TRUE(StartDownloader(run(), plan, &error)) << error;
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), "Orlent");

  ASSERT_TRUE(pavane::testing::WaitFor([&] { return std::filesystem::exists(record); }));
  EXPECT_EQ(ReadBytes(record), plan.downloaderPath + "\n/Execute\n" +
                                   R"(/http=http:\\dl.example\sw\Sweeple;$(x)&Setup.exe)" +
                                   "\n/target=" + temp_ +
                                   "/Sweeple;$(x)&Setup.exe\n/sacc=SW\n/app=OL\n/language=en\n");
}

}  // namespace
}  // namespace pavane::reporting
