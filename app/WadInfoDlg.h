#pragma once

#include "framework/Dialog.h"

#include <cstdint>
#include <string>

namespace texkit2::app {

// The summary of the WAD file just written.
class CWadInfoDlg final : public framework::CDialog {
 public:
  static constexpr int kTemplateId = 133;

  explicit CWadInfoDlg(framework::CDialog* owner = nullptr) : CDialog(kTemplateId, owner) {}

  void SetSummary(const std::string& fileName, std::uint32_t fileLength, std::int32_t totalEntries,
                  std::int32_t simpleTextures, std::int32_t animatedTextures);

  std::string m_animatedTextures;
  std::string m_fileSize;
  std::string m_simpleTextures;
  std::string m_totalEntries;
  std::string m_fileName;

  void DoDataExchange(framework::DataExchange& dx) override;
};

// The tool's name and version.
class CAboutDlg final : public framework::CDialog {
 public:
  explicit CAboutDlg(framework::CDialog* owner = nullptr) : CDialog(100, owner) {}
};

} // namespace texkit2::app
