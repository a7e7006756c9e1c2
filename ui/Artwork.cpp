#include "ui/Artwork.h"
#include "ui/Tr.h"

#include <QCoreApplication>

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pixmira {

QImage CannotShowPicture() {
  QImage image(115, 78, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  const QRectF sign(115 / 2.0 - 17, 8, 34, 34);
  p.setPen(QPen(QColor(0x1F, 0x5F, 0xB8), 1.5));
  p.setBrush(QColor(0x3A, 0x7F, 0xD9));
  p.drawEllipse(sign);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(sign.center().x(), sign.top() + 9), 2.8, 2.8);
  p.drawRoundedRect(QRectF(sign.center().x() - 2.6, sign.top() + 14, 5.2, 14), 1.5, 1.5);

  QFont font;
  font.setPixelSize(14);
  p.setFont(font);
  p.setPen(QColor(0x55, 0x55, 0x55));
  p.drawText(QRectF(0, 48, 115, 24), Qt::AlignCenter, Pixmira::tr("图片无法显示"));
  return image;
}

namespace {

// The turning arrow: three quarters of a circle with a head at its end.
void DrawTurnArrow(QPainter& p, bool counterClockwise) {
  const QColor blue(0x1E, 0x6F, 0xD9);
  p.setPen(QPen(blue, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  const QRectF ring(3, 3.5, 10, 10);
  // Qt angles run counter-clockwise from 3 o'clock in 1/16 degree.
  if (counterClockwise)
    p.drawArc(ring, 150 * 16, -250 * 16);
  else
    p.drawArc(ring, 30 * 16, 250 * 16);
  QPainterPath head;
  if (counterClockwise) {
    head.moveTo(2.0, 2.5);
    head.lineTo(7.5, 4.0);
    head.lineTo(2.5, 8.0);
  } else {
    head.moveTo(14.0, 2.5);
    head.lineTo(8.5, 4.0);
    head.lineTo(13.5, 8.0);
  }
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(blue);
  p.drawPath(head);
}

void DrawEdit(QPainter& p) {
  p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
  p.setBrush(QColor(0xE8, 0xF2, 0xFF));
  p.drawRect(QRectF(1.5, 3.5, 11, 9));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x4C, 0xA3, 0x4C));
  QPainterPath hill;
  hill.moveTo(2, 12);
  hill.lineTo(6, 7);
  hill.lineTo(9, 10);
  hill.lineTo(12, 12);
  hill.closeSubpath();
  p.drawPath(hill);
  // The pencil, laid across the lower right corner.
  p.setPen(QPen(QColor(0xE0, 0x9A, 0x1A), 2.6, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(14.5, 5.5), QPointF(8.5, 11.5));
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8.3, 11.7), QPointF(7.2, 12.8));
}

void DrawCross(QPainter& p) {
  p.setPen(QPen(QColor(0xD9, 0x26, 0x26), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(4, 4), QPointF(12, 12));
  p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

QPixmap DrawToolIcon(ToolIcon which, int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 16.0, side / 16.0);
  switch (which) {
    case ToolIcon::RotateLeft:
      DrawTurnArrow(p, true);
      break;
    case ToolIcon::RotateRight:
      DrawTurnArrow(p, false);
      break;
    case ToolIcon::Edit:
      DrawEdit(p);
      break;
    case ToolIcon::Remove:
      DrawCross(p);
      break;
  }
  return pixmap;
}

}  // namespace

QIcon MakeToolIcon(ToolIcon which) {
  QIcon icon;
  icon.addPixmap(DrawToolIcon(which, 16));
  icon.addPixmap(DrawToolIcon(which, 32));
  return icon;
}

}  // namespace pixmira
