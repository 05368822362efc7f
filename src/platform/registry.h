// The program's registry access: full key paths written as text
// ("HKEY_LOCAL_MACHINE\Software\Orlent"), string values, and the rules the
// rest of the program relies on: a value that cannot be read is "Error", a
// read never yields more than 255 characters, a write never creates a key,
// and a malformed path is shown to the user. A write that the store refuses
// (busy, read-only, unusable) is shown too, once a run for each reason, so
// that the user knows their choices were not kept.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "os/registry_store.h"

namespace pavane::platform {

// Shows a message to the user (OK button, default title). The screens hand in
// their message box; until then a fallback writes to standard error.
using MessageFunction = std::function<void(const std::string& text)>;

// The predefined root key handle for a root name (compared case-sensitively),
// 0 for any other name.
std::uint32_t GetMainKeyHandle(std::string_view rootName);

class Registry {
 public:
  static constexpr std::size_t kValueBufferChars = 255;

  explicit Registry(os::RegistryStore& store, MessageFunction message = {});

  void SetMessageFunction(MessageFunction message);

  // Splits a full key path into its root key handle (returned) and the
  // sub-key path (left in `path`). A path that does not start with "HKEY_"
  // or ends in "\" is shown as "Incorrect Format:" and yields 0.
  std::uint32_t ParseKey(std::string& path);

  // The value, trimmed of blanks and cut at its first NUL; "Error" when the
  // key or value cannot be read or is longer than the read buffer; "" for a
  // path whose root is not a known root key.
  std::string GetStringValue(std::string keyPath, std::string_view valueName);
  // Writes into an existing key; a missing key is not created.
  void SetStringValue(std::string keyPath, std::string_view valueName, std::string_view text);
  // Values that belong together, written in one go into an existing key:
  // all of them or, on any failure, none. True when they were written.
  bool SetStringValues(std::string keyPath,
                       const std::vector<std::pair<std::string, std::string>>& values);
  void CreateKey(std::string keyPath);
  void DeleteValue(std::string keyPath, std::string_view valueName);

  // Outcome of the last store call, kept for diagnostics only.
  os::StoreStatus LastCode() const { return lastCode_; }

 private:
  void Show(const std::string& text);
  // Records the outcome of a write and tells the user when the store refused it.
  void Written(os::StoreStatus status);

  os::RegistryStore& store_;
  MessageFunction message_;
  os::StoreStatus lastCode_ = os::StoreStatus::kOk;
  std::set<os::StoreStatus> told_;
};

}  // namespace pavane::platform
