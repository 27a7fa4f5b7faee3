#include "res/Resources.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class Resources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { texkit2InitResources(); }
};

QImage load(const QString& name) {
  return QImage(QStringLiteral(":/res/") + name);
}

bool transparentAt(const QImage& image, int x, int y) {
  return qAlpha(image.pixel(x, y)) == 0;
}

TEST_F(Resources, PicturesHaveTheirSizes) {
  struct Row {
    const char* name;
    int width;
    int height;
  };
  const Row rows[] = {
      {"icon128_16.png", 16, 16},    {"icon128_32.png", 32, 32}, {"icon128_48.png", 48, 48},
      {"icon128_256.png", 256, 256}, {"icon135.png", 32, 32},    {"icon136.png", 32, 32},
      {"icon137.png", 32, 32},       {"icon139_16.png", 16, 16}, {"icon139_32.png", 32, 32},
      {"bitmap134.png", 112, 16},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QImage image = load(QString::fromLatin1(row.name));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), row.width);
    EXPECT_EQ(image.height(), row.height);
  }
}

TEST_F(Resources, IconsAreTransparentAtTheCorners) {
  for (const char* name : {"icon128_16.png", "icon128_32.png", "icon128_48.png", "icon128_256.png",
                           "icon135.png", "icon136.png", "icon137.png"}) {
    SCOPED_TRACE(name);
    const QImage image = load(QString::fromLatin1(name));
    ASSERT_TRUE(image.hasAlphaChannel());
    EXPECT_TRUE(transparentAt(image, 0, image.height() - 1) ||
                transparentAt(image, image.width() - 1, 0));
  }
}

TEST_F(Resources, PointerArrowKeepsToTheRightHalf) {
  for (const char* name : {"icon139_16.png", "icon139_32.png"}) {
    SCOPED_TRACE(name);
    const QImage image = load(QString::fromLatin1(name));
    ASSERT_TRUE(image.hasAlphaChannel());
    int yellow = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (x < image.width() / 2) {
          ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
        } else if (qAlpha(pixel) == 255 && qRed(pixel) > 180 && qGreen(pixel) > 140 &&
                   qBlue(pixel) < 100) {
          ++yellow;
        }
      }
    }
    EXPECT_GT(yellow, image.width() * image.height() / 40);
  }
}

struct ClipCase {
  const char* name;
  int frames;
  int width;
  int height;
  int frameMs;
};

class Clips : public Resources, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(Clips, DescriptionMatchesTheStrip) {
  const ClipCase& clip = GetParam();
  QFile file(QStringLiteral(":/res/%1.json").arg(QString::fromLatin1(clip.name)));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
  EXPECT_EQ(json.value("frames").toInt(), clip.frames);
  EXPECT_EQ(json.value("width").toInt(), clip.width);
  EXPECT_EQ(json.value("height").toInt(), clip.height);
  EXPECT_EQ(json.value("frameMs").toInt(), clip.frameMs);

  const QImage strip = load(QStringLiteral("%1.png").arg(QString::fromLatin1(clip.name)));
  ASSERT_FALSE(strip.isNull());
  EXPECT_EQ(strip.width(), clip.frames * clip.width);
  EXPECT_EQ(strip.height(), clip.height);
  EXPECT_TRUE(strip.hasAlphaChannel());
}

TEST_P(Clips, FramesAreTransparentAtTheCorners) {
  const ClipCase& clip = GetParam();
  const QImage strip = load(QStringLiteral("%1.png").arg(QString::fromLatin1(clip.name)));
  ASSERT_EQ(strip.width(), clip.frames * clip.width);
  for (int frame = 0; frame < clip.frames; ++frame) {
    SCOPED_TRACE(frame);
    const int left = frame * clip.width;
    const int right = left + clip.width - 1;
    const int bottom = clip.height - 1;
    EXPECT_TRUE(transparentAt(strip, left, 0));
    EXPECT_TRUE(transparentAt(strip, right, 0));
    EXPECT_TRUE(transparentAt(strip, left, bottom));
    EXPECT_TRUE(transparentAt(strip, right, bottom));
  }
}

