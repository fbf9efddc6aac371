// Draws the skin's images: the background, the close, minimise and help button triples and the
// program icon, as fully opaque (icon: transparent around) 32-bit RGBA PNGs.
// Usage: draw_images OUTPUT_FOLDER
//
// Written with libpng rather than Qt: unfiltered rows and light compression make the 920 x 650
// background decode in about half the time at start-up, for a file of a few kilobytes.
#include <png.h>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <vector>

namespace {

const QColor kBackground(0x38, 0x3F, 0x47);
const QColor kEdge(0x30, 0x38, 0x41);
const QColor kHelpBackground(0x3B, 0x42, 0x4B);
const QColor kGrey(0x60, 0x65, 0x6C);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kCloseGreen(0x6E, 0xA4, 0x3A);
const QColor kMinimiseGreen(0x71, 0xB4, 0x3E);
const QColor kIconRed(0xE0, 0x24, 0x24);

QImage Blank(int width, int height, const QColor& fill) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(fill);
  return image;
}

// #383F47 with columns 0-59 and row 50 in #303841.
QImage Background() {
  QImage image = Blank(920, 650, kBackground);
  QPainter painter(&image);
  painter.fillRect(0, 0, 60, 650, kEdge);
  painter.fillRect(0, 50, 920, 1, kEdge);
  return image;
}

// A thin diagonal cross filling columns 15-33, rows 18-36.
QImage Close(const QColor& colour) {
  QImage image = Blank(50, 50, kBackground);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setClipRect(15, 18, 19, 19);
  painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QPointF(15, 18), QPointF(34, 37));
  painter.drawLine(QPointF(34, 18), QPointF(15, 37));
  return image;
}

// A bar of 23 x 3 pixels at columns 13-35, rows 26-28.
QImage Minimise(const QColor& colour) {
  QImage image = Blank(50, 50, kBackground);
  QPainter painter(&image);
  painter.fillRect(13, 26, 23, 3, colour);
  return image;
}

QFont Face(int pixels, bool bold) {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// The help button: a "?" alone of the given size, or with the caption beneath it.
QImage Help(int questionPixels, bool withCaption) {
  QImage image = Blank(50, 50, kHelpBackground);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setPen(kWhite);
  painter.setFont(Face(questionPixels, true));
  QRect question = withCaption ? QRect(0, 4, 50, 24) : QRect(0, 0, 50, 50);
  painter.drawText(question, Qt::AlignCenter, QStringLiteral("?"));
  if (withCaption) {
    painter.setFont(Face(11, false));
    painter.drawText(QRect(0, 28, 50, 16), Qt::AlignCenter, QStringLiteral("帮助"));
  }
  return image;
}

// A red running figure inside a red crescent, transparent around.
QImage Icon() {
  QImage image = Blank(228, 228, Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath outer, inner;
  outer.addEllipse(QPointF(114, 114), 108, 108);
  inner.addEllipse(QPointF(134, 100), 94, 94);
  painter.fillPath(outer.subtracted(inner), kIconRed);

  painter.setBrush(kIconRed);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(140, 52), 16, 16);
  QPen limb(kIconRed, 15, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(limb);
  painter.setBrush(Qt::NoBrush);
  const QPointF shoulder(126, 82), hip(108, 132);
  painter.drawLine(shoulder, hip);
  painter.drawPolyline(QPolygonF{shoulder, QPointF(152, 104), QPointF(172, 90)});  // front arm
  painter.drawPolyline(QPolygonF{shoulder, QPointF(98, 98), QPointF(84, 84)});     // back arm
  painter.drawPolyline(QPolygonF{hip, QPointF(140, 150), QPointF(132, 188)});      // front leg
  painter.drawPolyline(QPolygonF{hip, QPointF(88, 162), QPointF(62, 166)});        // back leg
  return image;
}

// libpng reports failures by longjmp back to here.
bool Encode(png_structp png, png_infop info, FILE* file, const QImage& rgba) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, rgba.width(), rgba.height(), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  for (int y = 0; y < rgba.height(); ++y) png_write_row(png, rgba.constScanLine(y));
  png_write_end(png, nullptr);
  return true;
}

// 8-bit RGBA, rows unfiltered, zlib level 1.
bool WritePng(const QImage& image, const QString& path) {
  QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool written = info && Encode(png, info, file, rgba);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  QDir folder(QString::fromLocal8Bit(argv[1]));
  const struct {
    const char* name;
    QImage image;
  } images[] = {
      {"background", Background()},
      {"close_normal", Close(kGrey)},
      {"close_hover", Close(kWhite)},
      {"close_pressed", Close(kCloseGreen)},
      {"minimise_normal", Minimise(kGrey)},
      {"minimise_hover", Minimise(kWhite)},
      {"minimise_pressed", Minimise(kMinimiseGreen)},
      {"help_normal", Help(20, true)},
      {"help_hover", Help(34, false)},
      {"help_pressed", Help(22, false)},
      {"program_icon", Icon()},
  };
  for (const auto& entry : images) {
    QString path = folder.filePath(QString::fromLatin1(entry.name) + QStringLiteral(".png"));
    if (!WritePng(entry.image, path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
