// The contact sheet: what the roads recorded, merged into one page.
#include "gtk/contact_sheet.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace pavane::os::gtk::testing {
namespace {

TEST(ContactSheet, ListsEveryRecordedPictureWithItsProblems) {
  pavane::testing::TempDir dir;
  const std::string root = dir.path().string();
  ASSERT_TRUE(SaveRecord(root, {100,
                                "en",
                                "TandemRoad-en",
                                {{"newsletter", "newsletter.png", {}},
                                 {"offer", "offer #1.png", {"lblHdr1 <needs> 300 & more"}}}}));
  ASSERT_TRUE(
      SaveRecord(root, {125, "xa", "TandemRoad-xa", {{"newsletter", "newsletter.png", {}}}}));
  ASSERT_TRUE(SaveRecord(root, {100, "de", "SalesRoad-de", {{"firewall", "firewall.png", {}}}}));
  // A road run again replaces its record; a broken record is passed over.
  ASSERT_TRUE(
      SaveRecord(root, {100, "de", "SalesRoad-de", {{"firewall", "firewall.png", {"cut"}}}}));
  dir.Write("100/fr/Broken.json", "{\"scaling\": 100, \"shots\": [");
  ASSERT_TRUE(WriteContactSheet(root));

  const std::string sheet = pavane::testing::ReadBytes(dir.File("index.html"));
  const auto at = [&](const std::string& text) { return sheet.find(text); };
  ASSERT_NE(at("<h2>100 %</h2>"), std::string::npos) << sheet;
  EXPECT_LT(at("<h2>100 %</h2>"), at("<h2>125 %</h2>"));
  EXPECT_NE(at("<th>en</th><th>de</th><th>fr</th><th>ja</th><th>xa</th>"), std::string::npos);
  for (const char* expected :
       {"<a href=\"100/en/newsletter.png\"><img src=\"100/en/newsletter.png\"",
        "<a href=\"100/en/offer%20%231.png\">", "<li>lblHdr1 &lt;needs&gt; 300 &amp; more</li>",
        "<a href=\"125/xa/newsletter.png\">", "<a href=\"100/de/firewall.png\">", "<li>cut</li>",
        "4 pictures, 2 problems"}) {
    EXPECT_NE(at(expected), std::string::npos) << expected << "\n" << sheet;
  }
  EXPECT_EQ(at("lblHdr1 <needs>"), std::string::npos);
  // Two pictures with problems, marked.
  std::size_t marked = 0;
  for (std::size_t i = at("class=\"bad\""); i != std::string::npos;
       i = sheet.find("class=\"bad\"", i + 1)) {
    ++marked;
  }
  EXPECT_EQ(marked, 2u);
}

}  // namespace
}  // namespace pavane::os::gtk::testing