TEST_P(Clips, EachFrameDiffersFromTheNext) {
  const ClipCase& clip = GetParam();
  const QImage strip = load(QStringLiteral("%1.png").arg(QString::fromLatin1(clip.name)));
  ASSERT_EQ(strip.width(), clip.frames * clip.width);
  for (int frame = 0; frame < clip.frames; ++frame) {
    SCOPED_TRACE(frame);
    const int next = (frame + 1) % clip.frames;
    const QImage a = strip.copy(frame * clip.width, 0, clip.width, clip.height);
    const QImage b = strip.copy(next * clip.width, 0, clip.width, clip.height);
    EXPECT_NE(a, b);
  }
}

std::string clipName(const ::testing::TestParamInfo<ClipCase>& clip) {
  return clip.param.name;
}

INSTANTIATE_TEST_SUITE_P(Resources, Clips,
                         ::testing::Values(ClipCase{"clip132", 17, 260, 40, 100},
                                           ClipCase{"clip129", 8, 48, 45, 200}),
                         clipName);

TEST_F(Resources, TreeImagesUseOnlyExactMagentaAsMask) {
  const QImage bitmap = load(QStringLiteral("bitmap134.png"));
  ASSERT_EQ(bitmap.size(), QSize(112, 16));
  EXPECT_FALSE(bitmap.hasAlphaChannel());
  const QRgb magenta = qRgb(255, 0, 255);
  for (int image = 0; image < 7; ++image) {
    SCOPED_TRACE(image);
    const int left = image * 16;
    EXPECT_EQ(bitmap.pixel(left, 0), magenta);
    EXPECT_EQ(bitmap.pixel(left + 15, 0), magenta);
    EXPECT_EQ(bitmap.pixel(left, 15), magenta);
    EXPECT_EQ(bitmap.pixel(left + 15, 15), magenta);
    int drawn = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = left; x < left + 16; ++x) {
        const QRgb pixel = bitmap.pixel(x, y);
        if (pixel == magenta) {
          continue;
        }
        ++drawn;
        // Anything close to the mask would show as a fringe once the mask is keyed out.
        const int distance =
            std::abs(qRed(pixel) - 255) + qGreen(pixel) + std::abs(qBlue(pixel) - 255);
        ASSERT_GE(distance, 160) << x << "," << y;
      }
    }
    EXPECT_GT(drawn, 40);
  }
}

TEST_F(Resources, CommandLineToolCarriesTheDrawnApplicationIcon) {
  // texkit2-cli.exe builds without the art tool, so it keeps a copy of the drawn icon group.
  QFile drawn(QStringLiteral(TEXKIT2_ARTWORK_DIR "/icon128.ico"));
  QFile kept(QStringLiteral(TEXKIT2_RES_SOURCE_DIR "/windows/texkit2.ico"));
  ASSERT_TRUE(drawn.open(QIODevice::ReadOnly));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_TRUE(drawn.readAll() == kept.readAll())
      << "res/windows/texkit2.ico is not the drawn icon 128: copy " << TEXKIT2_ARTWORK_DIR
      << "/icon128.ico over it";
}

TEST_F(Resources, LayoutsAndStringsAreEmbedded) {
  const QDir source(QStringLiteral(TEXKIT2_RES_SOURCE_DIR));
  QStringList names = source.entryList({QStringLiteral("*.json")}, QDir::Files);
  for (const QString& name : QDir(source.filePath(QStringLiteral("dialogs")))
                                 .entryList({QStringLiteral("*.json")}, QDir::Files)) {
    names << QStringLiteral("dialogs/") + name;
  }
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    QFile onDisk(source.filePath(name));
    QFile embedded(QStringLiteral(":/res/") + name);
    ASSERT_TRUE(onDisk.open(QIODevice::ReadOnly));
    ASSERT_TRUE(embedded.open(QIODevice::ReadOnly));
    EXPECT_EQ(embedded.readAll(), onDisk.readAll());
  }
}

} // namespace
