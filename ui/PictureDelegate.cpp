#include "ui/PictureDelegate.h"

#include <QPainter>

#include "ui/PictureList.h"
#include "ui/PictureModel.h"

namespace pixmira {

TPictureDelegate::TPictureDelegate(TPictureList* list) : QStyledItemDelegate(list), list_(list) {}

QSize TPictureDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return QSize(kIconSpacingX - 8, kIconSpacingY - 4);
}

void TPictureDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  p->save();
  const QRect cell = option.rect;
  const QRect icon = TPictureList::IconRect(cell);
  if (option.state & QStyle::State_Selected) {
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(QColor(0x7D, 0xA2, 0xCE));
    p->setBrush(QColor(0xDC, 0xEB, 0xFC));
    p->drawRoundedRect(QRectF(icon.adjusted(-3, -3, 3, 3)).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p->setRenderHint(QPainter::Antialiasing, false);
  }
  const QImage thumbnail = index.data(TPictureModel::ThumbnailRole).value<QImage>();
  if (!thumbnail.isNull()) {
    p->drawImage(icon.topLeft(), thumbnail);
  } else {
    // Still being made: an empty cell of the same frame.
    p->setPen(QColor(0xC0, 0xDC, 0xC0));
    p->setBrush(Qt::white);
    p->drawRect(icon.adjusted(0, 0, -1, -1));
  }
  const QRect textRect(cell.left(), icon.bottom() + 3, cell.width(),
                       cell.bottom() - icon.bottom() - 2);
  const QString text = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                     Qt::ElideMiddle, textRect.width() - 4);
  p->setPen(option.palette.color(QPalette::Text));
  p->drawText(textRect, Qt::AlignHCenter | Qt::AlignTop, text);
  if (option.state & QStyle::State_HasFocus) {
    p->setPen(QPen(QColor(0x7D, 0xA2, 0xCE), 1, Qt::DotLine));
    p->setBrush(Qt::NoBrush);
    p->drawRect(icon.adjusted(-2, -2, 1, 1));
  }
  if (option.state & QStyle::State_MouseOver) PaintButtons(p, icon);
  p->restore();
}

void TPictureDelegate::PaintButtons(QPainter* p, const QRect& icon) const {
  // White at 100/255 over the thumbnail, which stays visible beneath the buttons.
  const QRect strip = TPictureList::ToolbarRect(icon);
  p->setRenderHint(QPainter::Antialiasing);
  p->setPen(QColor(0x90, 0xA8, 0x90, 100));
  p->setBrush(QColor(255, 255, 255, 100));
  p->drawRoundedRect(QRectF(strip).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  const QPoint hover = list_->HoverPos();
  for (int i = 0; i < 4; ++i) {
    const auto button = TEntryButton(i);
    const QRect r = TPictureList::ButtonRect(strip, button);
    const bool enabled = button != TEntryButton::Edit;
    if (enabled && r.contains(hover)) {
      p->setPen(QColor(0x7D, 0xA2, 0xCE));
      p->setBrush(QColor(0xE5, 0xF1, 0xFB, 200));
      p->drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }
    TPictureList::ToolIcons()[i].paint(p, r, Qt::AlignCenter,
                                       enabled ? QIcon::Normal : QIcon::Disabled);
  }
  p->setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace pixmira
