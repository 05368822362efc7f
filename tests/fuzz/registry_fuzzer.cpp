// The registry: the program's reads and writes under its rules, and .reg
// files imported and exported by pavane-reg. The input is either a .reg
// file (it starts with the registry editor's header) or a script of
// operations, one a line: "key <path>", "set <path>|<name>|<data>",
// "get <path>|<name>" or "del <path>|<name>". Whatever the input leaves in
// the store must come back unchanged through an export and an import.
#include <filesystem>
#include <string>
#include <string_view>
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
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(path + suffix);
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

void RunScript(SqliteRegistryStore& store, std::string_view script) {
  pavane::platform::Registry registry(store, [](const std::string&) {});
  for (const std::string& line : pavane::platform::Split(script, "\n")) {
    std::vector<std::string> fields = pavane::platform::Split(line.substr(line.find(' ') + 1), "|");
    fields.resize(3);
    if (line.starts_with("key ")) registry.CreateKey(fields[0]);
    if (line.starts_with("set ")) registry.SetStringValue(fields[0], fields[1], fields[2]);
    if (line.starts_with("del ")) registry.DeleteValue(fields[0], fields[1]);
    const std::string value = registry.GetStringValue(fields[0], fields[1]);
    Expect(value == "Error" ||
               (pavane::os::Utf8Length(value) <= 255 && value.find('\0') == std::string::npos &&
                !value.starts_with(' ') && !value.ends_with(' ')),
           "a read is Error or a trimmed value of at most 255 characters");
  }
}

void ImportRegFile(SqliteRegistryStore& store, std::string_view bytes) {
  std::vector<RegistryChange> changes;
  std::string error;
  if (!pavane::tools::ParseRegFile(bytes, changes, error)) return;
  // One bad change fails the whole import.
  std::vector<RegistryChange> spoilt = changes;
  spoilt.push_back({"HKEY_CURRENT_USER", "Software\\\\Twice", "n", "d"});
  Expect(store.Apply(spoilt) != StoreStatus::kOk && ExportAll(store).find('[') == std::string::npos,
         "a malformed change fails its batch and leaves nothing behind");
  store.Apply(changes);
}

}  // namespace

PAVANE_FUZZ_TARGET(input) {
  SqliteRegistryStore store(FreshStorePath("first.db"));
  if (input.find(pavane::tools::kRegFileHeader) < 8 || input.starts_with("\xFF\xFE")) {
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
