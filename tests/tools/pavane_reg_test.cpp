// Runs the real pavane-reg as a child process against a store in a
// temporary folder.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "os/posix/sqlite_registry_store.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace pavane::tools {
namespace {

using pavane::testing::TempDir;

class PavaneRegTest : public ::testing::Test {
 protected:
  // No shell: the arguments reach the tool exactly as written here.
  pavane::testing::ProcessResult Reg(const std::vector<std::string>& args) {
    return pavane::testing::RunProgram(PAVANE_REG_PROGRAM, args, {"PAVANE_REGISTRY=" + registry_});
  }

  TempDir dir_;
  std::string registry_ = dir_.File("data/registry.db");
};

std::string Utf16LeWithBom(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) bytes += {char(unit & 0xFF), char(unit >> 8)};
  return bytes;
}

TEST_F(PavaneRegTest, CommandsAndExitStatuses) {
  // Runs one command; `says` is a part of what it prints.
  const auto expect = [&](const std::vector<std::string>& args, int exitCode,
                          const std::string& says = "") {
    const auto result = Reg(args);
    EXPECT_EQ(result.exitCode, exitCode) << ::testing::PrintToString(args);
    EXPECT_NE((result.out + result.err).find(says), std::string::npos) << result.out << result.err;
  };
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Orlent";
  expect({}, 2);
  expect({"get", "Software\\Orlent", "x"}, 2);  // no root key name
  expect({"--help"}, 0, "Usage: pavane-reg");
  expect({"get", key, "Edition"}, 1, "not found");
  EXPECT_FALSE(std::filesystem::exists(registry_)) << "a read creates no file";

  expect({"set", key, "Edition", "  raw  "}, 0);  // creates the missing key
  expect({"get", "hkey_local_machine\\software\\orlent", "EDITION"}, 0, "  raw  \n");
  expect({"create", key + "\\Sub"}, 0);
  expect({"list", key}, 0, "Sub\\\n\"Edition\"=\"  raw  \"\n");
  expect({"delete", key, "edition"}, 0);
  expect({"delete", key, "edition"}, 1);

  const std::string other = dir_.File("other.db");
  expect({"--registry", other, "create", "HKEY_USERS\\X"}, 0);
  EXPECT_TRUE(std::filesystem::exists(other));
  // An empty name is not the user's own store, which stays untouched.
  expect({"--registry", "", "create", "HKEY_USERS\\Y"}, 2, "--registry needs a file name");
  expect({"--registry=", "create", "HKEY_USERS\\Y"}, 2, "--registry needs a file name");
  expect({"get", "HKEY_USERS\\Y", ""}, 1);
}

// Whatever a value holds, an export restores it: bytes that are not UTF-8
// text on one line are written as hex.
TEST_F(PavaneRegTest, ExportWritesWhatImportReadsBack) {
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Orlent";
  const std::string values[] = {std::string("Latin-1 \xE9t\xE9"), std::string("two\r\nlines"),
                                std::string("nul\0byte", 8), std::string("plain")};
  std::vector<os::RegistryChange> changes;
  for (std::size_t i = 0; i < std::size(values); ++i)
    changes.push_back(
        {"HKEY_LOCAL_MACHINE", "Software\\Orlent", "v" + std::to_string(i), values[i]});
  ASSERT_EQ(os::SqliteRegistryStore(registry_).Apply(changes), os::StoreStatus::kOk);
  const auto exported = Reg({"export", key});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_NE(exported.out.find("\"v0\"=hex:4c,61,74"), std::string::npos) << exported.out;
  EXPECT_NE(exported.out.find("\"v3\"=\"plain\""), std::string::npos) << "text stays text";

  const std::string copy = dir_.File("copy.db");
  const auto imported = Reg({"--registry", copy, "import", dir_.Write("backup.reg", exported.out)});
  ASSERT_EQ(imported.exitCode, 0) << imported.err;
  os::RegistryKeyListing restored;
  ASSERT_EQ(
      os::SqliteRegistryStore(copy).ListKey("HKEY_LOCAL_MACHINE", "Software\\Orlent", restored),
      os::StoreStatus::kOk);
  ASSERT_EQ(restored.values.size(), std::size(values));
  for (std::size_t i = 0; i < std::size(values); ++i) EXPECT_EQ(restored.values[i].data, values[i]);

  // A root whose only value cannot be written gives no empty section, which
  // an import would make nothing of.
  ASSERT_EQ(os::SqliteRegistryStore(registry_).WriteValue("HKEY_CURRENT_USER", "", "bad\xAA", "1"),
            os::StoreStatus::kOk);
  const auto whole = Reg({"export"});
  EXPECT_EQ(whole.out.find("[HKEY_CURRENT_USER]"), std::string::npos) << whole.out;
  EXPECT_NE(whole.out.find("[HKEY_LOCAL_MACHINE\\Software\\Orlent]"), std::string::npos);
}

