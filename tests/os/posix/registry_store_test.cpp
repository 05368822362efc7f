#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "os/posix/sqlite_registry_store.h"
#include "support/temp_dir.h"

namespace pavane::os {
namespace {

using pavane::testing::TempDir;

constexpr const char* kMachine = "HKEY_LOCAL_MACHINE";

// The data of a value, or "<unread>" when the store does not give it.
std::string Read(SqliteRegistryStore& store, const std::string& subkey, const std::string& name) {
  std::string data;
  return store.ReadValue(kMachine, subkey, name, data) == StoreStatus::kOk ? data : "<unread>";
}

// The store goes two folders down, so that every test makes them.
class RegistryStoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  const std::string path = dir.File("a/b/registry.db");
  SqliteRegistryStore store{path};
};

TEST_F(RegistryStoreTest, NamesFoldCaseDataIsKeptExactlyAndMalformedAddressesAreRefused) {
  ASSERT_EQ(store.CreateKey(kMachine, "Software\\Orlent\\Grüße"), StoreStatus::kOk);
  // A second write under another spelling replaces the data, not the name.
  for (const char* name : {"InstallDate", "INSTALLDATE"}) {
    ASSERT_EQ(store.WriteValue("hkey_local_machine", "software\\ORLENT", name, name),
              StoreStatus::kOk);
  }
  EXPECT_EQ(store.KeyExists(kMachine, "software\\orlent\\GRÜßE"), StoreStatus::kOk);
  RegistryKeyListing listing;
  ASSERT_EQ(store.ListKey(kMachine, "Software\\Orlent", listing), StoreStatus::kOk);
  ASSERT_EQ(listing.values.size(), 1u);
  EXPECT_EQ(listing.values[0].name + "=" + listing.values[0].data, "InstallDate=INSTALLDATE");

  // That values with NUL bytes, and the default value, come back whole is the
  // registry tool's test (export, then import).
  const std::string largest(kMaxRegistryValueBytes, 'x');
  ASSERT_EQ(store.WriteValue(kMachine, "", "big", largest), StoreStatus::kOk);
  EXPECT_EQ(Read(store, "", "big"), largest);
  EXPECT_EQ(store.WriteValue(kMachine, "", "big", largest + "x"), StoreStatus::kInvalid);
  EXPECT_EQ(store.CreateKey(kMachine, "a\\\\b"), StoreStatus::kInvalid);
  EXPECT_EQ(store.CreateKey(kMachine, std::string(256, 'k')), StoreStatus::kInvalid);
}

TEST_F(RegistryStoreTest, MissingFileIsOnlyCreatedByAWriteAndAWriteNeverMakesAKey) {
  EXPECT_EQ(Read(store, "", "x"), "<unread>");
  EXPECT_EQ(store.KeyExists(kMachine, "Software"), StoreStatus::kNotFound);
  EXPECT_EQ(store.WriteValue(kMachine, "Software", "x", "1"), StoreStatus::kNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.File("a")));

  ASSERT_EQ(store.CreateKey(kMachine, "Software"), StoreStatus::kOk);
  ASSERT_EQ(store.WriteValue(kMachine, "Software", "x", "1"), StoreStatus::kOk);
  EXPECT_EQ(store.WriteValue(kMachine, "Software\\Missing", "x", "1"), StoreStatus::kNotFound);
  EXPECT_EQ(store.Apply({{kMachine, "Software\\Missing", "x", "1", false, true}}),
            StoreStatus::kNotFound);
  EXPECT_EQ(store.KeyExists(kMachine, "Software\\Missing"), StoreStatus::kNotFound);
  SqliteRegistryStore other(path);
  EXPECT_EQ(Read(other, "software", "X"), "1");
  EXPECT_EQ(store.WriteValue("HKEY_DYN_DATA", "", "x", "1"), StoreStatus::kOk)
      << "root keys always exist";
}

// A damaged file, or another program's database, is the whole-run test of a
// store that cannot be used.

