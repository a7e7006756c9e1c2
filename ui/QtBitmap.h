#pragma once
// Between the library's 24-bit working bitmap and Qt's pictures.
#include <QImage>

#include "imaging/Bitmap.h"

namespace pixmira {

QImage ToQImage(const TBitmap& bitmap);
// Alpha is dropped over white, as a working bitmap has no transparency.
TBitmap ToBitmap(const QImage& image);

}  // namespace pixmira
