#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace texkit2::res {

// An animation stored as one horizontal strip of equal frames.
struct Clip {
  QImage strip;
  int frames = 0;
  int width = 0;
  int height = 0;
  int frameMs = 0;

  // {"frames":17,"width":260,"height":40,"frameMs":100}, keys in this order.
  QByteArray json() const;
};

// One output file and what goes in it.
struct Artwork {
  QString fileName;
  QImage image;     // written as PNG
  QByteArray bytes; // written as is when image is null
};

QImage drawAppIcon(int size);
QImage drawLocateIcon();           // a drive and an open folder, 32 x 32
QImage drawSearchIcon();           // a magnifying glass, 32 x 32
QImage drawBeginIcon();            // a plunger detonator wired to dynamite, 32 x 32
QImage drawPointerArrow(int size); // a yellow arrow in the right half, pointing right
Clip drawExtractionClip();         // a sheet flying from one folder to another
Clip drawSearchClip();             // a magnifying glass circling over a folder
QImage drawTreeBitmap();           // seven 16 x 16 tree images on the magenta mask colour

// Every file the resources hold, in a fixed order.
std::vector<Artwork> drawAllArtwork();

} // namespace texkit2::res
