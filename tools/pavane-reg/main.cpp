// pavane-reg: reads and changes the registry store from the command line, for
// setups, packagers and administrators. Unlike the program itself it creates
// missing keys when it sets a value, and it moves whole sets of values in and
// out as registry text files.
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "os/posix/registry_location.h"
#include "os/posix/sqlite_registry_store.h"
#include "os/unicode.h"
#include "reg_file.h"

namespace pavane::tools {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

constexpr const char* kUsage = R"(Usage: pavane-reg [--registry FILE] COMMAND [ARGUMENTS]

Reads and changes Pavane's registry store.

Commands:
  get KEY NAME          print the value NAME of KEY as stored
  set KEY NAME VALUE    set the value, creating KEY and its parents when missing
  delete KEY NAME       delete the value NAME of KEY
  create KEY            create KEY and its parents
  list [KEY]            list the sub-keys (ending in \) and then the values of KEY;
                        without KEY, the root keys
  export [KEY] [FILE]   write KEY and everything below it (default: the whole
                        store) as a registry text file to FILE (default or "-":
                        standard output); a single argument starting with
                        HKEY_ is the KEY, any other the FILE; a value that
                        is not UTF-8 text on one line is written as its bytes
                        ("name"=hex:41,ff), which import reads back
  import FILE           apply a registry text file ("-": standard input); a file
                        with any line that cannot be applied changes nothing

KEY is a full key path such as HKEY_LOCAL_MACHINE\Software\Orlent. NAME "" is
the key's default value.

Options:
  --registry FILE       use FILE instead of the default store
                        (PAVANE_REGISTRY, else $XDG_DATA_HOME/pavane/registry.db)
  --help                show this text

Exit status: 0 success, 1 failure, 2 usage error.
)";

struct KeyArgument {
  std::string root;
  std::string subkey;
  std::string text;
};

int UsageError(const std::string& message) {
  std::cerr << "pavane-reg: " << message << "\nTry 'pavane-reg --help'.\n";
  return kUsageError;
}

int Fail(const std::string& message) {
  std::cerr << "pavane-reg: " << message << '\n';
  return kFailure;
}

bool IsRootName(std::string_view name) {
  for (const std::string& root : os::RegistryRootNames()) {
    if (os::UpperCaseUtf8(name) == root) return true;
  }
  return false;
}

std::optional<KeyArgument> SplitKey(const std::string& text) {
  const std::size_t separator = text.find('\\');
  KeyArgument key{text.substr(0, separator),
                  separator == std::string::npos ? "" : text.substr(separator + 1), text};
  if (!IsRootName(key.root)) return std::nullopt;
  return key;
}

class Tool {
 public:
  explicit Tool(const std::string& registryPath) : store_(registryPath) {}

  int Get(const KeyArgument& key, const std::string& name) {
    std::string data;
    const os::StoreStatus status = store_.ReadValue(key.root, key.subkey, name, data);
    if (status != os::StoreStatus::kOk) return Report(status, key, &name);
    std::cout << data << '\n';
    return kSuccess;
  }

  int Set(const KeyArgument& key, const std::string& name, const std::string& value) {
    return Report(store_.Apply({{key.root, key.subkey, name, value, false}}), key, &name);
  }

  int Delete(const KeyArgument& key, const std::string& name) {
    return Report(store_.DeleteValue(key.root, key.subkey, name), key, &name);
  }

  int Create(const KeyArgument& key) {
    return Report(store_.CreateKey(key.root, key.subkey), key, nullptr);
  }

  int List(const KeyArgument& key) {
    os::RegistryKeyListing listing;
    const os::StoreStatus status = store_.ListKey(key.root, key.subkey, listing);
    if (status != os::StoreStatus::kOk) return Report(status, key, nullptr);
    for (const std::string& subkey : listing.subkeys) std::cout << subkey << "\\\n";
    for (const os::RegistryValue& value : listing.values) {
      std::cout << (value.name.empty() ? "@" : QuoteRegString(value.name)) << '='
                << QuoteRegString(value.data) << '\n';
    }
    return kSuccess;
  }

  int Export(const std::optional<KeyArgument>& key, const std::string& file) {
    std::string text = std::string(kRegFileHeader) + "\n\n";
    std::vector<std::string> skipped;
    if (key) {
      const os::StoreStatus status = ExportRegKey(store_, key->root, key->subkey, text, skipped);
      if (status != os::StoreStatus::kOk) return Report(status, *key, nullptr);
    } else {
      for (const std::string& root : os::RegistryRootNames()) {
        const os::StoreStatus status = ExportRegKey(store_, root, "", text, skipped);
        if (status != os::StoreStatus::kOk) return Report(status, {root, "", root}, nullptr);
      }
    }
    if (file.empty() || file == "-") {
      std::cout << text << std::flush;
      if (!std::cout) return Fail("cannot write to standard output");
    } else {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << text;
      out.close();
      if (!out) return Fail("cannot write " + file);
    }
    for (const std::string& what : skipped) {
      std::cerr << "pavane-reg: left out " << what
                << ": it holds a line end or NUL, which the file format cannot carry\n";
    }
    return skipped.empty() ? kSuccess : kFailure;
  }

  int Import(const std::string& file) {
    std::string bytes;
    if (!ReadBounded(file, bytes)) return kFailure;
    std::vector<os::RegistryChange> changes;
    std::string error;
    if (!ParseRegFile(bytes, changes, error)) {
      return Fail(file + ": " + error + "; nothing was imported");
    }
    const os::StoreStatus status = store_.Apply(changes);
    if (status == os::StoreStatus::kOk) return kSuccess;
    if (status == os::StoreStatus::kUnusable || status == os::StoreStatus::kBusy ||
        status == os::StoreStatus::kUnwritable) {
      return Report(status, {}, nullptr);
    }
    return Fail(file + ": the store refused the changes; nothing was imported");
  }

