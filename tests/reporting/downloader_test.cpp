#include "reporting/downloader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "os/process.h"
#include "platform/system_helpers.h"
#include "support/test_run.h"

namespace pavane::reporting {
namespace {

using pavane::testing::ReadBytes;
using pavane::testing::ScopedEnv;
using pavane::testing::TempDir;
using pavane::testing::TestRun;

constexpr const char* kSweepleKey = "HKEY_LOCAL_MACHINE\\Software\\Sweeple";

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
    profile.TandemInstallerNames[4] = "PatchorySetup.exe";
    profile.PavaneInstallerNames[2] = "SweepleWeb.exe";
    profile.SaccInputFileUrls[2] = "http://files.example/sw/input/sw/SweepleWeb.exe";
  }

  pavane::Run& run() { return test_.run; }
  std::string RawValue(const std::string& subkey, const std::string& name) {
    std::string data;
    test_.store().ReadValue("HKEY_LOCAL_MACHINE", subkey, name, data);
    return data;
  }

  ScopedEnv temp_{"Temp", "/var/tmp/pv"};
  TestRun test_;
};

TEST_F(DownloaderTest, TandemCommandLines) {
  DownloadPlan plan = PlanDownload(run(), "/opt/Maker Apps/PV");
  EXPECT_EQ(plan.productKeyName, "Sweeple");
  EXPECT_FALSE(plan.pavaneMode);
  EXPECT_EQ(plan.downloadUrl, "http://dl.example/sw/SweepleSetup.exe");
  EXPECT_EQ(plan.targetFile, "/var/tmp/pv/SweepleSetup.exe");
  EXPECT_EQ(plan.downloaderPath, "/opt/Maker Apps/PV/Fetchwick.exe");
  EXPECT_EQ(
      plan.commandLine,
      R"("/opt/Maker Apps/PV/Fetchwick.exe" /Execute /http=http:\\dl.example\sw\SweepleSetup.exe)"
      R"( /target=/var/tmp/pv/SweepleSetup.exe /sacc=SW /app=OL /language=en)");

  run().Settings.TestMode = true;
  plan = PlanDownload(run(), "/opt/Maker Apps/PV/");
  EXPECT_EQ(plan.downloadUrl, "http://dl.example/sw/test/SweepleSetup.exe") << "test mode";
  EXPECT_EQ(
      plan.commandLine,
      R"("/opt/Maker Apps/PV/Fetchwick.exe" /Execute /http=http:\\dl.example\sw\test\SweepleSetup.exe)"
      R"( /target=/var/tmp/pv/SweepleSetup.exe /sacc=SW /app=OL /language=en /K2619)");

  // Another main application: its own path code is the one replaced.
  run().Settings.TestMode = false;
  run().Settings.MainAppCode = "SW";
  run().Settings.ShownAppCode = "PT";
  run().Settings.LanguageCode = "de";
  run().Profile.ServerBaseUrl = "https://dl.example:8443/sw";
  plan = PlanDownload(run(), "/p");
  EXPECT_EQ(plan.productKeyName, "Patchory") << "without the hyphen of the updater's own key";
  EXPECT_EQ(plan.commandLine,
            R"("/p/Fetchwick.exe" /Execute /http=https:\\dl.example:8443\pt\PatchorySetup.exe)"
            R"( /target=/var/tmp/pv/PatchorySetup.exe /sacc=PT /app=SW /language=de)");
}

TEST_F(DownloaderTest, PavaneCommandLines) {
  run().Settings.SaccCode = "sw";
  DownloadPlan plan = PlanDownload(run(), "/opt/Maker Apps/PV");
  EXPECT_TRUE(plan.pavaneMode);
  EXPECT_EQ(plan.commandLine,
            R"("/opt/Maker Apps/PV/Fetchwick.exe" /Verbose /Execute)"
            R"( /http=http:\\files.example\sw\input\sw\SweepleWeb.exe)"
            R"( /target=/var/tmp/pv/SweepleWeb.exe /sacc=SW /app=OL /language=en)");

  run().Settings.TestMode = true;
  plan = PlanDownload(run(), "/opt/Maker Apps/PV");
  EXPECT_EQ(plan.downloadUrl, "http://files.example/sw/test/input/sw/test/SweepleWeb.exe")
      << "every /sw/ gets test/ after it";
  EXPECT_EQ(plan.commandLine,
            R"("/opt/Maker Apps/PV/Fetchwick.exe" /Verbose /Execute)"
            R"( /http=http:\\files.example\sw\test\input\sw\test\SweepleWeb.exe)"
            R"( /target=/var/tmp/pv/SweepleWeb.exe /sacc=SW /app=OL /language=en /K2619)");
}

