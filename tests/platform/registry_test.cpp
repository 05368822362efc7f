#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_run.h"

namespace pavane::platform {
namespace {

using pavane::testing::TempDir;

constexpr const char* kOrlent = "HKEY_LOCAL_MACHINE\\Software\\Orlent";

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() {
    EXPECT_EQ(test_.store().CreateKey("HKEY_LOCAL_MACHINE", "Software\\Orlent"),
              os::StoreStatus::kOk);
  }

  void Store(const std::string& name, const std::string& data) {
    ASSERT_EQ(test_.store().WriteValue("HKEY_LOCAL_MACHINE", "Software\\Orlent", name, data),
              os::StoreStatus::kOk);
  }

  pavane::testing::TestRun test_;
  std::vector<std::string>& messages_ = test_.messages;
  Registry& registry_ = test_.run.Registry;
};

TEST_F(RegistryTest, ParseKeySplitsRootAndSubKeyOrShowsTheFormatMessage) {
  std::string path = kOrlent;
  EXPECT_EQ(registry_.ParseKey(path), 0x80000002u);
  EXPECT_EQ(path, "Software\\Orlent");

  for (const std::string quiet : {"HKEY_UNKNOWN\\Software", ""}) {
    path = quiet;
    EXPECT_EQ(registry_.ParseKey(path), 0u) << "not a root, or no key at all: no message";
    EXPECT_TRUE(messages_.empty());
  }

  for (const std::string bad :
       {"hkey_local_machine\\x", "Software\\x", "HKEY_LOCAL_MACHINE\\Software\\"}) {
    messages_.clear();
    path = bad;
    EXPECT_EQ(registry_.ParseKey(path), 0u) << bad;
    EXPECT_EQ(path, bad) << "a malformed path is left as it was";
    EXPECT_EQ(messages_, std::vector<std::string>{"Incorrect Format:\n\n'" + bad + "'"});
  }
}

TEST_F(RegistryTest, ReadsGiveErrorForAnythingUnreadable) {
  Store("Present", "yes");
  EXPECT_EQ(registry_.GetStringValue(kOrlent, "present"), "yes");
  EXPECT_EQ(registry_.GetStringValue(kOrlent, "Absent"), "Error");
  EXPECT_EQ(registry_.GetStringValue("HKEY_LOCAL_MACHINE\\Software\\Nobody", "Present"), "Error");
  EXPECT_EQ(registry_.LastCode(), os::StoreStatus::kNotFound);
  EXPECT_EQ(registry_.GetStringValue("HKEY_UNKNOWN\\Software\\Orlent", "Present"), "");
  EXPECT_EQ(registry_.GetStringValue("Software\\Orlent", "Present"), "");
  EXPECT_EQ(messages_.size(), 1u);
  // A store that cannot be used reads as "Error" too: the whole-run tests.
}

TEST_F(RegistryTest, ReadsAreTrimmedCutAtNulAndLimitedTo255Characters) {
  std::string umlauts;
  for (int i = 0; i < 255; ++i) umlauts += "ü";
  const struct {
    const char* what;
    std::string stored;
    std::string read;
  } cases[] = {
      {"255 characters", std::string(255, 'a'), std::string(255, 'a')},
      {"256 characters", std::string(256, 'a'), "Error"},
      {"255 characters, not bytes", umlauts, umlauts},
      {"256 umlauts", umlauts + "ü", "Error"},
      {"only U+0020 is a blank", "\tx\t", "\tx\t"},
      {"the blank before the NUL survives the trim", std::string(" ab \0 x ", 8), "ab "},
      {"only blanks", "    ", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Store("Value", c.stored);
    EXPECT_EQ(registry_.GetStringValue(kOrlent, "Value"), c.read);
  }
}

TEST_F(RegistryTest, ValuesOfOneDecisionAreWrittenTogetherIntoAnExistingKey) {
  EXPECT_TRUE(registry_.SetStringValues(kOrlent, {{"UserEmail", "a@b.example"}, {"Name", "A"}}));
  EXPECT_EQ(registry_.GetStringValue(kOrlent, "UserEmail"), "a@b.example");
  EXPECT_EQ(registry_.GetStringValue(kOrlent, "Name"), "A");
  const std::string nobody = "HKEY_LOCAL_MACHINE\\Software\\Nobody";
  EXPECT_FALSE(registry_.SetStringValues(nobody, {{"a", "1"}}));
  registry_.SetStringValue(nobody, "b", "2");
  EXPECT_EQ(registry_.GetStringValue(nobody, "a") + registry_.GetStringValue(nobody, "b"),
            "ErrorError")
      << "a missing key is not made by a write";
  EXPECT_TRUE(messages_.empty()) << "a missing key is not news to the user";
}

// A store another program cannot let us write: reads go on, each reason is
// told once however many writes fail, and nothing stored before is lost.
TEST(RegistryRefusal, RefusedWritesAreToldOncePerReason) {
  TempDir dir;
  const std::string path = dir.File("registry.db");
  {
    os::SqliteRegistryStore writable(path);
    ASSERT_EQ(writable.Apply({{"HKEY_LOCAL_MACHINE", "Software\\Orlent", "Language", "de"}}),
              os::StoreStatus::kOk);
  }
  std::filesystem::create_directory(path + "-wal");
  std::filesystem::create_directory(path + "-shm");
  os::SqliteRegistryStore readOnly(path);
  std::vector<std::string> messages;
  Registry registry(readOnly, [&](const std::string& text) { messages.push_back(text); });
  EXPECT_EQ(registry.GetStringValue(kOrlent, "Language"), "de");
  EXPECT_FALSE(registry.SetStringValues(kOrlent, {{"UserEmail", "x"}, {"Language", "fr"}}));
  registry.SetStringValue(kOrlent, "Language", "fr");
  registry.DeleteValue(kOrlent, "Language");
  EXPECT_EQ(registry.LastCode(), os::StoreStatus::kUnwritable);
  EXPECT_EQ(registry.GetStringValue(kOrlent, "Language"), "de");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("can be read but not written"), std::string::npos) << messages[0];
}

// That writes never create keys, CreateKey does and deletes are quiet is
// checked where the program relies on it (registry flags, the downloader).

}  // namespace
}  // namespace pavane::platform
