#include "ui/FrameCombo.h"

#include <QPainter>

#include "codecs/Jpeg.h"
#include "core/Settings.h"
#include "effects/Frames.h"
#include "ui/QtBitmap.h"

namespace pixmira {

TFramePreviewDelegate::TFramePreviewDelegate(const TMemIniFile& catalog, std::string framesFolder,
                                             QObject* parent)
    : QStyledItemDelegate(parent), catalog_(catalog), framesFolder_(std::move(framesFolder)) {}

QPixmap TFramePreviewDelegate::Preview(const QString& frameName) const {
  if (auto found = cache_.constFind(frameName); found != cache_.constEnd()) return *found;
  QPixmap pixmap;
  const std::string preview = catalog_.ReadString(frameName.toStdString(), "preview", "");
  if (!preview.empty()) {
    try {
      // The previews are JPEG pictures whatever their extension says.
      TJPEGImage picture;
      picture.LoadFromFile(CatalogPath(framesFolder_, preview));
      if (const auto bitmap = picture.ToBitmap()) pixmap = QPixmap::fromImage(ToQImage(*bitmap));
    } catch (const std::exception&) {
      // An unreadable preview leaves its row empty.
    }
  }
  cache_.insert(frameName, pixmap);
  return pixmap;
}

QSize TFramePreviewDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
  const QPixmap preview = Preview(index.data(Qt::DisplayRole).toString());
  const int textWidth = option.fontMetrics.horizontalAdvance(index.data().toString());
  // Taller rows for large previews, so the name below the picture is never cut.
  const int height = std::max(kFrameRowHeight, preview.height() + 10 + option.fontMetrics.height());
  return QSize(std::max(preview.width(), textWidth) + 16, height);
}

void TFramePreviewDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  const QString name = index.data(Qt::DisplayRole).toString();
  const QPixmap preview = Preview(name);
  if (preview.isNull()) return;
  p->save();
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& pal = option.palette;
  p->fillRect(option.rect, selected ? pal.highlight() : pal.base());
  const QRect row = option.rect;
  const QRect picture(row.left() + (row.width() - preview.width()) / 2, row.top() + 5,
                      preview.width(), preview.height());
  p->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
  p->setBrush(Qt::NoBrush);
  p->drawRect(picture.adjusted(-1, -1, 0, 0));
  p->drawPixmap(picture.topLeft(), preview);
  const QRect band(picture.left(), picture.bottom() + 3, picture.width(),
                   row.bottom() - picture.bottom() - 2);
  p->drawText(band, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, name);
  p->restore();
}

}  // namespace pixmira
