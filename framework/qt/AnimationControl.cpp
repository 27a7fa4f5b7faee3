#include "framework/qt/AnimationControl.h"

namespace texkit2::framework {

AnimationControl::AnimationControl(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  setAttribute(Qt::WA_TranslucentBackground);
  setAutoFillBackground(false);
  connect(&m_timer, &QTimer::timeout, this, &AnimationControl::advance);
}

bool AnimationControl::Open(int clipId) {
  Close();
  m_clip = LoadClip(clipId);
  if (!m_clip) {
    return false;
  }
  m_clipId = clipId;
  m_timer.setInterval(m_clip->frameMs);
  showFrame(0);
  return true;
}

void AnimationControl::Close() {
  m_timer.stop();
  m_clip.reset();
  m_clipId = 0;
  m_frame = 0;
  clear();
}

bool AnimationControl::Play(int from, int to, int repeat) {
  if (!m_clip) {
    return false;
  }
  const int last = frameCount() - 1;
  m_from = std::clamp(from, 0, last);
  m_to = to < 0 ? last : std::clamp(to, m_from, last);
  m_repeatsLeft = repeat;
  showFrame(m_from);
  m_timer.start();
  return true;
}

void AnimationControl::Stop() {
  m_timer.stop();
}

void AnimationControl::showFrame(int frame) {
  m_frame = frame;
  setPixmap(m_clip->frames[static_cast<std::size_t>(frame)]);
  ++m_framesShown;
  emit frameShown(frame);
}

void AnimationControl::advance() {
  if (!m_clip) {
    m_timer.stop();
    return;
  }
  if (m_frame < m_to) {
    showFrame(m_frame + 1);
    return;
  }
  if (m_repeatsLeft > 0) {
    --m_repeatsLeft;
  }
  if (m_repeatsLeft == 0) {
    m_timer.stop();
    return;
  }
  showFrame(m_from);
}

} // namespace texkit2::framework
