// The registry store on one SQLite database file, shared by the program, the
// pavane-reg tool and any number of other copies running at the same time.
//
// Every write is one immediate transaction, the file is kept in WAL mode and a
// busy connection waits and retries, so concurrent writers lose nothing. A
// missing file reads as an empty store and is only created by a write; a file
// that is not a store of ours reads and writes as kUnusable and is never
// touched.
#pragma once

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

// The seven predefined root keys, spelt as the store reports them.
const std::vector<std::string>& RegistryRootNames();

// Use from one thread at a time; other threads and processes use their own.
class SqliteRegistryStore : public RegistryStore {
 public:
  explicit SqliteRegistryStore(std::string databasePath);
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
  // `body` gets nullptr when the store has no contents yet (reads only).
  using Body = std::function<StoreStatus(sqlite3* db)>;

  StoreStatus Transact(bool write, const Body& body);
  StoreStatus TransactOnce(bool write, const Body& body);
  StoreStatus Connect(bool create);
  void Disconnect();

  std::string path_;
  sqlite3* db_ = nullptr;
  Schema schema_ = Schema::kUnknown;
  bool walSet_ = false;
};

}  // namespace pavane::os
