#pragma once
// The frame combo: each row of the open list shows the frame's preview picture above its name.
#include <QComboBox>
#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

#include "core/MemIniFile.h"

namespace pixmira {

class TFramePreviewDelegate : public QStyledItemDelegate {
 public:
  TFramePreviewDelegate(const TMemIniFile& catalog, std::string framesFolder, QObject* parent);

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // The preview of a frame, loaded once; null when the catalogue names none or it cannot be
  // read.
  QPixmap Preview(const QString& frameName) const;

 private:
  const TMemIniFile& catalog_;
  std::string framesFolder_;
  mutable QHash<QString, QPixmap> cache_;
};

// Row height of the open list.
inline constexpr int kFrameRowHeight = 100;

}  // namespace pixmira
