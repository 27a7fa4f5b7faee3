#include "res/draw/Artwork.h"
#include "res/draw/Palette.h"
#include "res/draw/Shapes.h"

#include <stdexcept>
#include <vector>

namespace texkit2::res {

namespace {

// Drawn pixel by pixel: the mask colour must meet each drawing at a hard edge, which only
// hand-placed pixels guarantee. K black, W white, D/L dark/light grey, g/G green/lime LED,
// n navy, t teal, C cyan, F/f/l folder face/shade/light.
const QStringList kHardDisk = {
    "................", "................", "................", "................",
    "................", "....KKKKKKKKKKK.", "...KWWWWWWWWWDK.", "..KLLLLLLLLLDDK.",
    ".KKKKKKKKKKKDDK.", ".KWLLLLLLLLKDDK.", ".KWLLLLLgGLKDK..", ".KDDDDDDDDDKK...",
    ".KKKKKKKKKKK....", "................", "................", "................",
};

const QStringList kFloppyDrive = {
    "................", "....KKKKKKKK....", "....KnLLLLnK....", "....KnLDLLnK....",
    "....KnnnnnnK....", "....KnWWWWnK....", "....KnWWWWnK....", "....KKKKKKKKKKK.",
    "...KWWWWWWWWWDK.", "..KLLLLLLLLLDDK.", ".KKKKKKKKKKKDDK.", ".KWLLLLLLLLKDDK.",
    ".KWKKKKKKLgKDK..", ".KDDDDDDDDDKK...", ".KKKKKKKKKKK....", "................",
};

const QStringList kCdRom = {
    ".....KKKKKK.....", "...KKWWWLLLKK...", "..KWWWLLLLCCLK..", "..KWWLLKKLLCCK..",
    "..KLCCLLLLLWWK..", "...KKCCLLWWKK...", ".....KKKKKK.....", "....KKKKKKKKKKK.",
    "...KWWWWWWWWWDK.", "..KLLLLLLLLLDDK.", ".KKKKKKKKKKKDDK.", ".KWLLLLLLLLKDDK.",
    ".KDDDDDDLgLKDK..", ".KDDDDDDDDDKK...", ".KKKKKKKKKKK....", "................",
};

const QStringList kNetworkDrive = {
    "................", "................", "....KKKKKKKKKKK.", "...KWWWWWWWWWDK.",
    "..KLLLLLLLLLDDK.", ".KKKKKKKKKKKDDK.", ".KWLLLLLLLLKDDK.", ".KWLLLLLgGLKDK..",
    ".KDDDDDDDDDKK...", ".KKKKKKKKKKK....", "......KtK.......", "......KtK.......",
    ".KKKKKKKKKKKKKK.", ".KttttttttttttK.", ".KKKKKKKKKKKKKK.", "................",
};

const QStringList kBlank = {
    "................", ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.",
    ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.",
    ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.",
    ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.", ".WWWWWWWWWWWWWW.", "................",
};

const QStringList kClosedFolder = {
    "................", "................", "..KKKKK.........", ".KlFFFlKKKKKKK..",
    ".KllllllllllllK.", ".KlFFFFFFFFFFfK.", ".KlFFFFFFFFFFfK.", ".KlFFFFFFFFFFfK.",
    ".KlFFFFFFFFFFfK.", ".KlFFFFFFFFFFfK.", ".KlFFFFFFFFFFfK.", ".KlFFFFFFFFFFfK.",
    ".KlFFFFFFFFFFfK.", ".KffffffffffffK.", ".KKKKKKKKKKKKKK.", "................",
};

const QStringList kOpenFolder = {
    "................", "................", "..KKKKK.........", ".KlFFFlKKKKKK...",
    ".KlffffffffffK..", ".KlffffffffffK..", ".KlfKKKKKKKKKKKK", ".KlfKllllllllllK",
    ".KlKFFFFFFFFFFK.", ".KlKFFFFFFFFFFK.", ".KKFFFFFFFFFFK..", ".KKFFFFFFFFFFK..",
    ".KFFFFFFFFFFK...", ".KKKKKKKKKKKK...", "................", "................",
};

} // namespace

QImage drawTreeBitmap() {
  // No alpha: the program keys the mask colour out itself.
  const std::vector<const QStringList*> images = {
      &kHardDisk, &kFloppyDrive, &kCdRom, &kNetworkDrive, &kBlank, &kClosedFolder, &kOpenFolder};
  constexpr int kSide = 16;
  QImage bitmap(kSide * static_cast<int>(images.size()), kSide, QImage::Format_RGB32);
  bitmap.fill(kMask);
  QPainter painter(&bitmap);
  int x = 0;
  for (const QStringList* rows : images) {
    if (rows->size() != kSide || rows->front().size() != kSide) {
      throw std::invalid_argument("tree images are 16 x 16");
    }
    drawPixels(painter, QPoint(x, 0), *rows);
    x += kSide;
  }
  return bitmap;
}

} // namespace texkit2::res
