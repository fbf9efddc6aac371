// Window images: a PNG of any layout reads as Qt's own reader reads it, cut to the part a control
// shows; other formats and broken files as well.
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/toolkit/image_file.h"

namespace {

// A 40 x 30 picture whose every pixel differs from its neighbours.
QImage Pattern(QImage::Format format) {
  QImage image(40, 30, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgba(x * 6, y * 8, x ^ y, 255 - x));
  }
  return image.convertToFormat(format);
}

TEST(ImageFile, ReadsAsQtReadsCutToTheVisiblePart) {
  QTemporaryDir folder;
  const struct {
    const char* file;
    QImage::Format format;
  } cases[] = {
      {"rgba.png", QImage::Format_ARGB32},     {"rgb.png", QImage::Format_RGB32},
      {"palette.png", QImage::Format_Indexed8}, {"grey.png", QImage::Format_Grayscale8},
      {"deep.png", QImage::Format_RGBA64},      {"other.bmp", QImage::Format_RGB32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const QString path = folder.filePath(QString::fromLatin1(c.file));
    ASSERT_TRUE(Pattern(c.format).save(path));
    const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32);
    for (QSize visible : {QSize(), QSize(25, 12), QSize(100, 100)}) {
      QImage read = ReadImage(path, visible).convertToFormat(QImage::Format_ARGB32);
      QSize kept = visible.isValid() ? expected.size().boundedTo(visible) : expected.size();
      EXPECT_EQ(read, expected.copy(QRect(QPoint(), kept))) << visible.width();
    }
  }
}

TEST(ImageFile, MissingOrBrokenFileGivesNoImage) {
  QTemporaryDir folder;
  const QString whole = folder.filePath(QStringLiteral("whole.png"));
  ASSERT_TRUE(Pattern(QImage::Format_ARGB32).save(whole));
  QFile file(whole);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  const QString cut = folder.filePath(QStringLiteral("cut.png"));
  QFile cutFile(cut);
  ASSERT_TRUE(cutFile.open(QIODevice::WriteOnly));
  cutFile.write(bytes.left(bytes.size() / 2));
  cutFile.close();
  EXPECT_TRUE(ReadImage(folder.filePath(QStringLiteral("none.png"))).isNull());
  EXPECT_TRUE(ReadImage(cut).isNull());
}

}  // namespace
