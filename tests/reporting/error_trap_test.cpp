#include "reporting/error_trap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "pavane/build_config.h"
#include "support/test_run.h"

namespace pavane::reporting {
namespace {

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\Software\\Orlent";

class ErrorTrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run().Profile.ProductKeyName = "Orlent";
    run().Profile.StateValueName = "TDState";
    run().Profile.EditionMarker = "OL-Edition";
    run().Profile.ServerBaseUrl = "http://127.0.0.1:9/ol";
    run().Registry.CreateKey(kKey);
  }
  void SetState(const std::string& text) { run().Registry.SetStringValue(kKey, "TDState", text); }
  std::string State() { return run().Registry.GetStringValue(kKey, "TDState"); }
  pavane::Run& run() { return test_.run; }

  pavane::testing::TestRun test_;
};

TEST_F(ErrorTrapTest, EachTrappedErrorDeletesTheStateValue) {
  SetState("step 3");
  TrapErrors(run(), "SetStringsOrlent", [] { throw std::runtime_error("boom"); });
  EXPECT_EQ(run().ReportedErrors, 1);
  EXPECT_EQ(State(), "Error") << "deleted";

  // Past the two monitored errors the value is still deleted every time.
  for (int error = 2; error <= 4; ++error) {
    SetState("again");
    TrapErrors(run(), "GetStringValue", [] { throw 42; });
    EXPECT_EQ(run().ReportedErrors, error);
    EXPECT_EQ(State(), "Error") << "error " << error;
  }

  // Without a state value name of its own the main application's is used.
  run().Profile.StateValueName.clear();
  SetState("kept by the main application");
  ReportError(run(), "boom", "LoadProfile", "");
  EXPECT_EQ(State(), "Error");
}

TEST_F(ErrorTrapTest, MonitorAddressCarriesItsKeysInOrderWithEncodedValues) {
  SetState("a&b");
  const std::string url = BuildMonitorUrl(run(), "Type mismatch & more", "SetStringsOrlent", "");
  EXPECT_TRUE(url.starts_with(
      "http://127.0.0.1:9/ol/monitor.asp?Edition=OL-Edition&OLRTFunction=SetStringsOrlent"
      "&OLRTDescription=Type%20mismatch%20%26%20more&OLRTSource=&OLRTNumber=&OLRTLine="
      "&OLState=a%26b&OLRTOsVer="))
      << url;
  EXPECT_TRUE(
      url.ends_with("&OLRTScanCount=NA&OLRTVersion=" + std::to_string(build::kVersionMajor) + "_" +
                    std::to_string(build::kVersionMinor) + "_" +
                    std::to_string(build::kVersionRevision) + "&OLRTLastStep="))
      << url;
  EXPECT_EQ(State(), "a&b") << "composing reads the state, only reporting deletes it";
}

}  // namespace
}  // namespace pavane::reporting
