// The application profile: registry key, server addresses and the
// per-product tables of the main application of the run.
#pragma once

#include <array>
#include <string>

namespace pavane {

// Per-product tables are indexed by product index (1, 2, 4); 0 holds the
// program-files folder in the path table, 3 is never used.
inline constexpr std::size_t kProductTableSize = 10;
using ProductTable = std::array<std::string, kProductTableSize>;

inline constexpr const char* kNotDoneMarker = "NoT_dOnE";
inline constexpr const char* kDoneMarker = "DoNe";

struct ApplicationProfile {
  std::string ProductKeyName;
  std::string ProfileAppCode;
  std::string EditionMarker;
  std::string ServerBaseUrl;
  std::string TrackingUrl;
  std::string AccountPageUrl;
  std::string StateValueName;
  std::string DownloaderName;
  ProductTable DoneMarkers;
  ProductTable ProductExePaths;
  ProductTable TandemInstallerNames;
  ProductTable SaccInputFileUrls;
  ProductTable PavaneInstallerNames;
  ProductTable DaysDelay;

  // "HKEY_LOCAL_MACHINE\Software\" + ProductKeyName; "" (no key) for an
  // application that is none of the three.
  std::string ApplicationKey() const;
};

}  // namespace pavane
