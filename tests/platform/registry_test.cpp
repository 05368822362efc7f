#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_run.h"

namespace pavane::platform {
namespace {

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

// Reads give "Error" for anything unreadable and "" for a malformed path;
// a write into a missing key fails quietly: that it makes no key is the
// store's test, and a store that cannot be used or written the whole-run test.
TEST_F(RegistryTest, ReadsAndWritesOfMissingOrMalformedKeys) {
  Store("Present", "yes");
  const std::string nobody = "HKEY_LOCAL_MACHINE\\Software\\Nobody";
  EXPECT_EQ(registry_.GetStringValue(kOrlent, "present"), "yes");
  EXPECT_EQ(registry_.GetStringValue(kOrlent, "Absent"), "Error");
  EXPECT_EQ(registry_.GetStringValue(nobody, "Present"), "Error");
  EXPECT_EQ(registry_.LastCode(), os::StoreStatus::kNotFound);
  EXPECT_EQ(registry_.GetStringValue("HKEY_UNKNOWN\\Software\\Orlent", "Present"), "");
  EXPECT_EQ(registry_.GetStringValue("Software\\Orlent", "Present"), "");
  EXPECT_FALSE(registry_.SetStringValues(nobody, {{"a", "1"}}));
  registry_.SetStringValue(nobody, "b", "2");
  EXPECT_TRUE(registry_.SetStringValues(kOrlent, {{"UserEmail", "a@b.example"}, {"Name", "A"}}));
  EXPECT_EQ(registry_.GetStringValue(kOrlent, "Name"), "A");
  EXPECT_EQ(messages_.size(), 1u) << "only the malformed path is news to the user";
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

}  // namespace
}  // namespace pavane::platform
