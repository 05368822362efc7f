#include "reporting/legal_links.h"

#include <algorithm>
#include <array>

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
  const std::string legalFiles = platform::JoinPath(settings.HtmlScreensFolder, "Legal Files");
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

}  // namespace

LinkDecision DecideLink(const Run& run, std::string_view address) {
  const RunSettings& settings = run.Settings;
  const std::string lower = platform::LowerCase(os::DecodeQueryComponent(address));
  LinkDecision decision;
  using platform::Contains;

  if (Contains(lower, "http:///") || Contains(lower, "https:///")) return decision;

  if (Contains(lower, "http:") || Contains(lower, "https:")) {
    decision.kind = LinkDecision::Kind::kWeb;
    decision.url = std::string(address);
    if (IsMakersHost(os::UrlHost(address), platform::LowerCase(run.Deploy.WebDomain))) {
      decision.url += Contains(lower, ".asp?") ? "&language=" : "?language=";
      decision.url += platform::LowerCase(settings.LanguageCode);
      decision.url += "&app=" + settings.ShownAppCode;
      decision.url += "&scaling=" + std::to_string(settings.ScalingPercent);
    }
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
    // Another file of the legal folder, by its own name: file names are
    // told apart by case here, so it is not lower-cased.
    std::string file = os::DecodeQueryComponent(address);
    if (platform::LowerCase(file).starts_with("file://")) file.erase(0, 7);
    decision.file = file;
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
