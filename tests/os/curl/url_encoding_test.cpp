#include "os/url_encoding.h"

#include <gtest/gtest.h>

namespace pavane::os {
namespace {

TEST(UrlEncoding, QueryComponentsComeBackAndPageAddressesBecomeFileUrls) {
  const std::string unreserved =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";
  EXPECT_EQ(EncodeQueryComponent(unreserved), unreserved) << "unreserved stay as they are";
  // What else is encoded, and how, is pinned by the reports' addresses
  // (tracking tests).

  for (const std::string value :
       {"a&b=c", "x+y z", "100%", "%41", "C:\\Temp\\Setup.exe", "\xC3\xA9t\xC3\xA9", ""}) {
    EXPECT_EQ(DecodeQueryComponent(EncodeQueryComponent(value)), value) << value;
  }
  // Decoding leaves plus and malformed escapes alone.
  EXPECT_EQ(DecodeQueryComponent("a+b"), "a+b");
  EXPECT_EQ(DecodeQueryComponent("%zz%4"), "%zz%4");
  EXPECT_EQ(DecodeQueryComponent("%e6%97%a5"), "\xE6\x97\xA5") << "lower-case hex";
  EXPECT_EQ(DecodeQueryComponent("a%00b"), std::string("a\0b", 3)) << "NUL kept, not cut";

  // Install folders are named by users: whatever they hold stays path, and
  // only the page's own query follows the "?". A folder named with "?#%" is a
  // whole-run test (the printed legal page).
  const std::pair<const char*, const char*> pages[] = {
      {"/opt/HTML Screens/ja/x.htm?application=OL&x=\"a b\"",
       "file:///opt/HTML%20Screens/ja/x.htm?application=OL&x=\"a b\""},
      {"/opt/a?b/x.htm", "file:///opt/a%3Fb/x.htm"},
      {"/opt/\xC3\xA9/x.htm?", "file:///opt/%C3%A9/x.htm"},
  };
  for (const auto& [address, url] : pages) {
    const PageAddress page = SplitPageAddress(address);
    EXPECT_EQ(FileUrl(page.path, page.query), url) << address;
  }
}

}  // namespace
}  // namespace pavane::os
