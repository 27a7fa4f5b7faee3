#pragma once

// Which common controls the process draws with: the manifest asks for version 6.

#include <string>

namespace texkit2::framework::win32 {

struct CommonControlsVersion {
  unsigned major = 0; // as comctl32's DllGetVersion reports it
  unsigned minor = 0;
  // The assembly version the process's activation context gives the controls' window classes
  // ("6.0.2600.2982"); empty where none does, as without a manifest. Wine's comctl32 answers
  // DllGetVersion with 5.81 whichever it is loaded as: this is what tells them apart there.
  std::string classes;
};

CommonControlsVersion commonControlsVersion();

// "Common controls 6.10, window classes of 6.0.22621.1", as printed by texkit2.exe.
std::string describe(const CommonControlsVersion& version);

} // namespace texkit2::framework::win32