TEST_F(DownloaderTest, DownloaderFolders) {
  run().Settings.ProductionMode = false;
  EXPECT_EQ(PlanDownload(run(), "/ignored").downloaderPath, "/opt/Maker Apps/FW/Fetchwick.exe")
      << "development layout: FW beside the program's folder";

  run().Settings.ProductionMode = true;
  run().ProgramFolder = "/srv/pv";
  EXPECT_EQ(PlanDownload(run()).downloaderPath, "/srv/pv/Fetchwick.exe") << "the run's folder";
  run().ProgramFolder.clear();
  const std::string ownFolder = platform::GetParentFolder(os::CurrentProgramPath(), 1);
  EXPECT_EQ(PlanDownload(run()).downloaderPath, ownFolder + "Fetchwick.exe")
      << "production: the running program's folder";
}

TEST_F(DownloaderTest, FirewallMessageNamesTheDownloader) {
  EXPECT_EQ(FirewallMessage("Allow >>>gsAppSetup} now; >>>gsAppSetup} again."),
            "Allow \"Fetchwick.exe\" now; \"Fetchwick.exe\" again.");
}

TEST_F(DownloaderTest, MarkOfferedProduct) {
  const DownloadPlan plan = PlanDownload(run(), "/p");

  MarkOfferedProduct(run(), plan);
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), "Orlent")
      << "missing key is created";

  test_.store().WriteValue("HKEY_LOCAL_MACHINE", "Software\\Sweeple", "MainInstallerName",
                           "Patchory");
  MarkOfferedProduct(run(), plan);
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), "Orlent") << "other value";

  test_.store().WriteValue("HKEY_LOCAL_MACHINE", "Software\\Sweeple", "MainInstallerName",
                           std::string(300, 'x'));
  MarkOfferedProduct(run(), plan);
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), "Orlent")
      << "unreadable (Error) value";

  test_.store().WriteValue("HKEY_LOCAL_MACHINE", "Software\\Sweeple", "MainInstallerName",
                           " Orlent ");
  MarkOfferedProduct(run(), plan);
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), " Orlent ")
      << "equal as read: left untouched";
}

TEST_F(DownloaderTest, StartDownloaderStartsTheCommandLineWithoutAShell) {
  TempDir dir;
  // A blank in the folder and a quote-free but shell-unsafe file name.
  const std::filesystem::path folder = dir.path() / "Program Files" / "PV";
  std::filesystem::create_directories(folder);
  const std::string record = dir.File("record.txt");
  ScopedEnv recordEnv("PAVANE_STUB_RECORD", record.c_str());
  run().Profile.TandemInstallerNames[2] = "Sweeple;$(x)&Setup.exe";
  const DownloadPlan plan = PlanDownload(run(), folder.string());

  std::string error;
  EXPECT_FALSE(StartDownloader(run(), plan, &error)) << "no downloader in the folder";
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(test_.store().KeyExists("HKEY_LOCAL_MACHINE", "Software\\Sweeple"),
            os::StoreStatus::kNotFound)
      << "nothing marked when nothing is started";

  std::filesystem::copy_file(PAVANE_STUB_DOWNLOADER, folder / "fetchwick.EXE");
  ASSERT_TRUE(StartDownloader(run(), plan, &error)) << error;
  EXPECT_EQ(RawValue("Software\\Sweeple", "MainInstallerName"), "Orlent");

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(record) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ReadBytes(record),
            plan.downloaderPath + "\n/Execute\n" +
                R"(/http=http:\\dl.example\sw\Sweeple;$(x)&Setup.exe)" +
                "\n/target=/var/tmp/pv/Sweeple;$(x)&Setup.exe\n/sacc=SW\n/app=OL\n/language=en\n");
}

TEST_F(DownloaderTest, UnknownProductStartsNothing) {
  run().Settings.ShownAppCode = "XX";
  const DownloadPlan plan = PlanDownload(run(), "/p");
  EXPECT_TRUE(plan.productKeyName.empty());
  EXPECT_FALSE(StartDownloader(run(), plan));
  EXPECT_TRUE(test_.messages.empty()) << "no malformed key path was tried";
}

}  // namespace
}  // namespace pavane::reporting
