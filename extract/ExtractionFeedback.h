#pragma once

#include <cstdint>
#include <string>

namespace texkit2::extract {

enum class MessageIcon { None, Warning, Error };

// How the extraction reports to whoever runs it (the main dialog, or the terminal).
class ExtractionFeedback {
 public:
  virtual ~ExtractionFeedback() = default;

  virtual void SetStatusText(const std::string& text) = 0;
  // The range is 0 to `maximum`; 32 bits so that large tables cannot wrap it.
  virtual void SetProgressRange(std::int32_t maximum) = 0;
  virtual void SetProgressPos(std::int32_t position) = 0;
  virtual void StepProgress() = 0;
  // Plays the extraction animation until StopBusyAnimation, without help from the caller.
  virtual void StartBusyAnimation() = 0;
  virtual void StopBusyAnimation() = 0;
  // Modal, with one OK button.
  virtual void ShowMessage(const std::string& text, const std::string& caption,
                           MessageIcon icon) = 0;
  // ShowMessage, with what its fixed text leaves out: the path involved and the system's reason.
  // The window shows the fixed text alone; the terminal prints the detail after it.
  virtual void ShowMessageWithDetail(const std::string& text, const std::string& caption,
                                     MessageIcon icon, const std::string& /*detail*/) {
    ShowMessage(text, caption, icon);
  }
  // A damaged map or texture left out of the scan. The window stays silent on these; the
  // terminal prints them.
  virtual void ReportSkipped(const std::string& /*what*/) {}
  // Something odd that the run read all the same (a map of another engine's format). Silent in
  // the window, as ReportSkipped.
  virtual void ReportWarning(const std::string& /*what*/) {}
  // How far the scan of one archive has come: maps scanned of the maps it holds. The window has
  // no use for it (its progress bar is the copy's); the terminal shows it, since a large
  // installation takes a while to scan.
  virtual void ReportScanProgress(const std::string& /*archive*/, std::int32_t /*scanned*/,
                                  std::int32_t /*maps*/) {}
};

} // namespace texkit2::extract
