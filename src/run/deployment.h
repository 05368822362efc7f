// Where the maker's servers are: values fixed at build time that the
// environment may override (PAVANE_SERVER_BASE, PAVANE_ACCOUNT_HOST,
// PAVANE_WEB_DOMAIN), so that tests and QA can point a run elsewhere.
#pragma once

#include <string>

namespace pavane {

struct Deployment {
  std::string ServerBase;   // scheme and host, no trailing slash
  std::string AccountHost;  // scheme and host of the account pages
  std::string WebDomain;    // the maker's domain as it appears in links

  // The build defaults, each replaced by its non-empty environment variable.
  static Deployment FromEnvironment();
};

}  // namespace pavane
