// The registry: the program's reads and writes under its rules, and .reg
// files imported and exported by pavane-reg. The input is either a .reg
// file (it starts with the registry editor's header) or a script of
// operations, one a line: "key <path>", "set <path>|<name>|<data>",
// "get <path>|<name>" or "del <path>|<name>". Whatever the input leaves in
// the store must come back unchanged through an export and an import.
#include "fuzz_support.h"
#include "os/posix/sqlite_registry_store.h"
#include "os/unicode.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "reg_file.h"

using pavane::os::SqliteRegistryStore;
using namespace pavane::tools;

namespace {

std::string FreshStorePath(const char* name) {
  const std::string path = ScratchFolder() + "/" + name;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(path + suffix);
  return path;
}

std::string ExportAll(SqliteRegistryStore& store) {
  std::string out = std::string(kRegFileHeader) + "\n\n";
  std::vector<std::string> skipped;
  for (const std::string& root : pavane::os::RegistryRootNames())
    Expect(ExportRegKey(store, root, "", out, skipped) == pavane::os::StoreStatus::kOk,
           "every root exports");
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

}  // namespace

PAVANE_FUZZ_TARGET(input) {
  SqliteRegistryStore store(FreshStorePath("first.db")), copy(FreshStorePath("second.db"));
  std::vector<pavane::os::RegistryChange> changes;
  std::string error;
  const bool regFile = input.find(kRegFileHeader) < 8 || input.starts_with("\xFF\xFE");
  if (regFile && ParseRegFile(input, changes, error)) store.Apply(changes);
  if (!regFile) RunScript(store, input);
  changes.clear();

  // Export, import into an empty store, export again: the same keys.
  const std::string exported = ExportAll(store);
  Expect(ParseRegFile(exported, changes, error), "an export imports");
  Expect(copy.Apply(changes) == pavane::os::StoreStatus::kOk,
         "an export applies to an empty store");
  Expect(ExportAll(copy) == exported, "export and import give back the keys");
}
