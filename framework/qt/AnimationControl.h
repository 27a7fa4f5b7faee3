#pragma once

#include "framework/qt/QtResources.h"

#include <QLabel>
#include <QTimer>

namespace texkit2::framework {

// Plays a clip from the program's resources on its own timer, so it keeps moving while the
// dialog waits for a long operation. The background stays transparent.
class AnimationControl final : public QLabel {
  Q_OBJECT
 public:
  explicit AnimationControl(QWidget* parent = nullptr);

  bool Open(int clipId);
  void Close();
  // Frames `from` to `to` (-1: the last), `repeat` times (-1: without end).
  bool Play(int from, int to, int repeat);
  void Stop();

  bool isOpen() const { return m_clip.has_value(); }
  bool isPlaying() const { return m_timer.isActive(); }
  int openClip() const { return m_clipId; }
  int currentFrame() const { return m_frame; }
  int frameCount() const { return m_clip ? static_cast<int>(m_clip->frames.size()) : 0; }
  // Frames shown since the control was made; tests watch it advance.
  int framesShown() const { return m_framesShown; }

 signals:
  void frameShown(int frame);

 private:
  void showFrame(int frame);
  void advance();

  std::optional<Clip> m_clip;
  int m_clipId = 0;
  QTimer m_timer;
  int m_frame = 0;
  int m_from = 0;
  int m_to = 0;
  int m_repeatsLeft = 0;
  int m_framesShown = 0;
};

} // namespace texkit2::framework
