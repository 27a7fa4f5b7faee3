#include "framework/Application.h"

#include "platform/AsciiCase.h"

namespace texkit2::framework {

void CCommandLineInfo::ParseParam(const std::string& parameter, bool isFlag, bool /*isLast*/) {
  ParseStandardParam(parameter, isFlag);
}

void CCommandLineInfo::ParseStandardParam(const std::string& parameter, bool isFlag) {
  if (!isFlag) {
    if (m_strFileName.empty()) {
      m_strFileName = parameter;
    }
    m_nShellCommand = FileOpen;
    return;
  }
  const std::string flag = platform::lowerAscii(parameter);
  if (flag == "p") {
    m_nShellCommand = FilePrint;
  } else if (flag == "pt") {
    m_nShellCommand = FilePrintTo;
  } else if (flag == "dde") {
    m_nShellCommand = FileDDE;
  } else if (flag == "register" || flag == "regserver") {
    m_nShellCommand = AppRegister;
  } else if (flag == "unregister" || flag == "unregserver") {
    m_nShellCommand = AppUnregister;
  } else if (flag == "embedding" || flag == "automation") {
    m_nShellCommand = FileNothing;
  }
}

CWinApp::CWinApp(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
  for (std::size_t i = 1; i < m_arguments.size(); ++i) {
    std::string parameter = m_arguments[i];
    const bool isFlag = !parameter.empty() && (parameter[0] == '-' || parameter[0] == '/');
    if (isFlag) {
      parameter.erase(0, 1);
    }
    info.ParseParam(parameter, isFlag, i + 1 == m_arguments.size());
  }
}

bool CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  ++m_shellCommandsProcessed;
  m_lastShellCommand = info.m_nShellCommand;
  return true;
}

int CWinApp::Run() {
  InitInstance();
  return 0;
}

} // namespace texkit2::framework
