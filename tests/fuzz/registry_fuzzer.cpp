// The registry: key paths as the program writes them, the store's
// operations under the program's rules, and .reg files imported and
// exported by pavane-reg. The input is either a .reg file (it starts with
// the registry editor's header) or a script of operations, one a line:
//   key <path>                      set <path>|<name>|<data>
//   get <path>|<name>               del <path>|<name>
//   batch <path>|<name>=<data>|...
// Whatever the operations leave in the store must come back unchanged
// through an export and an import.
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "os/posix/sqlite_registry_store.h"
#include "os/unicode.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "reg_file.h"

namespace {

using pavane::fuzz::Expect;
using pavane::os::RegistryChange;
using pavane::os::SqliteRegistryStore;
using pavane::os::StoreStatus;

std::string FreshStorePath(const char* name) {
  const std::string path = pavane::fuzz::ScratchFolder() + "/" + name;
  std::error_code ignored;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(path + suffix, ignored);
  return path;
}

std::string ExportAll(SqliteRegistryStore& store) {
  std::string out = std::string(pavane::tools::kRegFileHeader) + "\n\n";
  std::vector<std::string> skipped;
  for (const std::string& root : pavane::os::RegistryRootNames()) {
    Expect(pavane::tools::ExportRegKey(store, root, "", out, skipped) == StoreStatus::kOk,
           "every root exports");
  }
  return out;
}

// What the program reads back for stored `data`.
std::string ReadAs(std::string_view data) {
  if (pavane::os::Utf8Length(data) > pavane::platform::Registry::kValueBufferChars) return "Error";
  const std::size_t first = data.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::string value(data.substr(first, data.find_last_not_of(' ') - first + 1));
  if (const std::size_t nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
  return value;
}

// A path that names a key under one of the root keys.
bool Addressable(const std::string& path) {
  return path.starts_with("HKEY_") && !path.ends_with('\\') &&
         pavane::platform::GetMainKeyHandle(path.substr(0, path.find('\\'))) != 0;
}

bool Exists(SqliteRegistryStore& store, std::string path) {
  pavane::platform::Registry registry(store, [](const std::string&) {});
  const std::uint32_t root = registry.ParseKey(path);
  if (root == 0) return false;
  for (const std::string& name : pavane::os::RegistryRootNames()) {
    if (pavane::platform::GetMainKeyHandle(name) == root)
      return store.KeyExists(name, path) == StoreStatus::kOk;
  }
  return false;
}

void CheckParseKey(pavane::platform::Registry& registry, int& shown, const std::string& path) {
  std::string rest = path;
  const int before = shown;
  const std::uint32_t root = registry.ParseKey(rest);
  const bool wellFormed = path.starts_with("HKEY_") && !path.ends_with('\\');
  Expect((shown > before) == (!path.empty() && !wellFormed), "exactly a malformed path is shown");
  if (root == 0) return;
  Expect(wellFormed, "only a well-formed path has a root");
  const std::size_t separator = path.find('\\');
  Expect(rest == (separator == std::string::npos ? "" : path.substr(separator + 1)),
         "the sub-key is what follows the root");
}

void RunScript(SqliteRegistryStore& store, std::string_view script) {
  int shown = 0;
  pavane::platform::Registry registry(store, [&](const std::string&) { ++shown; });
  for (std::string line : pavane::platform::Split(script, "\n")) {
    if (line.ends_with('\r')) line.pop_back();
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    const std::string verb = line.substr(0, blank);
    std::vector<std::string> fields = pavane::platform::Split(line.substr(blank + 1), "|");
    const std::string& path = fields[0];
    CheckParseKey(registry, shown, path);
    const std::string name = fields.size() > 1 ? fields[1] : "";

    if (verb == "key") {
      registry.CreateKey(path);
      if (Addressable(path) && registry.LastCode() == StoreStatus::kOk) {
        Expect(Exists(store, path), "a created key exists");
      }
    } else if (verb == "set") {
      const std::string data = fields.size() > 2 ? fields[2] : "";
      const bool existed = Exists(store, path);
      registry.SetStringValue(path, name, data);
      if (!existed) {
        Expect(!Exists(store, path), "a write never creates a key");
      } else if (registry.LastCode() == StoreStatus::kOk) {
        Expect(registry.GetStringValue(path, name) == ReadAs(data), "a written value reads back");
      }
    } else if (verb == "get") {
      const std::string value = registry.GetStringValue(path, name);
      Expect(value == "Error" ||
                 (pavane::os::Utf8Length(value) <= 255 && value.find('\0') == std::string::npos &&
                  !value.starts_with(' ') && !value.ends_with(' ')),
             "a read is Error or a trimmed value of at most 255 characters");
    } else if (verb == "del") {
      registry.DeleteValue(path, name);
      if (Addressable(path) && registry.LastCode() == StoreStatus::kOk) {
        Expect(registry.GetStringValue(path, name) == "Error", "a deleted value is gone");
      }
    } else if (verb == "batch") {
      std::vector<std::pair<std::string, std::string>> values;
      for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::size_t equals = fields[i].find('=');
        values.emplace_back(fields[i].substr(0, equals),
                            equals == std::string::npos ? "" : fields[i].substr(equals + 1));
      }
      const std::string before = ExportAll(store);
      if (registry.SetStringValues(path, values)) continue;
      Expect(ExportAll(store) == before, "a batch that fails writes nothing");
    }
  }
}

void ImportRegFile(SqliteRegistryStore& store, std::string_view bytes) {
  std::vector<RegistryChange> changes;
  std::string error;
  if (!pavane::tools::ParseRegFile(bytes, changes, error)) {
    Expect(error.starts_with("line ") || error.find("UTF-16") != std::string::npos,
           "a refused file says where");
    return;
  }
  // One bad change fails the whole import.
  std::vector<RegistryChange> spoilt = changes;
  spoilt.push_back({"HKEY_CURRENT_USER", "Software\\\\Twice", "n", "d"});
  Expect(store.Apply(spoilt) != StoreStatus::kOk, "a malformed change fails its batch");
  Expect(ExportAll(store).find('[') == std::string::npos, "a failed import leaves nothing behind");
  if (store.Apply(changes) != StoreStatus::kOk) return;

  // The last line for a value decides it.
  std::map<std::tuple<std::string, std::string, std::string>, std::string> expected;
  for (const RegistryChange& change : changes) {
    if (change.createKeyOnly) continue;
    expected[{change.root, pavane::os::LowerCaseUtf8(change.subkey),
              pavane::os::LowerCaseUtf8(change.name)}] = change.data;
  }
  for (const auto& [where, data] : expected) {
    std::string stored;
    Expect(store.ReadValue(std::get<0>(where), std::get<1>(where), std::get<2>(where), stored) ==
                   StoreStatus::kOk &&
               stored == data,
           "an imported value is stored as the file says");
  }
}

}  // namespace

PAVANE_FUZZ_TARGET(input) {
  SqliteRegistryStore store(FreshStorePath("first.db"));
  const bool regFile =
      input.find(pavane::tools::kRegFileHeader) < 8 || input.starts_with("\xFF\xFE");
  if (regFile) {
    ImportRegFile(store, input);
  } else {
    RunScript(store, input);
  }

  // Export, import into an empty store, export again: the same keys.
  const std::string exported = ExportAll(store);
  std::vector<RegistryChange> changes;
  std::string error;
  Expect(pavane::tools::ParseRegFile(exported, changes, error), "an export imports");
  SqliteRegistryStore copy(FreshStorePath("second.db"));
  Expect(copy.Apply(changes) == StoreStatus::kOk, "an export applies to an empty store");
  Expect(ExportAll(copy) == exported, "export and import give back the keys");
}
