#include "app/WadInfoDlg.h"

namespace texkit2::app {

void CWadInfoDlg::SetSummary(const std::string& fileName, std::uint32_t fileLength,
                             std::int32_t totalEntries, std::int32_t simpleTextures,
                             std::int32_t animatedTextures) {
  m_fileName = fileName;
  m_fileSize = std::to_string(fileLength / 1024) + " KB";
  m_animatedTextures = std::to_string(animatedTextures);
  m_simpleTextures = std::to_string(simpleTextures);
  m_totalEntries = std::to_string(totalEntries);
}

void CWadInfoDlg::DoDataExchange(framework::DataExchange& dx) {
  framework::DDX_Text(dx, 1019, m_animatedTextures);
  framework::DDX_Text(dx, 1016, m_fileSize);
  framework::DDX_Text(dx, 1018, m_simpleTextures);
  framework::DDX_Text(dx, 1017, m_totalEntries);
  framework::DDX_Text(dx, 1021, m_fileName);
}

bool CWadInfoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  EnableItem(kTextures, static_cast<bool>(m_browseTextures));
  EnableItem(kTrenchBroom, static_cast<bool>(m_setUpTrenchBroom));
  return true;
}

void CWadInfoDlg::OnCommand(int controlId) {
  if (controlId == kTextures && m_browseTextures) {
    m_browseTextures(*this);
    return;
  }
  if (controlId == kTrenchBroom && m_setUpTrenchBroom) {
    m_setUpTrenchBroom(*this);
    return;
  }
  CDialog::OnCommand(controlId);
}

} // namespace texkit2::app
