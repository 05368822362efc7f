// The registry store: hierarchical keys holding named string values.
//
// Keys are addressed by a root name ("HKEY_LOCAL_MACHINE", ...) and a sub-key
// path whose components are separated by "\" ("Software\Orlent"; "" is the
// root itself). Key and value names compare without regard to case, the way
// Windows compares them, but keep the spelling they were created with.
// The program-facing rules ("Error", the read buffer, path parsing) are not
// the store's business; they live in platform/registry.h.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pavane::os {

enum class StoreStatus {
  kOk,
  kNotFound,    // the key or the value does not exist
  kInvalid,     // a malformed sub-key path or name
  kUnusable,    // the store cannot be opened, read or written
  kBusy,        // another program held the store's write lock past the time-out
  kUnwritable,  // the store reads but cannot be changed (permissions, a
                // read-only or full disk); nothing stored is lost
};

struct RegistryValue {
  std::string name;
  std::string data;
};

// The contents of one key, for tools that list or export the store.
struct RegistryKeyListing {
  std::vector<std::string> subkeys;   // names as spelt when created, sorted
  std::vector<RegistryValue> values;  // sorted by name
};

// One change of a batch that is applied all together or not at all.
struct RegistryChange {
  std::string root;
  std::string subkey;
  std::string name;  // empty with `createKeyOnly` set
  std::string data;
  bool createKeyOnly = false;
  // Writes into an existing key only: a missing key fails the whole batch
  // with kNotFound instead of being created.
  bool existingKeyOnly = false;
};

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  virtual StoreStatus ReadValue(std::string_view root, std::string_view subkey,
                                std::string_view name, std::string& data) = 0;
  virtual StoreStatus KeyExists(std::string_view root, std::string_view subkey) = 0;
  // Writes into an existing key only; kNotFound when the key is missing.
  virtual StoreStatus WriteValue(std::string_view root, std::string_view subkey,
                                 std::string_view name, std::string_view data) = 0;
  // Creates the key and any missing parents; an existing key is kOk.
  virtual StoreStatus CreateKey(std::string_view root, std::string_view subkey) = 0;
  virtual StoreStatus DeleteValue(std::string_view root, std::string_view subkey,
                                  std::string_view name) = 0;
  virtual StoreStatus ListKey(std::string_view root, std::string_view subkey,
                              RegistryKeyListing& listing) = 0;
  // Creates keys (with parents) and sets values in one transaction.
  virtual StoreStatus Apply(const std::vector<RegistryChange>& changes) = 0;
};

}  // namespace pavane::os
