#include "platform/registry.h"

#include <array>
#include <iostream>
#include <utility>

#include "os/unicode.h"

namespace pavane::platform {
namespace {

struct RootKey {
  std::string_view name;
  std::uint32_t handle;
};

constexpr std::array<RootKey, 7> kRootKeys = {{
    {"HKEY_CLASSES_ROOT", 0x80000000u},
    {"HKEY_CURRENT_USER", 0x80000001u},
    {"HKEY_LOCAL_MACHINE", 0x80000002u},
    {"HKEY_USERS", 0x80000003u},
    {"HKEY_PERFORMANCE_DATA", 0x80000004u},
    {"HKEY_CURRENT_CONFIG", 0x80000005u},
    {"HKEY_DYN_DATA", 0x80000006u},
}};

std::string_view RootName(std::uint32_t handle) {
  for (const RootKey& root : kRootKeys) {
    if (root.handle == handle) return root.name;
  }
  return {};
}

// Only the blank itself, as the old Trim did; tabs and line ends stay.
std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::uint32_t GetMainKeyHandle(std::string_view rootName) {
  for (const RootKey& root : kRootKeys) {
    if (root.name == rootName) return root.handle;
  }
  return 0;
}

Registry::Registry(os::RegistryStore& store, MessageFunction message)
    : store_(store), message_(std::move(message)) {}

void Registry::SetMessageFunction(MessageFunction message) {
  message_ = std::move(message);
}

void Registry::Show(const std::string& text) {
  if (message_) {
    message_(text);
  } else {
    std::cerr << text << '\n';
  }
}

void Registry::Written(os::StoreStatus status) {
  lastCode_ = status;
  const char* reason = nullptr;
  switch (status) {
    case os::StoreStatus::kBusy:
      reason = "it is busy: another program has been changing it for too long";
      break;
    case os::StoreStatus::kUnwritable:
      reason = "it can be read but not written (no permission, a read-only disk or a full disk)";
      break;
    case os::StoreStatus::kUnusable:
      reason = "it cannot be used (it is damaged, or not a registry of this program)";
      break;
    default:
      return;
  }
  // One message for each reason is enough to know that choices are not kept;
  // a box for every value would bury the screens.
  if (!told_.insert(status).second) return;
  Show(std::string("The registry could not be changed, because ") + reason +
       ". What you choose now may not be remembered; what was saved before is unchanged.");
}

std::uint32_t Registry::ParseKey(std::string& path) {
  // No path names no key: nothing to read or write, and nothing wrong with
  // how it is written.
  if (path.empty()) return 0;
  if (!path.starts_with("HKEY_") || path.ends_with('\\')) {
    // Unlike the old module, which kept the root of the previous call, a
    // malformed path gets no root at all, so it can never read or write
    // under a key that some earlier, unrelated path named.
    Show("Incorrect Format:\n\n'" + path + "'");
    return 0;
  }
  const std::size_t separator = path.find('\\');
  if (separator == std::string::npos) {
    const std::uint32_t root = GetMainKeyHandle(path);
    path.clear();
    return root;
  }
  const std::uint32_t root = GetMainKeyHandle(std::string_view(path).substr(0, separator));
  path.erase(0, separator + 1);
  return root;
}

std::string Registry::GetStringValue(std::string keyPath, std::string_view valueName) {
  try {
    const std::uint32_t root = ParseKey(keyPath);
    if (root == 0) return "";
    std::string data;
    lastCode_ = store_.ReadValue(RootName(root), keyPath, valueName, data);
    if (lastCode_ != os::StoreStatus::kOk) return "Error";
    // The old read buffer held 255 characters; a longer value failed the read.
    if (os::Utf8Length(data) > kValueBufferChars) return "Error";
    std::string value = TrimBlanks(data);
    const std::size_t nul = value.find('\0');
    if (nul != std::string::npos) value.resize(nul);
    return value;
  } catch (...) {
    // A failed read looks the same to every caller, whatever went wrong.
    lastCode_ = os::StoreStatus::kUnusable;
    return "Error";
  }
}

void Registry::SetStringValue(std::string keyPath, std::string_view valueName,
                              std::string_view text) {
  try {
    const std::uint32_t root = ParseKey(keyPath);
    if (root == 0) return;
    Written(store_.WriteValue(RootName(root), keyPath, valueName, text));
  } catch (...) {
    lastCode_ = os::StoreStatus::kUnusable;
  }
}

bool Registry::SetStringValues(std::string keyPath,
                               const std::vector<std::pair<std::string, std::string>>& values) {
  try {
    const std::uint32_t root = ParseKey(keyPath);
    if (root == 0) return false;
    std::vector<os::RegistryChange> changes;
    for (const auto& [name, text] : values) {
      changes.push_back({std::string(RootName(root)), keyPath, name, text, false, true});
    }
    Written(store_.Apply(changes));
    return lastCode_ == os::StoreStatus::kOk;
  } catch (...) {
    lastCode_ = os::StoreStatus::kUnusable;
    return false;
  }
}

void Registry::CreateKey(std::string keyPath) {
  try {
    const std::uint32_t root = ParseKey(keyPath);
    if (root == 0) return;
    Written(store_.CreateKey(RootName(root), keyPath));
  } catch (...) {
    lastCode_ = os::StoreStatus::kUnusable;
  }
}

void Registry::DeleteValue(std::string keyPath, std::string_view valueName) {
  try {
    const std::uint32_t root = ParseKey(keyPath);
    if (root == 0) return;
    Written(store_.DeleteValue(RootName(root), keyPath, valueName));
  } catch (...) {
    lastCode_ = os::StoreStatus::kUnusable;
  }
}

}  // namespace pavane::platform
