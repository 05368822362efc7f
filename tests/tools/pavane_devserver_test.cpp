// The reference server as the tests and the run script start it.
#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"
#include "support/devserver_process.h"

namespace pavane::testing {
namespace {

TEST(PavaneDevserver, ATakenPortIsRefusedNotShared) {
  DevserverProcess first(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(first.started());
  // A second server on the same port would take some of the requests
  // meant for the first, and its log would miss them.
  const auto second =
      RunProgram(PAVANE_DEVSERVER_PROGRAM, {"--port", std::to_string(first.port())});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("cannot listen on 127.0.0.1:" + std::to_string(first.port())),
            std::string::npos)
      << second.err;
}

}  // namespace
}  // namespace pavane::testing
