// The registry store on one SQLite database file, shared by the program, the
// pavane-reg tool and any number of other copies running at the same time.
//
// Every write is one immediate transaction, the file is kept in WAL mode and a
// busy connection waits and retries, so concurrent writers lose nothing. A
// write that another program keeps waiting gives up after the busy time-out
// as kBusy; while it waits, the caller's `whileWaiting` runs (the screens pump
// their events there). A missing file reads as an empty store and is only
// created by a write; a file that is not a store of ours reads and writes as
// kUnusable and is never touched. A store that can be read but not written
// (another user's file, a read-only folder or file system, a full disk) still
// reads; its writes are kUnwritable.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "os/registry_store.h"

struct sqlite3;

namespace pavane::os {

// Limits that keep every read bounded; larger names or data are kInvalid.
inline constexpr std::size_t kMaxRegistryValueBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxRegistryKeyNameChars = 255;
inline constexpr std::size_t kMaxRegistryValueNameChars = 16383;

// How long one operation waits for another program's write at most, all
// retries included.
inline constexpr std::chrono::milliseconds kRegistryBusyTimeout{8000};

// The seven predefined root keys, spelt as the store reports them.
const std::vector<std::string>& RegistryRootNames();

// Use from one thread at a time; other threads and processes use their own.
// An operation called from inside `whileWaiting` (a screen event that runs
// while a write waits) never touches the waiting transaction: a read goes
// through a connection of its own, a write is kBusy at once.
class SqliteRegistryStore : public RegistryStore {
 public:
  explicit SqliteRegistryStore(std::string databasePath, std::function<void()> whileWaiting = {},
                               std::chrono::milliseconds busyTimeout = kRegistryBusyTimeout);
  ~SqliteRegistryStore() override;
  SqliteRegistryStore(const SqliteRegistryStore&) = delete;
  SqliteRegistryStore& operator=(const SqliteRegistryStore&) = delete;

  const std::string& DatabasePath() const { return path_; }

  StoreStatus ReadValue(std::string_view root, std::string_view subkey, std::string_view name,
                        std::string& data) override;
  StoreStatus KeyExists(std::string_view root, std::string_view subkey) override;
  StoreStatus WriteValue(std::string_view root, std::string_view subkey, std::string_view name,
                         std::string_view data) override;
  StoreStatus CreateKey(std::string_view root, std::string_view subkey) override;
  StoreStatus DeleteValue(std::string_view root, std::string_view subkey,
                          std::string_view name) override;
  StoreStatus ListKey(std::string_view root, std::string_view subkey,
                      RegistryKeyListing& listing) override;
  StoreStatus Apply(const std::vector<RegistryChange>& changes) override;

 private:
  enum class Schema { kUnknown, kAbsent, kReady };
  // How the file is opened: for writing, for reading only (with the usual
  // locks), or as a file that nobody changes (no locks, no "-shm" file), the
  // last resort of a reader who may create nothing next to the store.
  enum class Access { kReadWrite, kReadOnly, kImmutable };
  // `body` gets nullptr when the store has no contents yet (reads only).
  using Body = std::function<StoreStatus(sqlite3* db)>;

  StoreStatus Transact(bool write, const Body& body);
  StoreStatus TransactOnce(bool write, const Body& body);
  StoreStatus Connect(Access access, bool create);
  void Disconnect();
  static int OnBusy(void* self, int tries);
  // Lets the caller's events run, then sleeps a little; false once the
  // operation's time is up.
  bool WaitABit(std::chrono::milliseconds sleep);

  std::string path_;
  std::function<void()> whileWaiting_;
  std::chrono::milliseconds busyTimeout_;
  sqlite3* db_ = nullptr;
  Access access_ = Access::kReadWrite;
  // Where reads start; lowered when the file cannot be read the usual way.
  Access readAccess_ = Access::kReadWrite;
  Schema schema_ = Schema::kUnknown;
  bool walSet_ = false;
  bool active_ = false;   // inside Transact
  bool held_ = false;     // the last operation gave up: another program holds the store
  bool waiting_ = false;  // inside whileWaiting_
  std::chrono::steady_clock::time_point deadline_;
  std::chrono::steady_clock::time_point lastPump_;
};

}  // namespace pavane::os
