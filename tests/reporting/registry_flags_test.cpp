#include "reporting/registry_flags.h"

#include <gtest/gtest.h>

#include <ctime>

#include "support/test_run.h"

namespace pavane::reporting {
namespace {

using pavane::testing::TestRun;

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";

class RegistryFlagsTest : public ::testing::Test {
 protected:
  pavane::Run& run() { return test_.run; }
  void Write(const std::string& subkey, const std::string& name, const std::string& data) {
    test_.store().CreateKey(kRoot, subkey);
    test_.store().WriteValue(kRoot, subkey, name, data);
  }
  // The stored text, or "<none>" when the value does not exist.
  std::string Raw(const std::string& subkey, const std::string& name) {
    std::string data;
    return test_.store().ReadValue(kRoot, subkey, name, data) == os::StoreStatus::kOk ? data
                                                                                      : "<none>";
  }

  TestRun test_;
};

TEST_F(RegistryFlagsTest, TandemReplyGoesToTheMainApplicationsKeyUnlessItReadsAsAFailedRead) {
  // A run of the disk-cleaning product's setup.
  run().Profile.ProductKeyName = "Sweeple";
  Write("Software\\Sweeple", "Tandem", "asked");
  Write("Software\\Orlent", "Tandem", "asked");

  StoreTandemReply(run());
  EXPECT_EQ(Raw("Software\\Sweeple", "Tandem"), "<none>") << "no reply: own value deleted";
  EXPECT_EQ(Raw("Software\\Orlent", "Tandem"), "asked") << "no reply: main value untouched";

  Write("Software\\Sweeple", "Tandem", "asked");
  run().Settings.TandemReply = "en";
  StoreTandemReply(run());
  EXPECT_EQ(Raw("Software\\Orlent", "Tandem"), "en") << "reply under Orlent's key";
  EXPECT_EQ(Raw("Software\\Sweeple", "Tandem"), "asked") << "own value left with a reply";

  // A missing value is left missing: the whole runs that end on a closed
  // window check it.
  Write("Software\\Orlent", "Tandem", "ERROR");
  SetTandemValue(run(), "Shut Down");
  EXPECT_EQ(Raw("Software\\Orlent", "Tandem"), "ERROR") << "reads like a failed read";
}

TEST_F(RegistryFlagsTest, FirstRunMarks) {
  run().Profile.ProductKeyName = "Orlent";
  const std::time_t before = std::time(nullptr);

  Write("Software\\Orlent", "InstallDate", "2001-02-03 04:05:06");
  Write("Software\\Orlent", "MainInstallerName", "Orlent");
  UpdateFirstRunMarks(run());
  EXPECT_EQ(Raw("Software\\Orlent", "InstallDate"), "2001-02-03 04:05:06") << "already ours";

  Write("Software\\Orlent", "MainInstallerName", "orlent");
  UpdateFirstRunMarks(run());
  EXPECT_EQ(Raw("Software\\Orlent", "MainInstallerName"), "Orlent") << "compared exactly";
  const std::string date = Raw("Software\\Orlent", "InstallDate");
  std::tm parsed{};
  ASSERT_NE(strptime(date.c_str(), "%Y-%m-%d %H:%M:%S", &parsed), nullptr) << date;
  const std::time_t written = timegm(&parsed);
  EXPECT_GE(written, before - 1) << "now, in UTC";
  EXPECT_LE(written, std::time(nullptr) + 1);
}

}  // namespace
}  // namespace pavane::reporting
