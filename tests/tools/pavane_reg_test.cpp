// Runs the real pavane-reg as a child process against a store in a
// temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "os/posix/sqlite_registry_store.h"
#include "support/temp_dir.h"

extern char** environ;

namespace pavane::tools {
namespace {

using pavane::testing::ReadBytes;
using pavane::testing::TempDir;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// No shell: the arguments reach the tool exactly as written here.
Outcome RunReg(const std::string& registry, const std::vector<std::string>& args,
               const std::string& outputStem) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with("PAVANE_REGISTRY=")) env.emplace_back(*entry);
  }
  env.push_back("PAVANE_REGISTRY=" + registry);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);

  std::vector<std::string> argStorage = {PAVANE_REG_PROGRAM};
  argStorage.insert(argStorage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStorage) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const std::string outPath = outputStem + ".out";
  const std::string errPath = outputStem + ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  Outcome outcome;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return outcome;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  outcome.out = ReadBytes(outPath);
  outcome.err = ReadBytes(errPath);
  return outcome;
}

class PavaneRegTest : public ::testing::Test {
 protected:
  Outcome Reg(const std::vector<std::string>& args) {
    return RunReg(registry_, args, dir_.File("run"));
  }

  TempDir dir_;
  std::string registry_ = dir_.File("data/registry.db");
};

