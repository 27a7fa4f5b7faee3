#include "app/ExtractApp.h"

#include "app/ExtractDlg.h"
#include "platform/AsciiCase.h"

namespace texkit2::app {

void CExtractCommandLineInfo::ParseParam(const std::string& parameter, bool isFlag, bool isLast) {
  if (isFlag && !platform::equalsIgnoringCase(parameter, "auto")) {
    CCommandLineInfo::ParseParam(parameter, isFlag, isLast);
    return;
  }
  m_nShellCommand = kNoShellCommand;
}

bool CExtractApp::InitInstance() {
  ParseCommandLine(m_cmdInfo);
  if (m_cmdInfo.m_nShellCommand != CExtractCommandLineInfo::kNoShellCommand) {
    ProcessShellCommand(m_cmdInfo);
  }
  SetRegistryKey("Corvane");
  CExtractDlg dialog(m_services);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return false;
}

} // namespace texkit2::app
