#pragma once

#include "extract/ExtractionFeedback.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace texkit2::cli {

// The extraction's feedback on a terminal: status lines, and a progress bar when the stream is
// an interactive terminal; plain lines otherwise. Messages read "caption: text".
class TerminalFeedback final : public extract::ExtractionFeedback {
 public:
  TerminalFeedback(std::ostream& out, bool interactive) : m_out(out), m_interactive(interactive) {}
  ~TerminalFeedback() override;

  void SetStatusText(const std::string& text) override;
  void SetProgressRange(std::int32_t maximum) override;
  void SetProgressPos(std::int32_t position) override;
  void StepProgress() override;
  void StartBusyAnimation() override {}
  void StopBusyAnimation() override {}
  void ShowMessage(const std::string& text, const std::string& caption,
                   extract::MessageIcon icon) override;
  void ShowMessageWithDetail(const std::string& text, const std::string& caption,
                             extract::MessageIcon icon, const std::string& detail) override;
  void ReportSkipped(const std::string& what) override;
  void ReportWarning(const std::string& what) override;
  void ReportScanProgress(const std::string& archive, std::int32_t scanned,
                          std::int32_t maps) override;

  // Ends the line drawn in place (a progress bar), so that others may write below it.
  void endLine();

  // What was reported, for the JSON summary: messages as "caption: text", in order.
  const std::vector<std::string>& messages() const { return m_messages; }
  const std::vector<std::string>& skipped() const { return m_skipped; }
  const std::vector<std::string>& warnings() const { return m_warnings; }

 private:
  // The line drawn in place (rewritten after a carriage return) on a terminal.
  enum class InPlace { None, Bar, Scan };

  void drawBar();
  void show(const std::string& line, InPlace kind);
  void clearLine(); // wipes the line in place: the next output takes its room

  std::ostream& m_out;
  bool m_interactive;
  std::int32_t m_maximum = 0;
  std::int32_t m_position = 0;
  int m_drawnPercent = -1;
  InPlace m_inPlace = InPlace::None;
  std::size_t m_shownLength = 0;
  std::vector<std::string> m_messages;
  std::vector<std::string> m_skipped;
  std::vector<std::string> m_warnings;
  std::string m_lastLine; // the last status line printed, while nothing else followed it
};

} // namespace texkit2::cli