std::string Utf16LeWithBom(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST_F(PavaneRegTest, CommandsAndExitStatuses) {
  EXPECT_EQ(Reg({}).status, 2);
  EXPECT_EQ(Reg({"frobnicate"}).status, 2);
  EXPECT_EQ(Reg({"get", "Software\\Orlent", "x"}).status, 2) << "no root key name";
  const Outcome help = Reg({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: pavane-reg"), std::string::npos);

  const Outcome missing = Reg({"get", "HKEY_LOCAL_MACHINE\\Software\\Orlent", "Edition"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("not found"), std::string::npos) << missing.err;
  EXPECT_FALSE(std::filesystem::exists(registry_)) << "a read creates no file";

  EXPECT_EQ(Reg({"set", "HKEY_LOCAL_MACHINE\\Software\\Orlent", "Edition", "  raw  "}).status, 0)
      << "set creates the missing key";
  EXPECT_EQ(Reg({"get", "hkey_local_machine\\software\\orlent", "EDITION"}).out, "  raw  \n");
  EXPECT_EQ(Reg({"create", "HKEY_LOCAL_MACHINE\\Software\\Orlent\\Sub"}).status, 0);
  EXPECT_EQ(Reg({"list", "HKEY_LOCAL_MACHINE\\Software\\Orlent"}).out,
            "Sub\\\n\"Edition\"=\"  raw  \"\n");
  EXPECT_EQ(Reg({"delete", "HKEY_LOCAL_MACHINE\\Software\\Orlent", "edition"}).status, 0);
  EXPECT_EQ(Reg({"delete", "HKEY_LOCAL_MACHINE\\Software\\Orlent", "edition"}).status, 1);

  const std::string other = dir_.File("other.db");
  EXPECT_EQ(Reg({"--registry", other, "create", "HKEY_USERS\\X"}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(other));
}

TEST_F(PavaneRegTest, ImportThenExportKeepsKeysAndValues) {
  // As Windows' registry editor writes it: UTF-16LE with BOM and CR LF.
  const std::u16string windowsFile =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"; left by the setup\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\Orlent]\r\n"
      u"\"Partner\"=\"Tom & Jerry\"\r\n"
      u"\"Padded\"=\"  two  blanks  \"\r\n"
      u"\"Sum\"=\"a+b\"\r\n"
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
      "\"Padded\"=\"  two  blanks  \"\n"
      "\"Partner\"=\"Tom & Jerry\"\n"
      "\"Quote\"=\"say \\\"hi\\\"\"\n"
      "\"Sum\"=\"a+b\"\n\n";

  const std::string input = dir_.Write("setup.reg", Utf16LeWithBom(windowsFile));
  const Outcome imported = Reg({"import", input});
  ASSERT_EQ(imported.status, 0) << imported.err;
  const Outcome exported = Reg({"export"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, expected);
  EXPECT_EQ(Reg({"get", "HKEY_LOCAL_MACHINE\\Software\\Orlent", "Quote"}).out, "say \"hi\"\n");

  // Our own UTF-8 output, with a BOM added, must read back the same.
  const std::string again = dir_.Write("again.reg", "\xEF\xBB\xBF" + exported.out);
  const std::string copy = dir_.File("copy.db");
  ASSERT_EQ(Reg({"--registry", copy, "import", again}).status, 0);
  const std::string exportFile = dir_.File("copy.reg");
  ASSERT_EQ(Reg({"--registry", copy, "export", exportFile}).status, 0);
  EXPECT_EQ(ReadBytes(exportFile), expected);

  const Outcome part = Reg({"export", "HKEY_CURRENT_USER"});
  EXPECT_EQ(part.out,
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Orlent\\Empty]\n\n");
}

TEST_F(PavaneRegTest, FileWithAnyBadLineIsRefusedWhole) {
  ASSERT_EQ(Reg({"create", "HKEY_LOCAL_MACHINE\\Seed"}).status, 0);
  const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n";
  struct Case {
    const char* label;
    std::string text;
    int line;
  };
  const std::vector<Case> cases = {
      {"no header", "[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"1\"\n", 1},
      {"old header", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n", 1},
      {"dword", header + "\"x\"=\"1\"\n; note\n\n\"y\"=dword:00000001\n", 7},
      {"hex", header + "\"x\"=hex:01,02\n", 4},
      {"key deletion", header + "\"x\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\B]\n", 5},
      {"value deletion", header + "\"x\"=-\n", 4},
      {"bad escape", header + "\"x\"=\"a\\nb\"\n", 4},
      {"unterminated", header + "\"x\"=\"abc\n", 4},
      {"unterminated name", header + "\"x=\"abc\"\n", 4},
      {"text after value", header + "\"x\"=\"a\" b\n", 4},
      {"value before section", "Windows Registry Editor Version 5.00\n\n\"x\"=\"1\"\n", 3},
      {"bad root", header + "[HKEY_NOWHERE\\B]\n", 4},
      {"empty key name", header + "[HKEY_LOCAL_MACHINE\\B\\\\C]\n", 4},
      {"stray text", header + "x=1\n", 4},
      {"CR LF counted once", "Windows Registry Editor Version 5.00\r\n\r\nx\r\n", 3},
  };
  for (const Case& bad : cases) {
    SCOPED_TRACE(bad.label);
    const Outcome outcome = Reg({"import", dir_.Write("bad.reg", bad.text)});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("line " + std::to_string(bad.line) + ":"), std::string::npos)
        << outcome.err;
  }
  os::SqliteRegistryStore store(registry_);
  os::RegistryKeyListing listing;
  ASSERT_EQ(store.ListKey("HKEY_LOCAL_MACHINE", "", listing), os::StoreStatus::kOk);
  EXPECT_EQ(listing.subkeys, std::vector<std::string>{"Seed"}) << "nothing was written";
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
      const std::string stem = dir_.File(who + std::to_string(batch));
      const std::string file = dir_.Write(who + std::to_string(batch) + ".reg", text);
      if (RunReg(registry_, {"import", file}, stem).status != 0) ++failures;
    }
  };
  std::thread first(writer, "first");
  std::thread second(writer, "second");
  first.join();
  second.join();
  EXPECT_EQ(failures, 0);

  os::SqliteRegistryStore store(registry_);
  os::RegistryKeyListing listing;
  ASSERT_EQ(store.ListKey("HKEY_LOCAL_MACHINE", "Race", listing), os::StoreStatus::kOk);
  ASSERT_EQ(listing.values.size(), 2u * kBatches * kValuesPerBatch);
  for (const os::RegistryValue& value : listing.values) EXPECT_EQ(value.name, value.data);
}

}  // namespace
}  // namespace pavane::tools
