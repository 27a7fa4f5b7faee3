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

std::string WadFileArgument(const std::vector<std::string>& arguments) {
  const std::string kSuffix = ".wad";
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word.size() > kSuffix.size() && word[0] != '-' &&
        platform::equalsIgnoringCase(word.substr(word.size() - kSuffix.size()), kSuffix)) {
      return word;
    }
  }
  return {};
}

bool CExtractApp::InitInstance() {
  ParseCommandLine(m_cmdInfo);
  if (m_cmdInfo.m_nShellCommand != CExtractCommandLineInfo::kNoShellCommand) {
    ProcessShellCommand(m_cmdInfo);
  }
  SetRegistryKey("Corvane");
  const std::string wadFile = WadFileArgument(arguments());
  if (!wadFile.empty() && m_services.browseTextures) {
    m_services.browseTextures(nullptr, wadFile);
    return false;
  }
  CExtractDlg dialog(m_services);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return false;
}

} // namespace texkit2::app
