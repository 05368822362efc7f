#include "os/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace pavane::os {
namespace {

using testing::ReadBytes;
using testing::TempDir;

TEST(ResolvePath, FindsEachComponentWithoutRegardToCasePreferringExactSpellingThenByteOrder) {
  TempDir dir;
  dir.Write("Localized/PV/LanguageLoader.ini", "x");
  dir.Write("Read.me", "1");
  dir.Write("read.ME", "2");
  dir.Write("READ.me", "3");
  dir.Write("Ä/x", "");
  const std::string base = dir.path().string();
  EXPECT_EQ(ResolvePath(base + "/localized/pv/languageloader.INI"),
            base + "/Localized/PV/LanguageLoader.ini");
  EXPECT_EQ(ResolvePath(base + "/LOCALIZED//./pv/"), base + "/Localized/PV/") << "trailing /";
  EXPECT_EQ(ResolvePath(base + "/localized/xx/languageloader.ini"), std::nullopt);
  EXPECT_EQ(ResolvePath(""), std::nullopt);
  EXPECT_EQ(ResolvePath(base + "/read.ME"), base + "/read.ME");
  EXPECT_EQ(ResolvePath(base + "/read.me"), base + "/READ.me");
  EXPECT_EQ(ResolvePath(base + "/ä/X"), base + "/Ä/x") << "non-ASCII case";
}

// Reads stop at their cap; a failed write keeps the previous file.
TEST(Files, ReadsAreCappedAndAFailedWriteKeepsThePreviousFile) {
  TempDir dir;
  const std::string path = dir.Write("language.inx", std::string(100, 'a'));
  std::string bytes;
  FileError error;
  EXPECT_TRUE(ReadFileBytes(path, 100, bytes, error));
  EXPECT_EQ(bytes.size(), 100u);
  EXPECT_FALSE(ReadFileBytes(path, 99, bytes, error));
  EXPECT_EQ(error.number, 7);
  EXPECT_EQ(error.description, "File is larger than 99 bytes");
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(ReadFileBytes(dir.File("none"), 100, bytes, error));
  EXPECT_EQ(error.number, 53);

  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(path, "second", error)) << error.description;
  EXPECT_EQ(ReadBytes(path), "second");
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "permissions kept";

  // A file size limit makes the write fail even for root, where read-only
  // folders would not.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteFileAtomically(path, "much longer than four bytes", error);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(error.number, 61);
  EXPECT_EQ(ReadBytes(path), "second");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
      << "temporary file removed";
}

TEST(WriteFileAtomically, WritesThroughSymbolicLinks) {
  TempDir dir;
  const std::string target = dir.Write("real/language.inx", "old");
  std::filesystem::create_directory(dir.File("links"));
  std::filesystem::create_symlink("../real/language.inx", dir.File("links/relative.inx"));
  std::filesystem::create_symlink(dir.File("links/relative.inx"), dir.File("chain.inx"));
  std::filesystem::create_symlink("missing.inx", dir.File("real/dangling.inx"));
  std::filesystem::create_symlink("loop.inx", dir.File("loop.inx"));
  FileError error;
  for (const char* link : {"links/relative.inx", "chain.inx"}) {
    ASSERT_TRUE(WriteFileAtomically(dir.File(link), link, error)) << error.description;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File(link))) << link;
    EXPECT_EQ(ReadBytes(target), link);
  }
  ASSERT_TRUE(WriteFileAtomically(dir.File("real/dangling.inx"), "new", error));
  EXPECT_EQ(ReadBytes(dir.File("real/missing.inx")), "new") << "a dangling link's file is made";
  EXPECT_FALSE(WriteFileAtomically(dir.File("loop.inx"), "x", error));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("real")), {}), 3)
      << "no temporary file left, and none beside the links";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("links")), {}), 1);
}

}  // namespace
}  // namespace pavane::os