TEST_F(PavaneRegTest, ImportThenExportKeepsKeysAndValues) {
  // As Windows' registry editor writes it: UTF-16LE with BOM and CR LF.
  const std::u16string windowsFile =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"; left by the setup\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\Orlent]\r\n"
      u"\"Partner\"=\"Tom & Jerry\"\r\n"
      u"\"Quote\"=\"say \\\"hi\\\"\"\r\n"
      u"\"Folder\"=\"C:\\\\Program Files\\\\Orlent\\\\\"\r\n"
      u"\"Grüße\"=\"日本語 😀\"\r\n"
      u"@=\"default\"\r\n"
      u"\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Orlent\\Empty]\r\n";
  const std::string expected =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Orlent\\Empty]\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Orlent]\n"
      "@=\"default\"\n"
      "\"Folder\"=\"C:\\\\Program Files\\\\Orlent\\\\\"\n"
      "\"Grüße\"=\"日本語 😀\"\n"
      "\"Partner\"=\"Tom & Jerry\"\n"
      "\"Quote\"=\"say \\\"hi\\\"\"\n\n";

  const auto imported = Reg({"import", dir_.Write("setup.reg", Utf16LeWithBom(windowsFile))});
  ASSERT_EQ(imported.exitCode, 0) << imported.err;
  const auto exported = Reg({"export"});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_EQ(exported.out, expected);
  EXPECT_EQ(Reg({"get", "HKEY_LOCAL_MACHINE\\Software\\Orlent", "Quote"}).out, "say \"hi\"\n");

  // Our own UTF-8 output, with a BOM added, must read back the same.
  const std::string again = dir_.Write("again.reg", "\xEF\xBB\xBF" + exported.out);
  const std::string copy = dir_.File("copy.db");
  ASSERT_EQ(Reg({"--registry", copy, "import", again}).exitCode, 0);
  EXPECT_EQ(Reg({"--registry", copy, "export"}).out, expected);
}

TEST_F(PavaneRegTest, FileWithAnyBadLineIsRefusedWhole) {
  ASSERT_EQ(Reg({"create", "HKEY_LOCAL_MACHINE\\Seed"}).exitCode, 0);
  const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n";
  struct Case {
    const char* label;
    std::string text;
    int line;
  };
  const std::vector<Case> cases = {
      {"no header", "[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"1\"\n", 1},
      {"dword", header + "\"x\"=\"1\"\n; note\n\n\"y\"=dword:00000001\n", 7},
      {"key deletion", header + "\"x\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\B]\n", 5},
      {"value deletion", header + "\"x\"=-\n", 4},
      {"bad escape", header + "\"x\"=\"a\\nb\"\n", 4},
      {"unterminated", header + "\"x\"=\"abc\n", 4},
      {"value before section", "Windows Registry Editor Version 5.00\n\n\"x\"=\"1\"\n", 3},
      {"bad root", header + "[HKEY_NOWHERE\\B]\n", 4},
      {"odd hex", header + "\"x\"=hex:41,4\n", 4},
      {"hex with a trailing comma", header + "\"x\"=hex:41,\n", 4},
      {"CR LF counted once", "Windows Registry Editor Version 5.00\r\n\r\nx\r\n", 3},
  };
  for (const Case& bad : cases) {
    SCOPED_TRACE(bad.label);
    const auto outcome = Reg({"import", dir_.Write("bad.reg", bad.text)});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("line " + std::to_string(bad.line) + ":"), std::string::npos)
        << outcome.err;
  }
  EXPECT_EQ(Reg({"list", "HKEY_LOCAL_MACHINE"}).out, "Seed\\\n") << "nothing was written";
}

TEST_F(PavaneRegTest, TwoWritersAtOnceLoseNothing) {
  constexpr int kBatches = 50;
  constexpr int kValuesPerBatch = 20;
  std::atomic<int> failures = 0;
  const auto writer = [&](const std::string& who) {
    for (int batch = 0; batch < kBatches; ++batch) {
      std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Race]\n";
      for (int i = 0; i < kValuesPerBatch; ++i) {
        const std::string name = who + "-" + std::to_string(batch * kValuesPerBatch + i);
        text += "\"" + name + "\"=\"" + name + "\"\n";
      }
      const std::string file = dir_.Write(who + std::to_string(batch) + ".reg", text);
      if (Reg({"import", file}).exitCode != 0) ++failures;
    }
  };
  // Both write at once; leaving the block joins them.
  { std::jthread first(writer, "first"), second(writer, "second"); }
  EXPECT_EQ(failures, 0);

  os::RegistryKeyListing listing;
  ASSERT_EQ(os::SqliteRegistryStore(registry_).ListKey("HKEY_LOCAL_MACHINE", "Race", listing),
            os::StoreStatus::kOk);
  ASSERT_EQ(listing.values.size(), 2u * kBatches * kValuesPerBatch);
  for (const os::RegistryValue& value : listing.values) EXPECT_EQ(value.name, value.data);
}

}  // namespace
}  // namespace pavane::tools