// It holds the user's e-mail address.
TEST_F(RegistryStoreTest, OnlyTheUserMayReadTheStoreWhateverTheUmask) {
  const auto modes = [&] {
    std::vector<unsigned> all;
    for (const std::string& file :
         {dir.File("a"), dir.File("a/b"), path, path + "-wal", path + "-shm"}) {
      struct stat info {};
      all.push_back(stat(file.c_str(), &info) == 0 ? info.st_mode & 0777 : 01000);
    }
    return all;
  };
  const std::vector<unsigned> expected = {0700, 0700, 0600, 0600, 0600};
  const mode_t oldMask = umask(0277);
  ASSERT_EQ(store.CreateKey(kMachine, "Software"), StoreStatus::kOk);
  umask(022);
  EXPECT_EQ(modes(), expected);
  // An older store of ours that others could read is narrowed by a write.
  for (const std::string& file : {path, path + "-wal", path + "-shm"}) chmod(file.c_str(), 0644);
  SqliteRegistryStore later(path);
  ASSERT_EQ(later.WriteValue(kMachine, "Software", "UserEmail", "a@b.example"), StoreStatus::kOk);
  EXPECT_EQ(modes(), expected);
  umask(oldMask);
}

// A store whose journal cannot be made reads on and refuses writes as such;
// that the user is told once and the file is left as it was is the whole-run
// test.
TEST_F(RegistryStoreTest, AStoreThatCannotBeWrittenIsStillRead) {
  ASSERT_EQ(SqliteRegistryStore(path).WriteValue(kMachine, "", "Language", "de"), StoreStatus::kOk);
  std::filesystem::create_directory(path + "-wal");
  std::filesystem::create_directory(path + "-shm");
  EXPECT_EQ(Read(store, "", "Language"), "de");
  EXPECT_EQ(store.WriteValue(kMachine, "", "Language", "fr"), StoreStatus::kUnwritable);
  EXPECT_EQ(Read(store, "", "Language"), "de");
}

// A refused change, or a full disk (as a file size limit, which holds for
// root as well) in the middle of a batch: nothing of the batch is kept. A
// store that can be read but not written is the registry's test.
TEST_F(RegistryStoreTest, BatchIsKeptWholeOrNotAtAll) {
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
  EXPECT_EQ(Read(store, "Software\\Orlent", "a"), "3") << "later changes of a batch win";
  EXPECT_EQ(store.KeyExists(kMachine, "Software\\Empty"), StoreStatus::kOk);

  const auto batch = [](const std::string& name) {
    return std::vector<RegistryChange>{
        {kMachine, "Software\\Orlent", "UserEmail", "a@b.example", false, true},
        {kMachine, "Software\\Orlent", "UserFirstName", name, false, true},
    };
  };

  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = static_cast<rlim_t>(std::filesystem::file_size(path) + 64 * 1024);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const StoreStatus full = store.Apply(batch(std::string(512 * 1024, 'n')));
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(full, StoreStatus::kUnwritable);
  EXPECT_EQ(Read(store, "Software\\Orlent", "UserEmail"), "<unread>");

  ASSERT_EQ(store.Apply(batch("Ann")), StoreStatus::kOk);
  EXPECT_EQ(Read(store, "Software\\Orlent", "UserFirstName"), "Ann");
}

// Another connection holds the write lock: one write gives up after the
// busy time-out, the caller's events run meanwhile, and what those events do
// with the store does not touch the waiting write.
TEST(RegistryStoreFile, WriteBlockedByAnotherWriterGivesUpInTimeWhileEventsRun) {
  TempDir dir;
  const std::string path = dir.File("registry.db");
  int events = 0;
  StoreStatus nestedWrite = StoreStatus::kOk;
  std::string nestedRead;
  SqliteRegistryStore* self = nullptr;
  SqliteRegistryStore store(
      path,
      [&] {
        if (events++ == 0) {
          nestedWrite = self->WriteValue(kMachine, "", "Nested", "x");
          nestedRead = Read(*self, "", "Kept");
        }
      },
      std::chrono::milliseconds(300));
  self = &store;
  ASSERT_EQ(store.WriteValue(kMachine, "", "Kept", "1"), StoreStatus::kOk);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(store.WriteValue(kMachine, "", "Blocked", "1"), StoreStatus::kBusy);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(300));
  EXPECT_LT(waited, std::chrono::milliseconds(1500)) << "one time-out, not several";
  EXPECT_GT(events, 5) << "the events ran all along";
  EXPECT_EQ(nestedWrite, StoreStatus::kBusy);
  EXPECT_EQ(nestedRead, "1");

  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(store.WriteValue(kMachine, "", "Blocked", "1"), StoreStatus::kOk);
}

}  // namespace
}  // namespace pavane::os
