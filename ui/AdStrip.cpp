#include "ui/AdStrip.h"
#include "ui/Tr.h"

#include <QCoreApplication>

#include <QContextMenuEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace pixmira {

TAdStrip::TAdStrip(QWidget* host) : QWidget(host) {
  setObjectName(QStringLiteral("wbAD"));
  setFixedHeight(kAdStripHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // Right clicks end here: neither we nor the window below show a menu.
  setContextMenuPolicy(Qt::PreventContextMenu);
  auto* layout = host->layout() ? host->layout() : new QVBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(this);
}

void TAdStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QLinearGradient band(0, 0, 0, height());
  band.setColorAt(0, QColor(0xF3, 0xF7, 0xFC));
  band.setColorAt(1, QColor(0xE4, 0xEC, 0xF6));
  p.fillRect(rect(), band);

  QFont heading = font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.15);
  p.setFont(heading);
  p.setPen(QColor(0x2B, 0x4C, 0x7E));
  const QRect text = rect().adjusted(20, 10, -20, -10);
  p.drawText(text, Qt::AlignLeft | Qt::AlignTop, Pixmira::tr("Pixmira — 宝贝图片批量处理"));
  p.setFont(font());
  p.setPen(QColor(0x5A, 0x6B, 0x82));
  p.drawText(
      text, Qt::AlignLeft | Qt::AlignBottom,
      Pixmira::tr("瘦身、边框圆角、水印、动态展示图，一次完成。设置随时保存，下次打开即可继续。"));
}

void TAdStrip::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void TAdStrip::mousePressEvent(QMouseEvent* event) { event->accept(); }

}  // namespace pixmira
