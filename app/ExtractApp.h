#pragma once

#include "app/AppServices.h"
#include "framework/Application.h"

namespace texkit2::app {

// "auto" (any letter case) or any plain word: no shell command at start.
class CExtractCommandLineInfo final : public framework::CCommandLineInfo {
 public:
  static constexpr int kNoShellCommand = 100;

  void ParseParam(const std::string& parameter, bool isFlag, bool isLast) override;
};

// The WAD file the program is started on: the first word after the program's name that ends in
// ".wad" in any letter case. A leading '/' is the root of a POSIX path here, not a flag's mark.
std::string WadFileArgument(const std::vector<std::string>& arguments);

class CExtractApp final : public framework::CWinApp {
 public:
  CExtractApp(std::vector<std::string> arguments, AppServices& services)
      : CWinApp(std::move(arguments)), m_services(services) {}

  // Runs the main dialog, or the texture browser alone when started on a WAD file; false, so the
  // process ends when it closes.
  bool InitInstance() override;

  CExtractCommandLineInfo m_cmdInfo;

 private:
  AppServices& m_services;
};

} // namespace texkit2::app
