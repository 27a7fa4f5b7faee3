#pragma once

#include "framework/Picture.h"

#include <QFrame>
#include <QImage>
#include <QPixmap>

namespace texkit2::framework {

// The pixels of a picture; null when it is empty or holds fewer bytes than its size says.
QImage toImage(const Picture& picture);

// Shows a picture from its top-left corner at its own size, or scaled down to fit when it is
// larger than the control; never scaled up, so that a texture's pixels stay pixels.
class PictureControl final : public QFrame {
  Q_OBJECT
 public:
  explicit PictureControl(QWidget* parent = nullptr);

  void setPicture(const Picture& picture);
  const Picture& picture() const { return m_picture; }
  // Words shown in the place of a missing picture, wrapped to the control's width.
  void setText(const QString& text);
  const QString& text() const { return m_text; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Picture m_picture;
  QString m_text;
  QImage m_image;
  QPixmap m_shown; // m_image as it fits the control, remade when the control's size changes
};

} // namespace texkit2::framework
