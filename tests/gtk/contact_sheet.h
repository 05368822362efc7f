// The contact sheet of the desktop roads: every screenshot of every
// scaling and language on one page, each problem found marked on its
// picture.
//
// Each road leaves a record beside its pictures
// (<root>/<scaling>/<language>/<road>.json); the sheet, <root>/index.html,
// is written again from all records found, so roads run one after another,
// in parallel or at other scalings all end up on it.
#pragma once

#include <string>
#include <vector>

namespace pavane::os::gtk::testing {

struct SheetShot {
  std::string screen;  // the row: "newsletter", "offer", ...
  std::string file;    // the picture, beside the record
  std::vector<std::string> problems;
};

struct SheetRecord {
  int scaling = 100;
  std::string language;
  std::string road;
  std::vector<SheetShot> shots;
};

// Writes the record as <root>/<scaling>/<language>/<road>.json.
bool SaveRecord(const std::string& root, const SheetRecord& record);
// Rewrites <root>/index.html from every record below root; false when it
// cannot be written.
bool WriteContactSheet(const std::string& root);

}  // namespace pavane::os::gtk::testing
