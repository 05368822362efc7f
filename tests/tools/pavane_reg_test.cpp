// Runs the real pavane-reg as a child process against a store in a
// temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
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

class PavaneRegTest : public ::testing::Test {
 protected:
  // No shell: the arguments reach the tool exactly as written here.
  pavane::testing::ProcessResult Reg(const std::vector<std::string>& args) {
    return pavane::testing::RunProgram(PAVANE_REG_PROGRAM, args, {"PAVANE_REGISTRY=" + registry_});
  }

  pavane::testing::TempDir dir_;
  std::string registry_ = dir_.File("data/registry.db");
};

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
// text on one line are written as hex. What an import refuses changes nothing.
TEST_F(PavaneRegTest, ImportAndExport) {
  // As Windows' registry editor writes it: UTF-16LE with BOM and CR LF. The
  // export sorts keys and values, the default value first, and ends lines
  // with LF only.
#define HEADER "Windows Registry Editor Version 5.00\r\n\r\n"
#define EMPTY "[HKEY_CURRENT_USER\\Software\\Orlent\\Empty]\r\n\r\n"
#define ORLENT "[HKEY_LOCAL_MACHINE\\Software\\Orlent]\r\n"
#define DEFAULT "@=\"default\"\r\n"
#define FIRST_VALUES                                     \
  "\"Folder\"=\"C:\\\\Program Files\\\\Orlent\\\\\"\r\n" \
  "\"Grüße\"=\"日本語 😀\"\r\n"                   \
  "\"Latin1\"=hex:4c,61,74,69,6e,2d,31,20,e9,74,e9\r\n"  \
  "\"Lines\"=hex:74,77,6f,0d,0a,6c,69,6e,65,73\r\n"      \
  "\"Nul\"=hex:6e,75,6c,00,62,79,74,65\r\n"
#define LAST_VALUES "\"Partner\"=\"Tom & Jerry\"\r\n\"Quote\"=\"say \\\"hi\\\"\"\r\n"
  const std::u16string windowsFile =
      u"" HEADER ORLENT LAST_VALUES FIRST_VALUES DEFAULT "\r\n" EMPTY;
  std::string expected = HEADER EMPTY ORLENT DEFAULT FIRST_VALUES LAST_VALUES "\r\n";
  std::erase(expected, '\r');
  std::string utf16 = "\xFF\xFE";
  for (const char16_t unit : windowsFile) utf16 += {char(unit & 0xFF), char(unit >> 8)};
  const auto imported = Reg({"import", dir_.Write("setup.reg", utf16)});
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

  // A root whose only value cannot be written gives no empty section, which
  // an import would make nothing of.
  ASSERT_EQ(os::SqliteRegistryStore(registry_).WriteValue("HKEY_USERS", "", "bad\xAA", "1"),
            os::StoreStatus::kOk);

  // A file with any bad line is refused whole; the line is named.
  const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n";
  const std::pair<std::string, int> cases[] = {
      {"[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"1\"\n", 1},  // no header
      {header + "\"x\"=\"1\"\n; note\n\n\"y\"=dword:00000001\n", 7},
      {header + "\"x\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\B]\n", 5},       // key deletion
      {header + "\"x\"=-\n", 4},                                     // value deletion
      {header + "\"x\"=\"a\\nb\"\n", 4},                             // bad escape
      {header + "\"x\"=\"abc\n", 4},                                 // unterminated
      {"Windows Registry Editor Version 5.00\n\n\"x\"=\"1\"\n", 3},  // value before section
      {header + "[HKEY_NOWHERE\\B]\n", 4},
      {header + "\"x\"=hex:41,4\n", 4},
      {header + "\"x\"=hex:41,\n", 4},
      {"Windows Registry Editor Version 5.00\r\n\r\nx\r\n", 3},  // CR LF counted once
  };
  for (const auto& [text, line] : cases) {
    SCOPED_TRACE(text);
    const auto outcome = Reg({"import", dir_.Write("bad.reg", text)});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("line " + std::to_string(line) + ":"), std::string::npos)
        << outcome.err;
  }
  EXPECT_EQ(Reg({"export"}).out, expected) << "nothing was written";
}

TEST_F(PavaneRegTest, TwoWritersAtOnceLoseNothing) {
  std::atomic<int> failures = 0;
  const auto writer = [&](const std::string& who) {
    for (int batch = 0; batch < 50; ++batch) {
      std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Race]\n";
      for (int i = 0; i < 20; ++i)
        text += "\"" + who + std::to_string(batch * 20 + i) + "\"=\"\"\n";
      failures += Reg({"import", dir_.Write(who + std::to_string(batch) + ".reg", text)}).exitCode;
    }
  };
  // Both write at once; leaving the block joins them.
  { std::jthread first(writer, "first"), second(writer, "second"); }
  EXPECT_EQ(failures, 0);
  const std::string listed = Reg({"list", "HKEY_LOCAL_MACHINE\\Race"}).out;
  EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 2 * 50 * 20);
}

}  // namespace
}  // namespace pavane::tools
