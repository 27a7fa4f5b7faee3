#pragma once

#include "framework/Dialog.h"

#include <cstdint>

namespace texkit2::app {

// The summary of the WAD file just written.
class CWadInfoDlg final : public framework::CDialog {
  Q_OBJECT
 public:
  explicit CWadInfoDlg(QWidget* parent = nullptr) : CDialog(133, parent) {}

  void SetSummary(const QString& fileName, std::uint32_t fileLength, std::int32_t totalEntries,
                  std::int32_t simpleTextures, std::int32_t animatedTextures);

  QString m_animatedTextures;
  QString m_fileSize;
  QString m_simpleTextures;
  QString m_totalEntries;
  QString m_fileName;

 protected:
  void DoDataExchange(framework::DataExchange& dx) override;
};

// The tool's name and version.
class CAboutDlg final : public framework::CDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr) : CDialog(100, parent) {}
};

} // namespace texkit2::app
