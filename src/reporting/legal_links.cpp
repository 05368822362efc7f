#include "reporting/legal_links.h"

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
    const std::string domain = platform::LowerCase(run.Deploy.WebDomain);
    if (!domain.empty() && Contains(lower, domain)) {
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
  decision.file = lower;
  for (const LegalDocument& document : kLegalDocuments) {
    if (Contains(lower, document.keyword)) {
      decision.file = LegalFile(settings, document);
      decision.titleVariable = std::string(document.titleVariable);
      break;
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
