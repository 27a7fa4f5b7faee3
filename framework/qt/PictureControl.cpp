#include "framework/qt/PictureControl.h"

#include <QPainter>

namespace texkit2::framework {

QImage toImage(const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.rgba.size() / 4 / static_cast<std::size_t>(picture.width) <
          static_cast<std::size_t>(picture.height)) {
    return {};
  }
  const qsizetype stride = qsizetype{picture.width} * 4;
  return QImage(picture.rgba.data(), picture.width, picture.height, stride, QImage::Format_RGBA8888)
      .copy();
}

PictureControl::PictureControl(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
}

void PictureControl::setPicture(const Picture& picture) {
  m_picture = picture;
  m_image = toImage(picture);
  m_shown = QPixmap();
  update();
}

void PictureControl::setText(const QString& text) {
  m_text = text;
  update();
}

void PictureControl::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (m_image.isNull()) {
    if (!m_text.isEmpty()) {
      QPainter painter(this);
      painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextWordWrap, m_text);
    }
    return;
  }
  const QRect area = contentsRect();
  const QSize fitted = m_image.width() > area.width() || m_image.height() > area.height()
                           ? m_image.size().scaled(area.size(), Qt::KeepAspectRatio)
                           : m_image.size();
  if (m_shown.size() != fitted) {
    m_shown =
        QPixmap::fromImage(fitted == m_image.size() ? m_image
                                                    : m_image.scaled(fitted, Qt::KeepAspectRatio,
                                                                     Qt::SmoothTransformation));
  }
  QPainter painter(this);
  painter.setClipRect(area);
  painter.drawPixmap(area.topLeft(), m_shown);
}

} // namespace texkit2::framework
