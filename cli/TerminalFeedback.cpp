#include "cli/TerminalFeedback.h"

#include <string>

namespace texkit2::cli {

TerminalFeedback::~TerminalFeedback() {
  endBar();
}

void TerminalFeedback::SetStatusText(const std::string& text) {
  // The window shows a repeated status as no change; a log should not print it twice.
  if (text == m_lastLine) {
    return;
  }
  endBar();
  m_out << text << '\n' << std::flush;
  m_lastLine = text;
}

void TerminalFeedback::SetProgressRange(std::int32_t maximum) {
  m_maximum = maximum;
  m_drawnPercent = -1;
}

void TerminalFeedback::SetProgressPos(std::int32_t position) {
  m_position = position;
  drawBar();
}

void TerminalFeedback::StepProgress() {
  if (m_position < m_maximum) {
    ++m_position;
  }
  drawBar();
}

void TerminalFeedback::ShowMessage(const std::string& text, const std::string& caption,
                                   extract::MessageIcon /*icon*/) {
  endBar();
  m_messages.push_back(caption + ": " + text);
  m_out << m_messages.back() << '\n' << std::flush;
  m_lastLine.clear();
}

void TerminalFeedback::ReportSkipped(const std::string& what) {
  endBar();
  m_skipped.push_back(what);
  m_out << "warning: " << what << '\n' << std::flush;
  m_lastLine.clear();
}

void TerminalFeedback::drawBar() {
  if (!m_interactive || m_maximum <= 0) {
    return;
  }
  const int percent = static_cast<int>(static_cast<std::int64_t>(m_position) * 100 / m_maximum);
  if (percent == m_drawnPercent) {
    return;
  }
  m_drawnPercent = percent;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  m_out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << percent << '%'
        << std::flush;
  m_barShown = true;
}

void TerminalFeedback::endBar() {
  if (m_barShown) {
    m_out << '\n' << std::flush;
    m_barShown = false;
    m_drawnPercent = -1;
  }
}

} // namespace texkit2::cli
