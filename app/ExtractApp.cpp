#include "app/ExtractApp.h"

#include "app/ExtractDlg.h"

namespace texkit2::app {

void CExtractCommandLineInfo::ParseParam(const QString& parameter, bool isFlag, bool isLast) {
  if (isFlag && parameter.compare("auto", Qt::CaseInsensitive) != 0) {
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
