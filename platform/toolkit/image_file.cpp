#include "platform/toolkit/image_file.h"

#include <png.h>

#include <QFile>
#include <QImageReader>
#include <QSysInfo>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

struct Bytes {
  const QByteArray& data;
  qsizetype offset = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<Bytes*>(png_get_io_ptr(png));
  if (length > static_cast<png_size_t>(source->data.size() - source->offset)) {
    png_error(png, "the file ends too soon");
  }
  std::memcpy(out, source->data.constData() + source->offset, length);
  source->offset += static_cast<qsizetype>(length);
}

// Decodes the kept rows of a non-interlaced PNG into an ARGB32 image, as Qt's own reader would
// give it; false when libpng refuses the data or the image is interlaced (whose rows come only
// after all of it has been read). `row` and `image` belong to the caller, so that libpng's jump
// back out of an error skips no destructor here.
bool DecodePngRows(const QByteArray& data, QSize visible, std::vector<png_byte>* row,
                   QImage* image) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  Bytes source{data};
  // libpng reports its errors by jumping back here.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, ReadBytes);
  png_read_info(png, info);
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  // Whatever the stored layout, 8-bit red, green, blue and alpha, in ARGB32's byte order.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
    png_set_bgr(png);
  } else {
    png_set_swap_alpha(png);
  }
  png_read_update_info(png, info);
  const QSize whole(static_cast<int>(png_get_image_width(png, info)),
                    static_cast<int>(png_get_image_height(png, info)));
  const QSize kept = visible.isValid() ? whole.boundedTo(visible) : whole;
  row->resize(png_get_rowbytes(png, info));
  *image = QImage(kept, QImage::Format_ARGB32);
  if (image->isNull() || row->size() < static_cast<std::size_t>(whole.width()) * 4) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  for (int y = 0; y < kept.height(); ++y) {
    png_read_row(png, row->data(), nullptr);
    std::memcpy(image->scanLine(y), row->data(), static_cast<std::size_t>(kept.width()) * 4);
  }
  // The rows below are never decoded.
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

QImage ReadImage(const QString& path, QSize visible) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.readAll();
  QImage image;
  std::vector<png_byte> row;
  constexpr int kSignatureLength = 8;
  if (data.size() >= kSignatureLength &&
      png_sig_cmp(reinterpret_cast<png_const_bytep>(data.constData()), 0, kSignatureLength) == 0 &&
      DecodePngRows(data, visible, &row, &image)) {
    return image;
  }
  image = QImageReader(path).read();
  if (!image.isNull() && visible.isValid()) {
    image = image.copy(QRect(QPoint(), image.size().boundedTo(visible)));
  }
  return image;
}
