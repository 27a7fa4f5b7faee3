#include "res/draw/Artwork.h"

namespace texkit2::res {

QByteArray Clip::json() const {
  return QStringLiteral("{\"frames\":%1,\"width\":%2,\"height\":%3,\"frameMs\":%4}\n")
      .arg(frames)
      .arg(width)
      .arg(height)
      .arg(frameMs)
      .toLatin1();
}

std::vector<Artwork> drawAllArtwork() {
  std::vector<Artwork> all;
  for (const int size : {16, 32, 48, 256}) {
    all.push_back({QStringLiteral("icon128_%1.png").arg(size), drawAppIcon(size), {}});
  }
  all.push_back({QStringLiteral("icon135.png"), drawLocateIcon(), {}});
  all.push_back({QStringLiteral("icon136.png"), drawSearchIcon(), {}});
  all.push_back({QStringLiteral("icon137.png"), drawBeginIcon(), {}});
  for (const int size : {16, 32}) {
    all.push_back({QStringLiteral("icon139_%1.png").arg(size), drawPointerArrow(size), {}});
  }
  const Clip extraction = drawExtractionClip();
  all.push_back({QStringLiteral("clip132.png"), extraction.strip, {}});
  all.push_back({QStringLiteral("clip132.json"), {}, extraction.json()});
  const Clip search = drawSearchClip();
  all.push_back({QStringLiteral("clip129.png"), search.strip, {}});
  all.push_back({QStringLiteral("clip129.json"), {}, search.json()});
  all.push_back({QStringLiteral("bitmap134.png"), drawTreeBitmap(), {}});
  return all;
}

} // namespace texkit2::res
