#include "cli/TerminalFeedback.h"

#include <string>

namespace texkit2::cli {
namespace {

constexpr int kBarWidth = 40;

int percentOf(std::int64_t position, std::int64_t maximum) {
  return static_cast<int>(position * 100 / maximum);
}

std::string bar(int percent) {
  const int filled = percent * kBarWidth / 100;
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "]";
}

} // namespace

TerminalFeedback::~TerminalFeedback() {
  endLine();
}

void TerminalFeedback::SetStatusText(const std::string& text) {
  // The window shows a repeated status as no change; a log should not print it twice.
  if (text == m_lastLine) {
    return;
  }
  // An unfinished bar belongs under the latest status: it moves down, instead of being left
  // behind above it (at 0%, before "Extracting textures").
  const bool barUnfinished = m_inPlace == InPlace::Bar && m_drawnPercent < 100;
  if (barUnfinished) {
    clearLine();
  } else {
    endLine();
  }
  m_out << text << '\n' << std::flush;
  m_lastLine = text;
  if (barUnfinished) {
    drawBar();
  }
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
                                   extract::MessageIcon icon) {
  ShowMessageWithDetail(text, caption, icon, {});
}

void TerminalFeedback::ShowMessageWithDetail(const std::string& text, const std::string& caption,
                                             extract::MessageIcon /*icon*/,
                                             const std::string& detail) {
  endLine();
  std::string line = caption + ": " + text;
  if (!detail.empty()) {
    line += " (" + detail + ")";
  }
  m_messages.push_back(line);
  m_out << m_messages.back() << '\n' << std::flush;
  m_lastLine.clear();
}

void TerminalFeedback::ReportSkipped(const std::string& what) {
  endLine();
  m_skipped.push_back(what);
  m_out << "warning: " << what << '\n' << std::flush;
  m_lastLine.clear();
}

void TerminalFeedback::ReportWarning(const std::string& what) {
  endLine();
  m_warnings.push_back(what);
  m_out << "warning: " << what << '\n' << std::flush;
  m_lastLine.clear();
}

void TerminalFeedback::ReportScanProgress(const std::string& archive, std::int32_t scanned,
                                          std::int32_t maps) {
  if (!m_interactive || maps <= 0) {
    return;
  }
  const int percent = percentOf(scanned, maps);
  if (m_inPlace != InPlace::Scan || percent != m_drawnPercent || scanned == maps) {
    if (m_inPlace == InPlace::Bar) {
      endLine();
    }
    m_drawnPercent = percent;
    show("Scanning " + archive + " " + bar(percent) + " " + std::to_string(scanned) + " of " +
             std::to_string(maps) + " maps",
         InPlace::Scan);
    m_lastLine.clear();
  }
  if (scanned == maps) {
    endLine();
  }
}

void TerminalFeedback::drawBar() {
  if (!m_interactive || m_maximum <= 0) {
    return;
  }
  const int percent = percentOf(m_position, m_maximum);
  if (m_inPlace == InPlace::Bar && percent == m_drawnPercent) {
    return;
  }
  if (m_inPlace == InPlace::Scan) {
    endLine();
  }
  m_drawnPercent = percent;
  show(bar(percent) + " " + std::to_string(percent) + "%", InPlace::Bar);
}

void TerminalFeedback::show(const std::string& line, InPlace kind) {
  // Spaces wipe what a longer line before it left.
  const std::size_t wipe = m_shownLength > line.size() ? m_shownLength - line.size() : 0;
  m_out << '\r' << line << std::string(wipe, ' ') << std::flush;
  m_shownLength = line.size();
  m_inPlace = kind;
}

void TerminalFeedback::clearLine() {
  if (m_inPlace != InPlace::None) {
    m_out << '\r' << std::string(m_shownLength, ' ') << '\r' << std::flush;
    m_inPlace = InPlace::None;
    m_shownLength = 0;
    m_drawnPercent = -1;
  }
}

void TerminalFeedback::endLine() {
  if (m_inPlace != InPlace::None) {
    m_out << '\n' << std::flush;
    m_inPlace = InPlace::None;
    m_shownLength = 0;
    m_drawnPercent = -1;
  }
}

} // namespace texkit2::cli