 private:
  int Unusable() {
    return Fail("the registry file " + store_.DatabasePath() +
                " cannot be used (not a registry store of ours, or not readable or writable)");
  }

  int Report(os::StoreStatus status, const KeyArgument& key, const std::string* name) {
    switch (status) {
      case os::StoreStatus::kOk:
        return kSuccess;
      case os::StoreStatus::kUnusable:
        return Unusable();
      case os::StoreStatus::kBusy:
        return Fail("the registry file " + store_.DatabasePath() +
                    " is busy: another program has held it for too long; nothing was changed");
      case os::StoreStatus::kUnwritable:
        return Fail("the registry file " + store_.DatabasePath() +
                    " can be read but not changed (no permission, a read-only file system or"
                    " a full disk); nothing was changed");
      case os::StoreStatus::kInvalid:
        return Fail("invalid key path, name or value for " + key.text +
                    " (empty key names, names or values too long)");
      case os::StoreStatus::kNotFound:
        break;
    }
    if (name == nullptr || store_.KeyExists(key.root, key.subkey) != os::StoreStatus::kOk) {
      return Fail("key not found: " + key.text);
    }
    return Fail("value \"" + *name + "\" not found in " + key.text);
  }

  bool ReadBounded(const std::string& file, std::string& bytes) {
    std::ifstream fileStream;
    std::istream* in = &std::cin;
    if (file != "-") {
      fileStream.open(file, std::ios::binary);
      if (!fileStream) {
        Fail("cannot read " + file);
        return false;
      }
      in = &fileStream;
    }
    std::vector<char> buffer(65536);
    while (*in) {
      in->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      bytes.append(buffer.data(), static_cast<std::size_t>(in->gcount()));
      if (bytes.size() > kMaxRegFileBytes) {
        Fail(file + " is larger than a registry file can be");
        return false;
      }
    }
    if (in->bad()) {
      Fail("cannot read " + file);
      return false;
    }
    return true;
  }

  os::SqliteRegistryStore store_;
};

int Run(const std::vector<std::string>& args) {
  std::size_t next = 0;
  std::string registryPath;
  while (next < args.size() && args[next].starts_with("-") && args[next] != "-") {
    const std::string& option = args[next];
    if (option == "--help" || option == "-h") {
      std::cout << kUsage;
      return kSuccess;
    }
    if (option == "--registry" || option.starts_with("--registry=")) {
      const bool separate = option == "--registry";
      if (separate && next + 1 >= args.size()) return UsageError("--registry needs a file name");
      registryPath = separate ? args[next + 1] : option.substr(11);
      next += separate ? 2 : 1;
      // An empty name (an unset shell variable) must not mean the user's
      // own store.
      if (registryPath.empty()) return UsageError("--registry needs a file name, not \"\"");
    } else {
      return UsageError("unknown option " + option);
    }
  }
  if (next >= args.size()) return UsageError("no command given");
  if (registryPath.empty()) registryPath = os::DefaultRegistryPath();
  const std::string command = args[next++];
  const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(next), args.end());

  const auto wantCount = [&](std::size_t min, std::size_t max) {
    return rest.size() >= min && rest.size() <= max;
  };
  std::optional<KeyArgument> key;
  const auto takeKey = [&](const std::string& text) {
    key = SplitKey(text);
    return key.has_value();
  };
  const auto badKey = [&](const std::string& text) {
    return UsageError("\"" + text + "\" does not start with a root key name such as " +
                      "HKEY_LOCAL_MACHINE");
  };

  Tool tool(registryPath);
  if (command == "get") {
    if (!wantCount(2, 2)) return UsageError("get needs KEY NAME");
    if (!takeKey(rest[0])) return badKey(rest[0]);
    return tool.Get(*key, rest[1]);
  }
  if (command == "set") {
    if (!wantCount(3, 3)) return UsageError("set needs KEY NAME VALUE");
    if (!takeKey(rest[0])) return badKey(rest[0]);
    return tool.Set(*key, rest[1], rest[2]);
  }
  if (command == "delete") {
    if (!wantCount(2, 2)) return UsageError("delete needs KEY NAME");
    if (!takeKey(rest[0])) return badKey(rest[0]);
    return tool.Delete(*key, rest[1]);
  }
  if (command == "create") {
    if (!wantCount(1, 1)) return UsageError("create needs KEY");
    if (!takeKey(rest[0])) return badKey(rest[0]);
    return tool.Create(*key);
  }
  if (command == "list") {
    if (!wantCount(0, 1)) return UsageError("list takes at most KEY");
    if (rest.empty()) {
      for (const std::string& root : os::RegistryRootNames()) std::cout << root << "\\\n";
      return kSuccess;
    }
    if (!takeKey(rest[0])) return badKey(rest[0]);
    return tool.List(*key);
  }
  if (command == "export") {
    if (!wantCount(0, 2)) return UsageError("export takes at most KEY FILE");
    std::string file;
    if (rest.size() == 2) {
      if (!takeKey(rest[0])) return badKey(rest[0]);
      file = rest[1];
    } else if (rest.size() == 1 && !takeKey(rest[0])) {
      file = rest[0];
    }
    return tool.Export(key, file);
  }
  if (command == "import") {
    if (!wantCount(1, 1)) return UsageError("import needs FILE");
    return tool.Import(rest[0]);
  }
  return UsageError("unknown command " + command);
}

}  // namespace
}  // namespace pavane::tools

int main(int argc, char** argv) {
  try {
    return pavane::tools::Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "pavane-reg: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "pavane-reg: unexpected failure\n";
  }
  return 1;
}
