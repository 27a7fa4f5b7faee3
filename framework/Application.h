#pragma once

#include <string>
#include <vector>

namespace texkit2::framework {

// What the command line asks of the application at start.
class CDialog;

class CCommandLineInfo {
 public:
  enum ShellCommand {
    FileNew = 0,
    FileOpen,
    FilePrint,
    FilePrintTo,
    FileDDE,
    AppRegister,
    AppUnregister,
    FileNothing
  };

  virtual ~CCommandLineInfo() = default;

  // One argument, with its leading '-' or '/' removed when it is a flag.
  virtual void ParseParam(const std::string& parameter, bool isFlag, bool isLast);

  int m_nShellCommand = FileNew;
  std::string m_strFileName;

 protected:
  // The standard flags (/p, /pt, /dde, /regserver, ...) and plain words: they only choose a
  // shell command, which this framework accepts and has nothing to do with.
  void ParseStandardParam(const std::string& parameter, bool isFlag);
};

// The application object: start-up logic lives in InitInstance.
class CWinApp {
 public:
  explicit CWinApp(std::vector<std::string> arguments);
  virtual ~CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance() = 0;

  // Hands each argument after the program name to `info`.
  void ParseCommandLine(CCommandLineInfo& info) const;
  // The standard start-up action: none of them has an effect in a tool without documents.
  bool ProcessShellCommand(CCommandLineInfo& info);
  void SetRegistryKey(const std::string& company) { m_registryKey = company; }
  const std::string& registryKey() const { return m_registryKey; }
  int shellCommandsProcessed() const { return m_shellCommandsProcessed; }
  // The command line as given, the program's name first.
  const std::vector<std::string>& arguments() const { return m_arguments; }
  int lastShellCommand() const { return m_lastShellCommand; }

  // Runs InitInstance; returns the process's exit code.
  int Run();

  CDialog* m_pMainWnd = nullptr;

 private:
  std::vector<std::string> m_arguments;
  std::string m_registryKey;
  int m_shellCommandsProcessed = 0;
  int m_lastShellCommand = -1;
};

} // namespace texkit2::framework
