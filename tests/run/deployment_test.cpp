#include "run/deployment.h"

#include <gtest/gtest.h>

#include "pavane/build_config.h"
#include "support/temp_dir.h"

namespace pavane {
namespace {

using testing::ScopedEnv;

TEST(Deployment, EnvironmentOverridesTheBuildDefaults) {
  {
    ScopedEnv server("PAVANE_SERVER_BASE", nullptr);
    ScopedEnv account("PAVANE_ACCOUNT_HOST", "");
    ScopedEnv domain("PAVANE_WEB_DOMAIN", nullptr);
    const Deployment defaults = Deployment::FromEnvironment();
    EXPECT_EQ(defaults.ServerBase, build::kServerBase);
    EXPECT_EQ(defaults.AccountHost, build::kAccountHost) << "an empty variable counts as unset";
    EXPECT_EQ(defaults.WebDomain, build::kWebDomain);
  }
  ScopedEnv server("PAVANE_SERVER_BASE", "http://qa.example:8080//");
  ScopedEnv account("PAVANE_ACCOUNT_HOST", "https://account.example");
  ScopedEnv domain("PAVANE_WEB_DOMAIN", "maker.example");
  const Deployment qa = Deployment::FromEnvironment();
  EXPECT_EQ(qa.ServerBase, "http://qa.example:8080") << "paths are appended with their own slash";
  EXPECT_EQ(qa.AccountHost, "https://account.example");
  EXPECT_EQ(qa.WebDomain, "maker.example");
}

}  // namespace
}  // namespace pavane
