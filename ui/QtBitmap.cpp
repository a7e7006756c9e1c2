#include "ui/QtBitmap.h"

#include <QPainter>
#include <cstring>

namespace pixmira {

QImage ToQImage(const TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_BGR888);
  const auto rowBytes = bitmap.Stride();
  for (int y = 0; y < bitmap.Height(); ++y) std::memcpy(image.scanLine(y), bitmap.Row(y), rowBytes);
  return image;
}

TBitmap ToBitmap(const QImage& image) {
  if (image.isNull()) return {};
  QImage flat(image.size(), QImage::Format_BGR888);
  flat.fill(Qt::white);
  {
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
  }
  TBitmap bitmap(flat.width(), flat.height());
  for (int y = 0; y < flat.height(); ++y)
    std::memcpy(bitmap.Row(y), flat.constScanLine(y), bitmap.Stride());
  return bitmap;
}

}  // namespace pixmira
