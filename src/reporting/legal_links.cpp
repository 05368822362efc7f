#include "reporting/legal_links.h"

#include <algorithm>
#include <array>
#include <optional>

#include "os/files.h"
#include "os/url_encoding.h"
#include "platform/system_helpers.h"
#include "platform/text.h"

namespace pavane::reporting {
namespace {

enum class LegalFolder { kProduct, kProductShared, kSharedByAll };

struct LegalDocument {
  std::string_view keyword;
  LegalFolder folder;
  std::string_view fileName;
  std::string_view titleVariable;
};

// The order decides when an address holds several keywords.
constexpr std::array<LegalDocument, 5> kLegalDocuments = {{
    {"disclaimers", LegalFolder::kProduct, "disclaimers.htm", "strLoc_PV_Legal_Disclaimers"},
    {"disclosures", LegalFolder::kProduct, "disclosures.htm", "strLoc_PV_Legal_Disclosures"},
    {"license", LegalFolder::kProductShared, "license.htm", "strLoc_PV_Legal_EULA"},
    {"pricing", LegalFolder::kProduct, "pricing.htm", "strLoc_PV_Legal_Pricing"},
    {"privacy", LegalFolder::kSharedByAll, "privacy.htm", "strLoc_PV_Legal_PrivacyPolicy"},
}};

std::string LegalFile(const RunSettings& settings, const LegalDocument& document) {
  const std::string legalFiles = LegalFilesFolder(settings);
  const std::string productFolder = platform::JoinPath(legalFiles, settings.ShownAppCode);
  switch (document.folder) {
    case LegalFolder::kProduct:
      return platform::JoinPath(platform::JoinPath(productFolder, settings.LanguageCode),
                                document.fileName);
    case LegalFolder::kProductShared:
      return platform::JoinPath(platform::JoinPath(productFolder, "shared"), document.fileName);
    case LegalFolder::kSharedByAll:
      return platform::JoinPath(
          platform::JoinPath(platform::JoinPath(legalFiles, "Shared"), settings.LanguageCode),
          document.fileName);
  }
  return {};
}

// The maker's own sites: the domain itself and every name under it.
bool IsMakersHost(std::string_view host, std::string_view domain) {
  if (host.empty() || domain.empty()) return false;
  if (host == domain) return true;
  return host.size() > domain.size() && host.ends_with(domain) &&
         host[host.size() - domain.size() - 1] == '.';
}

// The maker's pages learn the language, application and scaling: after the
// query the address has (or as its query), before any fragment.
std::string WithMakersKeys(std::string_view address, const RunSettings& settings) {
  const std::size_t fragment = address.find('#');
  const std::string_view page = address.substr(0, fragment);
  std::string url(page);
  url += page.find('?') != std::string_view::npos ? "&language=" : "?language=";
  url += platform::LowerCase(settings.LanguageCode);
  url += "&app=" + settings.ShownAppCode;
  url += "&scaling=" + std::to_string(settings.ScalingPercent);
  if (fragment != std::string_view::npos) url += address.substr(fragment);
  return url;
}

// The file a link to "another file of the legal folder" names, spelt as on
// disk where it exists; "" unless it is a local file inside that folder.
std::string FileInLegalFolder(const RunSettings& settings, const std::optional<os::UrlParts>& url) {
  if (!url || url->scheme != "file" || (!url->host.empty() && url->host != "localhost")) return {};
  const std::string legalFiles = LegalFilesFolder(settings);
  const std::string folder = os::ResolvePath(legalFiles).value_or(legalFiles);
  const std::string file = os::ResolvePath(url->path).value_or(url->path);
  return platform::IsInsideFolder(file, folder) ? file : std::string();
}

}  // namespace

std::string LegalFilesFolder(const RunSettings& settings) {
  return platform::JoinPath(settings.HtmlScreensFolder, "Legal Files");
}

LinkDecision DecideLink(const Run& run, std::string_view address) {
  const RunSettings& settings = run.Settings;
  const std::string lower = platform::LowerCase(os::DecodeQueryComponent(address));
  LinkDecision decision;
  using platform::Contains;

  if (Contains(lower, "http:///") || Contains(lower, "https:///")) return decision;

  // The address is taken apart once; its scheme decides, not the words it
  // holds ("file:///etc/passwd?http://x" is no web link).
  const std::optional<os::UrlParts> url = os::ParseUrl(address);
  if (url && (url->scheme == "http" || url->scheme == "https") && !url->host.empty()) {
    decision.kind = LinkDecision::Kind::kWeb;
    decision.url = IsMakersHost(url->host, platform::LowerCase(run.Deploy.WebDomain))
                       ? WithMakersKeys(address, settings)
                       : std::string(address);
    return decision;
  }

  if (!Contains(lower, "vblink") && !Contains(lower, "html screens\\legal files") &&
      !Contains(lower, "html screens/legal files")) {
    return decision;
  }
  decision.kind = LinkDecision::Kind::kLegal;
  const auto document =
      std::find_if(kLegalDocuments.begin(), kLegalDocuments.end(),
                   [&lower](const LegalDocument& d) { return Contains(lower, d.keyword); });
  if (document != kLegalDocuments.end()) {
    decision.file = LegalFile(settings, *document);
    decision.titleVariable = std::string(document->titleVariable);
  } else if (Contains(lower, "vblink")) {
    // A name for a document we do not have: there is nothing to show.
    decision.kind = LinkDecision::Kind::kNothing;
    return decision;
  } else {
    // Another file of the legal folder, by its own name (file names are told
    // apart by case here, so it is not lower-cased); none outside it.
    decision.file = FileInLegalFolder(settings, url);
    if (decision.file.empty()) {
      decision.kind = LinkDecision::Kind::kNothing;
      return decision;
    }
  }
  decision.formUrl = decision.file + "?App=" + settings.ShownAppCode;
  return decision;
}

std::string BuildPrintCommand(std::string registryCommand, std::string_view windowsFolder,
                              std::string_view formUrl) {
  std::string command = platform::LowerCase(registryCommand);
  command = platform::ReplaceAll(command, "%systemroot%", windowsFolder);
  command = platform::ReplaceAll(command, "printhtml", "PrintHTML");
  const os::PageAddress address = os::SplitPageAddress(formUrl);
  return platform::ReplaceAll(command, "%1", os::FileUrl(address.path, address.query));
}

}  // namespace pavane::reporting
