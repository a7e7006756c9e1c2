#pragma once
// How the picture list paints an entry: its thumbnail cell with the file name beneath, the
// selection and focus marks, and the button strip over the hovered entry.
#include <QStyledItemDelegate>

namespace pixmira {

class TPictureList;

class TPictureDelegate : public QStyledItemDelegate {
 public:
  explicit TPictureDelegate(TPictureList* list);

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override;
  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  void PaintButtons(QPainter* p, const QRect& icon) const;

  const TPictureList* list_;
};

}  // namespace pixmira
