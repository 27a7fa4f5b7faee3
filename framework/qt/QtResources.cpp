#include "framework/qt/QtResources.h"

#include "framework/Resources.h"
#include "res/Resources.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace texkit2::framework {
namespace {

QByteArray readResource(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return file.readAll();
}

} // namespace

void initResources() {
  static bool done = false;
  if (!done) {
    texkit2InitResources();
    done = true;
  }
}

std::optional<QString> LoadStringQ(int id) {
  static const QJsonObject table =
      QJsonDocument::fromJson(readResource(":/res/strings.json")).object();
  const QJsonValue value = table.value(QString::number(id));
  if (!value.isString()) {
    return std::nullopt;
  }
  return value.toString();
}

std::optional<std::string> LoadString(int id) {
  initResources();
  const auto text = LoadStringQ(id);
  if (!text) {
    return std::nullopt;
  }
  return text->toStdString();
}

QIcon LoadIcon(int id) {
  QIcon icon;
  const QString base = QString(":/res/icon%1").arg(id);
  if (QFile::exists(base + ".png")) {
    icon.addFile(base + ".png");
  }
  for (const int size : {16, 32, 48, 256}) {
    const QString path = QString("%1_%2.png").arg(base).arg(size);
    if (QFile::exists(path)) {
      icon.addFile(path, QSize(size, size));
    }
  }
  return icon;
}

QPixmap LoadBitmap(int id) {
  return QPixmap(QString(":/res/bitmap%1.png").arg(id));
}

std::optional<Clip> LoadClip(int id) {
  const QJsonObject info =
      QJsonDocument::fromJson(readResource(QString(":/res/clip%1.json").arg(id))).object();
  const QPixmap strip(QString(":/res/clip%1.png").arg(id));
  const int frames = info["frames"].toInt();
  const int width = info["width"].toInt();
  const int height = info["height"].toInt();
  if (strip.isNull() || frames <= 0 || width <= 0 || strip.width() < frames * width) {
    return std::nullopt;
  }
  Clip clip;
  clip.frameMs = info["frameMs"].toInt(100);
  for (int i = 0; i < frames; ++i) {
    clip.frames.push_back(strip.copy(i * width, 0, width, height));
  }
  return clip;
}

std::optional<DialogTemplate> LoadDialogTemplate(int id) {
  const QByteArray json = readResource(QString(":/res/dialogs/%1.json").arg(id));
  if (json.isEmpty()) {
    return std::nullopt;
  }
  return parseDialogTemplate(json);
}

} // namespace texkit2::framework
