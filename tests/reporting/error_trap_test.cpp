#include "reporting/error_trap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "os/url_encoding.h"
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

TEST_F(ErrorTrapTest, EachTrappedErrorDeletesTheStateValueAndTheRoutineGoesOn) {
  SetState("step 3");
  EXPECT_EQ(TattleTale(run(), ""), "step 3");

  bool afterThrow = false;
  bool nextStep = false;
  TrapErrors(run(), "SetStringsOrlent", [&] {
    throw std::runtime_error("boom");
    afterThrow = true;
  });
  TrapErrors(run(), "SetStringsOrlent", [&] { nextStep = true; });
  EXPECT_FALSE(afterThrow);
  EXPECT_TRUE(nextStep);
  EXPECT_EQ(run().ReportedErrors, 1);
  EXPECT_EQ(State(), "Error") << "deleted";

  // Past the two monitored errors the value is still deleted every time.
  for (int error = 2; error <= 4; ++error) {
    SetState("again");
    TrapErrors(run(), "GetStringValue", [] { throw 42; });
    EXPECT_EQ(run().ReportedErrors, error);
    EXPECT_EQ(State(), "Error") << "error " << error;
  }
  EXPECT_EQ(run().Http.InFlight(), 0u) << "nothing is sent";
  EXPECT_TRUE(test_.messages.empty()) << "nothing is shown";
}

TEST_F(ErrorTrapTest, WithoutAStateValueNameTheMainApplicationsDefaultIsUsed) {
  run().Profile.StateValueName.clear();
  SetState("kept by the main application");
  ReportError(run(), "boom", "LoadProfile", "");
  EXPECT_EQ(State(), "Error");
}

TEST_F(ErrorTrapTest, MonitorAddressCarriesItsKeysInOrderWithEncodedValues) {
  SetState("a&b");
  const std::string url = BuildMonitorUrl(run(), "Type mismatch & more", "SetStringsOrlent", "");
  const std::string prefix = "http://127.0.0.1:9/ol/monitor.asp?Edition=OL-Edition";
  ASSERT_TRUE(url.starts_with(prefix)) << url;

  std::vector<std::string> keys;
  std::map<std::string, std::string> values;
  std::string_view query = std::string_view(url).substr(url.find('?') + 1);
  while (!query.empty()) {
    const std::string_view piece = query.substr(0, query.find('&'));
    query.remove_prefix(std::min(query.size(), piece.size() + 1));
    const std::string key(piece.substr(0, piece.find('=')));
    keys.push_back(key);
    values[key] = os::DecodeQueryComponent(piece.substr(key.size() + 1));
  }
  EXPECT_EQ(keys,
            (std::vector<std::string>{"Edition", "OLRTFunction", "OLRTDescription", "OLRTSource",
                                      "OLRTNumber", "OLRTLine", "OLState", "OLRTOsVer",
                                      "OLRTScanCount", "OLRTVersion", "OLRTLastStep"}));
  EXPECT_EQ(values["OLRTDescription"], "Type mismatch & more");
  EXPECT_EQ(values["OLState"], "a&b");
  EXPECT_EQ(values["OLRTScanCount"], "NA");
  EXPECT_EQ(std::count(values["OLRTVersion"].begin(), values["OLRTVersion"].end(), '_'), 2)
      << values["OLRTVersion"];
  EXPECT_EQ(State(), "a&b") << "composing reads the state, only reporting deletes it";
}

}  // namespace
}  // namespace pavane::reporting
