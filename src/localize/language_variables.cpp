#include "localize/language_variables.h"

namespace pavane::localize {

std::vector<std::string> RequiredVariableNames() {
  std::vector<std::string> names;
  for (const char* code : {"OL", "SW", "PT"}) {
    const std::string product(code);
    names.push_back("strLoc_PV_ProductName_" + product);
    names.push_back("str_SH_TD_Installer_" + product);
    names.push_back("str_SH_PV_Installer_" + product);
    names.push_back("strURL_SH_InputFileSACC_" + product);
  }
  for (const char* name :
       {"strURL_SH_EmailValidate", "strLoc_PV_ConfirmEmail", "strLoc_PV_EmailCompareFailed",
        "strLoc_PV_EmailIncorrect", "strLoc_PV_Reason", "strLoc_PV_PlsCorrectTryAgain",
        "strLoc_PV_TryAgain", "strLoc_PV_FirewallAlert", "strLoc_PV_Firewall_Msg",
        "strLoc_PV_Legal_Disclaimers", "strLoc_PV_Legal_Disclosures", "strLoc_PV_Legal_EULA",
        "strLoc_PV_Legal_Pricing", "strLoc_PV_Legal_PrivacyPolicy"}) {
    names.emplace_back(name);
  }
  return names;
}

}  // namespace pavane::localize
