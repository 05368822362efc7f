#include "run/deployment.h"

#include <cstdlib>

#include "pavane/build_config.h"

namespace pavane {
namespace {

std::string FromEnvironmentOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

// A trailing slash would double the one that every path begins with.
std::string WithoutTrailingSlashes(std::string value) {
  while (!value.empty() && value.back() == '/') value.pop_back();
  return value;
}

}  // namespace

Deployment Deployment::FromEnvironment() {
  return Deployment{
      .ServerBase =
          WithoutTrailingSlashes(FromEnvironmentOr("PAVANE_SERVER_BASE", build::kServerBase)),
      .AccountHost =
          WithoutTrailingSlashes(FromEnvironmentOr("PAVANE_ACCOUNT_HOST", build::kAccountHost)),
      .WebDomain = FromEnvironmentOr("PAVANE_WEB_DOMAIN", build::kWebDomain),
  };
}

}  // namespace pavane
