#pragma once

#include "framework/Dialog.h"

#include <cstdint>
#include <functional>
#include <string>

namespace texkit2::app {

// The summary of the WAD file just written.
class CWadInfoDlg final : public framework::CDialog {
 public:
  static constexpr int kTemplateId = 133;
  static constexpr int kTextures = 1038;
  static constexpr int kTrenchBroom = 1040;

  explicit CWadInfoDlg(framework::CDialog* owner = nullptr) : CDialog(kTemplateId, owner) {}

  void SetSummary(const std::string& fileName, std::uint32_t fileLength, std::int32_t totalEntries,
                  std::int32_t simpleTextures, std::int32_t animatedTextures);

  std::string m_animatedTextures;
  std::string m_fileSize;
  std::string m_simpleTextures;
  std::string m_totalEntries;
  std::string m_fileName;

  // What the Textures button opens; without it the button is disabled.
  std::function<void(framework::CDialog&)> m_browseTextures;
  // What the Set up TrenchBroom button does; without it the button is disabled.
  std::function<void(framework::CDialog&)> m_setUpTrenchBroom;

  void DoDataExchange(framework::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnCommand(int controlId) override;
};

// The tool's name and version.
class CAboutDlg final : public framework::CDialog {
 public:
  explicit CAboutDlg(framework::CDialog* owner = nullptr) : CDialog(100, owner) {}
};

} // namespace texkit2::app
