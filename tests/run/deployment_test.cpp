#include "run/deployment.h"

#include <gtest/gtest.h>

#include "pavane/build_config.h"
#include "support/temp_dir.h"

namespace pavane {
namespace {

using testing::ScopedEnv;

TEST(Deployment, EnvironmentOverridesTheBuildDefaults) {
  ScopedEnv account("PAVANE_ACCOUNT_HOST", "");
  EXPECT_EQ(Deployment::FromEnvironment().AccountHost, build::kAccountHost)
      << "an empty variable counts as unset";
  ScopedEnv server("PAVANE_SERVER_BASE", "http://qa.example:8080//");
  ScopedEnv domain("PAVANE_WEB_DOMAIN", "maker.example");
  const Deployment qa = Deployment::FromEnvironment();
  EXPECT_EQ(qa.ServerBase, "http://qa.example:8080") << "paths are appended with their own slash";
  EXPECT_EQ(qa.WebDomain, "maker.example");
}

}  // namespace
}  // namespace pavane
