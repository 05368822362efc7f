// What a click on a link in a screen page leads to: a legal document in a
// window of its own, a page of the web in the user's browser, or the page
// following the link itself. The screens act on the decision; making it
// needs nothing but the run.
#pragma once

#include <string>
#include <string_view>

#include "run/run.h"

namespace pavane::reporting {

struct LinkDecision {
  enum class Kind {
    kFollow,   // not ours: the page follows the link itself
    kWeb,      // open `url` in the user's browser
    kLegal,    // open a legal document window on `formUrl`
    kNothing,  // ours, but it names no document we have: nothing opens
  };
  Kind kind = Kind::kFollow;
  std::string url;            // kWeb: the address to open
  std::string file;           // kLegal: the document's path
  std::string titleVariable;  // kLegal: language variable of its title, "" when none
  std::string formUrl;        // kLegal: file + "?App=" + ShownAppCode
};

// The installation's legal documents: HtmlScreensFolder + "Legal Files".
// A legal document window shows nothing from outside it.
std::string LegalFilesFolder(const RunSettings& settings);

// Matching is done on the address percent-decoded and lower-cased, so a
// file URL of ".../HTML%20Screens/Legal%20Files/..." is recognised with
// either path separator. Web links ("http:" or "https:", but not the empty
// host of "http:///") open as given; those to the maker's domain
// (whose host is run.Deploy.WebDomain or a name under it) get the language,
// application and scaling added. Legal documents are chosen by the first
// keyword the address holds, in the order disclaimers, disclosures,
// license, pricing, privacy; a "vblink" without one opens nothing, and an
// address in the legal folder without one opens that file.
LinkDecision DecideLink(const Run& run, std::string_view address);

// The print command of the legal document window from the registered HTML
// print command (the default value of
// "HKEY_CLASSES_ROOT\htmlfile\shell\print\command"): lower-cased, then
// "%systemroot%" becomes `windowsFolder` (the caller supplies "C:\WINDOWS"
// when it has none), "printhtml" becomes "PrintHTML" and "%1" the document
// as a file URL, query included.
std::string BuildPrintCommand(std::string registryCommand, std::string_view windowsFolder,
                              std::string_view formUrl);

}  // namespace pavane::reporting
