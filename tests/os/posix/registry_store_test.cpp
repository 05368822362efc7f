#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "os/posix/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace pavane::os {
namespace {

using pavane::testing::ReadBytes;
using pavane::testing::TempDir;

constexpr const char* kMachine = "HKEY_LOCAL_MACHINE";

TEST(SqliteRegistryStore, NamesCompareWithoutCaseButKeepTheirSpelling) {
  TempDir dir;
  SqliteRegistryStore store(dir.File("registry.db"));
  ASSERT_EQ(store.CreateKey(kMachine, "Software\\Orlent\\Grüße"), StoreStatus::kOk);
  ASSERT_EQ(store.WriteValue("hkey_local_machine", "SOFTWARE\\orlent", "InstallDate", "1"),
            StoreStatus::kOk);
  // A second write under another spelling replaces the data, not the name.
  ASSERT_EQ(store.WriteValue(kMachine, "software\\ORLENT", "INSTALLDATE", "2"), StoreStatus::kOk);

  std::string data;
  EXPECT_EQ(store.ReadValue(kMachine, "Software\\Orlent", "installdate", data), StoreStatus::kOk);
  EXPECT_EQ(data, "2");
  EXPECT_EQ(store.KeyExists(kMachine, "software\\orlent\\GRÜßE"), StoreStatus::kOk)
      << "non-ASCII letters fold too";

  RegistryKeyListing listing;
  ASSERT_EQ(store.ListKey(kMachine, "Software\\Orlent", listing), StoreStatus::kOk);
  ASSERT_EQ(listing.values.size(), 1u);
  EXPECT_EQ(listing.values[0].name, "InstallDate");
}

TEST(SqliteRegistryStore, KeepsDataExactlyAndRefusesMalformedAddresses) {
  TempDir dir;
  SqliteRegistryStore store(dir.File("registry.db"));
  const std::string withNul("a\0b ", 4);
  const std::string largest(kMaxRegistryValueBytes, 'x');
  ASSERT_EQ(store.WriteValue(kMachine, "", "", withNul), StoreStatus::kOk);
  ASSERT_EQ(store.WriteValue(kMachine, "", "big", largest), StoreStatus::kOk);
  std::string data;
  EXPECT_EQ(store.ReadValue(kMachine, "", "", data), StoreStatus::kOk);
  EXPECT_EQ(data, withNul) << "the default value, NUL and blank kept";
  EXPECT_EQ(store.ReadValue(kMachine, "", "big", data), StoreStatus::kOk);
  EXPECT_EQ(data.size(), kMaxRegistryValueBytes);

  EXPECT_EQ(store.WriteValue(kMachine, "", "big", largest + "x"), StoreStatus::kInvalid);
  EXPECT_EQ(store.CreateKey(kMachine, "a\\\\b"), StoreStatus::kInvalid);
  EXPECT_EQ(store.CreateKey(kMachine, std::string(256, 'k')), StoreStatus::kInvalid);
}

TEST(SqliteRegistryStore, MissingFileIsOnlyCreatedByAWrite) {
  TempDir dir;
  const std::string path = dir.File("deeper/still/registry.db");
  SqliteRegistryStore store(path);
  std::string data;
  RegistryKeyListing listing;
  EXPECT_EQ(store.ReadValue(kMachine, "", "x", data), StoreStatus::kNotFound);
  EXPECT_EQ(store.KeyExists(kMachine, "Software"), StoreStatus::kNotFound);
  EXPECT_EQ(store.WriteValue(kMachine, "Software", "x", "1"), StoreStatus::kNotFound)
      << "writes go only into existing keys";
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "deeper"));

  ASSERT_EQ(store.CreateKey(kMachine, "Software"), StoreStatus::kOk);
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  ASSERT_EQ(store.WriteValue(kMachine, "Software", "x", "1"), StoreStatus::kOk);
  SqliteRegistryStore other(path);
  EXPECT_EQ(other.ReadValue(kMachine, "software", "X", data), StoreStatus::kOk);
  EXPECT_EQ(data, "1");
  EXPECT_EQ(store.WriteValue("HKEY_DYN_DATA", "", "x", "1"), StoreStatus::kOk)
      << "root keys always exist";
}

// A file of garbage is checked with the registry reads (platform tests).
TEST(SqliteRegistryStore, SqliteFileThatIsNotOurStoreIsUnusableAndUntouched) {
  TempDir dir;
  const std::string path = dir.File("foreign.db");
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE notes(text)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  const std::string foreign = ReadBytes(path);
  SqliteRegistryStore store(path);
  std::string data;
  EXPECT_EQ(store.ReadValue(kMachine, "", "x", data), StoreStatus::kUnusable);
  EXPECT_EQ(store.Apply({{kMachine, "a", "x", "1", false}}), StoreStatus::kUnusable);
  EXPECT_EQ(ReadBytes(path), foreign);
}

TEST(SqliteRegistryStore, ApplyIsAllOrNothing) {
  TempDir dir;
  const std::string path = dir.File("registry.db");
  SqliteRegistryStore store(path);
  const std::vector<RegistryChange> bad = {
      {kMachine, "Software\\Orlent", "a", "1", false},
      {kMachine, "Software\\Empty", "", "", true},
      {kMachine, "Software\\\\Broken", "b", "2", false},
  };
  EXPECT_EQ(store.Apply(bad), StoreStatus::kInvalid);
  EXPECT_FALSE(std::filesystem::exists(path)) << "a refused batch does not even create the file";

  ASSERT_EQ(store.CreateKey(kMachine, "Kept"), StoreStatus::kOk);
  EXPECT_EQ(store.Apply(bad), StoreStatus::kInvalid);
  EXPECT_EQ(store.KeyExists(kMachine, "Software"), StoreStatus::kNotFound);

  std::vector<RegistryChange> good(bad.begin(), bad.end() - 1);
  good.push_back({kMachine, "Software\\Orlent", "A", "3", false});
  ASSERT_EQ(store.Apply(good), StoreStatus::kOk);
  std::string data;
  EXPECT_EQ(store.ReadValue(kMachine, "Software\\Orlent", "a", data), StoreStatus::kOk);
  EXPECT_EQ(data, "3") << "later changes of a batch win";
  EXPECT_EQ(store.KeyExists(kMachine, "Software\\Empty"), StoreStatus::kOk);
}

TEST(SqliteRegistryStore, ConcurrentProcessesLoseNoWrites) {
  TempDir dir;
  const std::string path = dir.File("registry.db");
  constexpr int kWrites = 400;
  {
    SqliteRegistryStore store(path);
    ASSERT_EQ(store.CreateKey(kMachine, "Race"), StoreStatus::kOk);
  }
  std::vector<pid_t> children;
  for (const char* prefix : {"first", "second"}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SqliteRegistryStore store(path);
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        const std::string name = std::string(prefix) + std::to_string(i);
        if (store.WriteValue(kMachine, "Race", name, name) != StoreStatus::kOk) ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed";
  }
  SqliteRegistryStore store(path);
  RegistryKeyListing listing;
  ASSERT_EQ(store.ListKey(kMachine, "Race", listing), StoreStatus::kOk);
  EXPECT_EQ(listing.values.size(), 2u * kWrites);
}

}  // namespace
}  // namespace pavane::os
