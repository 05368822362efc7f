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
    ApplicationProfile& profile = run().Profile;
    profile.ProductKeyName = "Orlent";
    profile.ServerBaseUrl = "http://dl.example/ol";
    profile.DownloaderName = "/Fetchwick.exe";
    profile.TandemInstallerNames[2] = "SweepleSetup.exe";
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

// The common command lines, test mode and the sales account's included, are
// checked by the whole-run tests, and so is marking a missing or foreign
// value; here the cases those runs do not reach.
TEST_F(DownloaderTest, CasesTheWholeRunsDoNotReach) {
  test_.store().CreateKey("HKEY_LOCAL_MACHINE", "Software\\Sweeple");
  test_.store().WriteValue("HKEY_LOCAL_MACHINE", "Software\\Sweeple", "MainInstallerName",
                           " Orlent ");
  MarkOfferedProduct(run(), PlanDownload(run(), "/p"));
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), " Orlent ")
      << "a value that reads as the main application is left";
  EXPECT_EQ(FirewallMessage("Allow >>>gsAppSetup} now; >>>gsAppSetup} again."),
            "Allow \"Fetchwick.exe\" now; \"Fetchwick.exe\" again.");
  // A production run without a folder looks beside the running program.
  EXPECT_EQ(PlanDownload(run()).downloaderPath,
            platform::GetParentFolder(os::CurrentProgramPath(), 1) + "Fetchwick.exe");

  run().Settings.ShownAppCode = "PT";
  EXPECT_EQ(PlanDownload(run(), "/p").productKeyName, "Patchory")
      << "without the hyphen of the updater's own key";

  // Only the main application's path code is replaced; a run for an
  // application we do not know reports to the bare base.
  run().Settings.ShownAppCode = "SW";
  run().Settings.MainAppCode = "zz";
  run().Profile.ServerBaseUrl = "http://127.0.0.1:4367";
  EXPECT_EQ(PlanDownload(run(), "/p").commandLine,
            R"("/p/Fetchwick.exe" /Execute /http=http:\\127.0.0.1:4367\sw\SweepleSetup.exe)"
            " /target=" +
                temp_ + "/SweepleSetup.exe /sacc=SW /app=zz /language=en");
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
