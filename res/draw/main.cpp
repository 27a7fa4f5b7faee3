// texkit2-draw-resources OUTDIR [--preview DIR]: draws the program's artwork as PNG files.
#include "res/draw/Artwork.h"
#include "res/draw/Preview.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <exception>
#include <iostream>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

bool writeArtwork(const texkit2::res::Artwork& item, const QDir& folder) {
  const QString path = folder.filePath(item.fileName);
  if (!item.image.isNull()) {
    return item.image.save(path, "PNG");
  }
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         file.write(item.bytes) == item.bytes.size();
}

} // namespace

int main(int argc, char** argv) {
  QString outFolder;
  QString previewFolder;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == QLatin1String("--preview") && i + 1 < argc) {
      previewFolder = QString::fromLocal8Bit(argv[++i]);
    } else if (outFolder.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
      outFolder = arg;
    } else {
      outFolder.clear();
      break;
    }
  }
  if (outFolder.isEmpty()) {
    std::cerr << "usage: texkit2-draw-resources OUTDIR [--preview DIR]\n";
    return kExitUsage;
  }
  try {
    const std::vector<texkit2::res::Artwork> artwork = texkit2::res::drawAllArtwork();
    const QDir folder(outFolder);
    if (!QDir().mkpath(outFolder)) {
      std::cerr << "texkit2-draw-resources: cannot create " << outFolder.toStdString() << "\n";
      return kExitFailed;
    }
    for (const texkit2::res::Artwork& item : artwork) {
      if (!writeArtwork(item, folder)) {
        std::cerr << "texkit2-draw-resources: cannot write "
                  << folder.filePath(item.fileName).toStdString() << "\n";
        return kExitFailed;
      }
    }
    if (!previewFolder.isEmpty() && !texkit2::res::writePreviews(artwork, previewFolder)) {
      std::cerr << "texkit2-draw-resources: cannot write previews into "
                << previewFolder.toStdString() << "\n";
      return kExitFailed;
    }
  } catch (const std::exception& error) {
    std::cerr << "texkit2-draw-resources: " << error.what() << "\n";
    return kExitFailed;
  }
  return 0;
}
