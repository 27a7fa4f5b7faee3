#pragma once

#include "extract/ExtractionFeedback.h"

#include <cstdint>
#include <string>
#include <vector>

namespace texkit2::testing {

struct ShownMessage {
  std::string text;
  std::string caption;
  extract::MessageIcon icon;

  bool operator==(const ShownMessage&) const = default;
};

// Keeps everything the extraction reported, in order.
class RecordingFeedback final : public extract::ExtractionFeedback {
 public:
  void SetStatusText(const std::string& text) override {
    statusTexts.push_back(text);
    events.push_back("status:" + text);
  }
  void SetProgressRange(std::int32_t maximum) override {
    progressMaximum = maximum;
    events.push_back("range:" + std::to_string(maximum));
  }
  void SetProgressPos(std::int32_t position) override {
    progressPosition = position;
    events.push_back("pos:" + std::to_string(position));
  }
  void StepProgress() override {
    ++progressPosition;
    ++steps;
  }
  void StartBusyAnimation() override {
    ++animationStarts;
    events.push_back("animation:start");
  }
  void StopBusyAnimation() override {
    ++animationStops;
    events.push_back("animation:stop");
  }
  void ShowMessage(const std::string& text, const std::string& caption,
                   extract::MessageIcon icon) override {
    messages.push_back({text, caption, icon});
    events.push_back("message:" + text);
  }
  void ShowMessageWithDetail(const std::string& text, const std::string& caption,
                             extract::MessageIcon icon, const std::string& detail) override {
    ShowMessage(text, caption, icon);
    details.push_back(detail);
  }
  void ReportSkipped(const std::string& what) override { skipped.push_back(what); }
  void ReportWarning(const std::string& what) override { warnings.push_back(what); }
  void ReportScanProgress(const std::string& archive, std::int32_t scanned,
                          std::int32_t maps) override {
    scanProgress.push_back(archive + " " + std::to_string(scanned) + "/" + std::to_string(maps));
  }

  std::vector<std::string> events;
  std::vector<std::string> statusTexts;
  std::vector<ShownMessage> messages;
  std::vector<std::string> details; // one per message shown with a detail
  std::vector<std::string> skipped;
  std::vector<std::string> warnings;
  std::vector<std::string> scanProgress; // "PAK0.PAK 1/3"
  std::int32_t progressMaximum = -1;
  std::int32_t progressPosition = 0;
  int steps = 0;
  int animationStarts = 0;
  int animationStops = 0;
};

} // namespace texkit2::testing
