#include "ui/PictureList.h"

#include <QCoreApplication>

#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QUndoStack>
#include <algorithm>

#include "output/PictureFolder.h"
#include "ui/Artwork.h"
#include "ui/PictureCommands.h"
#include "ui/PictureDelegate.h"
#include "ui/Tr.h"

namespace pixmira {

namespace {

QAction* MakeAction(QWidget* owner, const QString& text, const QKeySequence& key,
                    Qt::ShortcutContext context) {
  auto* action = new QAction(text, owner);
  action->setShortcut(key);
  action->setShortcutContext(context);
  action->setToolTip(text + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                     QLatin1Char(')'));
  owner->addAction(action);
  return action;
}

}  // namespace

QRect TPictureList::IconRect(const QRect& cell) {
  return QRect(cell.left() + (cell.width() - kThumbWidth) / 2, cell.top() + 4, kThumbWidth,
               kThumbHeight);
}

QRect TPictureList::ToolbarRect(const QRect& icon) {
  // Centred over the thumbnail's 25-pixel caption strip.
  return QRect(icon.left() + (icon.width() - kToolbarWidth) / 2,
               icon.bottom() - 2 - kToolbarHeight + 1, kToolbarWidth, kToolbarHeight);
}

QRect TPictureList::ButtonRect(const QRect& toolbar, TEntryButton button) {
  const int i = int(button);
  return QRect(toolbar.left() + 1 + i * (kToolButtonWidth + 1), toolbar.top() + 1, kToolButtonWidth,
               kToolButtonHeight);
}

const std::array<QIcon, 4>& TPictureList::ToolIcons() {
  static const std::array<QIcon, 4> icons = {
      MakeToolIcon(ToolIcon::RotateLeft), MakeToolIcon(ToolIcon::RotateRight),
      MakeToolIcon(ToolIcon::Edit), MakeToolIcon(ToolIcon::Remove)};
  return icons;
}

QString TPictureList::ButtonTip(TEntryButton button) {
  switch (button) {
    case TEntryButton::RotateLeft:
      return Pixmira::tr("逆时针旋转图片");
    case TEntryButton::RotateRight:
      return Pixmira::tr("顺时针旋转图片");
    case TEntryButton::Edit:
      return Pixmira::tr("编辑图片");
    case TEntryButton::Remove:
      return Pixmira::tr("从列表中移除图片");
    case TEntryButton::None:
      break;
  }
  return {};
}

TPictureList::TPictureList(QWidget* parent)
    : QListView(parent), model_(new TPictureModel(this)), undo_(new QUndoStack(this)) {
  setObjectName(QStringLiteral("lvPictures"));
  // Each undo step may hold the entries it removed, thumbnails and all.
  undo_->setUndoLimit(100);
  setModel(model_);
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setFlow(QListView::LeftToRight);
  setWrapping(true);
  setUniformItemSizes(true);
  setLayoutMode(QListView::Batched);
  setBatchSize(200);
  setIconSize(QSize(kThumbWidth, kThumbHeight));
  setGridSize(QSize(kIconSpacingX, kIconSpacingY));
  setSpacing(0);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  // One wheel notch (three steps) moves one row.
  verticalScrollBar()->setSingleStep(kIconSpacingY / 3);
  setItemDelegate(new TPictureDelegate(this));
  setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_Hover);
  setDragEnabled(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDropIndicatorShown(false);  // we draw our own insertion line

  model_->moveHandler = [this](std::vector<int> rows, int destination) {
    MoveEntries(rows, destination);
  };
  connect(model_, &TPictureModel::countChanged, this, [this](int n) {
    UpdateHint();
    SchedulePriority();
    emit countChanged(n);
  });
  connect(model_, &QAbstractItemModel::layoutChanged, this, &TPictureList::SchedulePriority);

  actRemove_ =
      MakeAction(this, Pixmira::tr("从列表中移除图片"), QKeySequence::Delete, Qt::WidgetShortcut);
  actTurnLeft_ = MakeAction(this, Pixmira::tr("逆时针旋转图片"), QKeySequence(Qt::CTRL | Qt::Key_L),
                            Qt::WindowShortcut);
  actTurnRight_ = MakeAction(this, Pixmira::tr("顺时针旋转图片"),
                             QKeySequence(Qt::CTRL | Qt::Key_R), Qt::WindowShortcut);
  connect(actRemove_, &QAction::triggered, this, &TPictureList::RemoveSelection);
  connect(actTurnLeft_, &QAction::triggered, this, [this] { TurnSelection(true); });
  connect(actTurnRight_, &QAction::triggered, this, [this] { TurnSelection(false); });

  pnlHint_ = new QLabel(Pixmira::tr("可以将图片文件拖进来，加入处理列表。"), viewport());
  pnlHint_->setObjectName(QStringLiteral("pnlHint"));
  pnlHint_->setAlignment(Qt::AlignCenter);
  pnlHint_->setWordWrap(true);
  // The tooltip colours, with a soft border.
  pnlHint_->setStyleSheet(
      QStringLiteral("QLabel { background: #FFFFE1; color: #333333; border: 1px solid #C9C9A3; "
                     "border-radius: 3px; padding: 4px 10px; }"));
  // Drops onto the hint land on the list itself.
  pnlHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
  pnlHint_->setMinimumSize(281, 49);
  pnlHint_->resize(std::max(281, pnlHint_->sizeHint().width() + 24), 49);
  UpdateHint();
}

TPictureList::~TPictureList() {
  // The commands refer to the model; they go first.
  undo_->clear();
}

void TPictureList::AddPicture(const QString& path) { model_->AddPaths({path}); }

void TPictureList::AddFolder(const QString& folder) {
  // The command and the window add folders by the same rule.
  QStringList paths;
  for (const std::string& path : ListFolderPictures(folder.toStdString()))
    paths << QString::fromStdString(path);
  model_->AddPaths(paths);
}

void TPictureList::AddDroppedUrls(const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  model_->dropMimeData(&mime, Qt::CopyAction, -1, 0, {});
}

void TPictureList::ClearPictures() {
  if (count() == 0) return;
  std::vector<int> rows(count());
  for (int r = 0; r < count(); ++r) rows[r] = r;
  Remove(rows, Pixmira::tr("清空列表"));
}

QString TPictureList::Caption(int row) const {
  return row >= 0 && row < count() ? model_->Entry(row).caption : QString();
}

QString TPictureList::EntryPath(int row) const {
  return row >= 0 && row < count() ? model_->Entry(row).path : QString();
}

int TPictureList::EntryAngle(int row) const {
  return row >= 0 && row < count() ? model_->Entry(row).angle : 0;
}

QImage TPictureList::EntryThumbnail(int row) const {
  return row >= 0 && row < count() ? model_->Entry(row).thumbnail : QImage();
}

std::vector<int> TPictureList::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<int> TPictureList::RowsFor(int row) const {
  if (row < 0 || row >= count()) return {};
  std::vector<int> selected = SelectedRows();
  if (selected.size() > 1 && std::binary_search(selected.begin(), selected.end(), row))
    return selected;
  return {row};
}

void TPictureList::TurnEntry(int row, bool counterClockwise) {
  Turn(RowsFor(row), counterClockwise);
}

void TPictureList::RemoveEntry(int row) { Remove(RowsFor(row), Pixmira::tr("从列表中移除图片")); }

void TPictureList::TurnSelection(bool counterClockwise) { Turn(SelectedRows(), counterClockwise); }

void TPictureList::RemoveSelection() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  Remove(rows, Pixmira::tr("从列表中移除图片"));
  // The entry that took the place of the first removed one is the next to work on.
  const int next = std::min(rows.front(), count() - 1);
  if (next >= 0) setCurrentIndex(model_->index(next));
}

void TPictureList::MoveEntries(const std::vector<int>& rows, int destination) {
  if (rows.empty()) return;
  undo_->push(new TMoveCommand(model_, rows, destination));
}

void TPictureList::Turn(const std::vector<int>& rows, bool counterClockwise) {
  if (rows.empty()) return;
  undo_->push(new TTurnCommand(model_, rows, counterClockwise));
}

void TPictureList::Remove(const std::vector<int>& rows, const QString& text) {
  if (rows.empty()) return;
  undo_->push(new TRemoveCommand(model_, rows, text));
}

TEntryButton TPictureList::ButtonAt(const QPoint& pos, QModelIndex* index) const {
  const QModelIndex at = indexAt(pos);
  if (index) *index = at;
  if (!at.isValid()) return TEntryButton::None;
  const QRect strip = ToolbarRect(IconRect(visualRect(at)));
  if (!strip.contains(pos)) return TEntryButton::None;
  for (int i = 0; i < 4; ++i)
    if (ButtonRect(strip, TEntryButton(i)).contains(pos)) return TEntryButton(i);
  return TEntryButton::None;
}

void TPictureList::ClickButton(int row, TEntryButton button) {
  switch (button) {
    case TEntryButton::RotateLeft:
      TurnEntry(row, true);
      break;
    case TEntryButton::RotateRight:
      TurnEntry(row, false);
      break;
    case TEntryButton::Remove:
      RemoveEntry(row);
      break;
    case TEntryButton::Edit:
    case TEntryButton::None:
      break;
  }
}

void TPictureList::mousePressEvent(QMouseEvent* event) {
  QModelIndex index;
  const TEntryButton button = event->button() == Qt::LeftButton
                                  ? ButtonAt(event->position().toPoint(), &index)
                                  : TEntryButton::None;
  if (button != TEntryButton::None) {
    // A button press neither selects nor starts a drag.
    pressedIndex_ = index;
    pressedButton_ = button;
    event->accept();
    return;
  }
  QListView::mousePressEvent(event);
}

void TPictureList::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (pos != hoverPos_) {
    const QModelIndex before = indexAt(hoverPos_);
    hoverPos_ = pos;
    const QModelIndex now = indexAt(pos);
    if (before.isValid()) viewport()->update(visualRect(before));
    if (now.isValid()) viewport()->update(visualRect(now));
  }
  if (pressedButton_ != TEntryButton::None) return;
  QListView::mouseMoveEvent(event);
}

void TPictureList::mouseReleaseEvent(QMouseEvent* event) {
  if (pressedButton_ != TEntryButton::None) {
    const TEntryButton pressed = pressedButton_;
    const QPersistentModelIndex index = pressedIndex_;
    pressedButton_ = TEntryButton::None;
    pressedIndex_ = QPersistentModelIndex();
    QModelIndex now;
    if (index.isValid() && ButtonAt(event->position().toPoint(), &now) == pressed && now == index)
      ClickButton(index.row(), pressed);
    event->accept();
    return;
  }
  QListView::mouseReleaseEvent(event);
}

void TPictureList::leaveEvent(QEvent* event) {
  const QModelIndex before = indexAt(hoverPos_);
  hoverPos_ = QPoint(-1, -1);
  if (before.isValid()) viewport()->update(visualRect(before));
  QListView::leaveEvent(event);
}

bool TPictureList::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const TEntryButton button = ButtonAt(help->pos());
    if (button != TEntryButton::None) {
      QModelIndex index = indexAt(help->pos());
      const QRect strip = ToolbarRect(IconRect(visualRect(index)));
      QToolTip::showText(help->globalPos(), ButtonTip(button), viewport(),
                         ButtonRect(strip, button));
      return true;
    }
  }
  return QListView::viewportEvent(event);
}

void TPictureList::startDrag(Qt::DropActions) {
  const QModelIndexList indexes = selectionModel()->selectedIndexes();
  if (indexes.isEmpty()) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(model_->mimeData(indexes));
  // The current entry's thumbnail, smaller, with the number of entries dragged.
  const QModelIndex shown = currentIndex().isValid() ? currentIndex() : indexes.first();
  QImage thumbnail = shown.data(TPictureModel::ThumbnailRole).value<QImage>();
  QPixmap pixmap(kThumbWidth / 2 + 12, kThumbHeight / 2 + 12);
  pixmap.fill(Qt::transparent);
  {
    QPainter p(&pixmap);
    if (!thumbnail.isNull()) {
      p.setOpacity(0.8);
      p.drawImage(QRect(0, 0, kThumbWidth / 2, kThumbHeight / 2), thumbnail);
      p.setOpacity(1);
    }
    if (indexes.size() > 1) {
      p.setRenderHint(QPainter::Antialiasing);
      p.setBrush(QColor(0x30, 0x70, 0xD0));
      p.setPen(Qt::NoPen);
      const QRect badge(pixmap.width() - 28, pixmap.height() - 22, 28, 20);
      p.drawRoundedRect(badge, 9, 9);
      p.setPen(Qt::white);
      p.drawText(badge, Qt::AlignCenter, QString::number(indexes.size()));
    }
  }
  drag->setPixmap(pixmap);
  drag->setHotSpot(QPoint(kThumbWidth / 4, kThumbHeight / 4));
  // The drop itself moves the entries; nothing is removed here afterwards.
  drag->exec(Qt::MoveAction);
}

int TPictureList::DropRow(const QPoint& pos) const {
  if (count() == 0) return 0;
  // The nearest cell decides; a drop on its right half goes after it.
  int best = -1;
  qint64 bestDistance = 0;
  const QRect area =
      viewport()->rect().adjusted(-kIconSpacingX, -kIconSpacingY, kIconSpacingX, kIconSpacingY);
  for (int r = 0; r < count(); ++r) {
    const QRect cell = visualRect(model_->index(r));
    if (!cell.intersects(area)) continue;
    const QPoint d = cell.center() - pos;
    const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
    if (best < 0 || distance < bestDistance) {
      best = r;
      bestDistance = distance;
    }
  }
  if (best < 0) return count();
  const QRect cell = visualRect(model_->index(best));
  if (pos.y() > cell.bottom() + kIconSpacingY / 2) return count();
  return pos.x() > cell.center().x() ? best + 1 : best;
}

void TPictureList::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime->hasFormat(TPictureModel::RowsMimeType()) && event->source() == this) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else if (mime->hasUrls()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TPictureList::dragMoveEvent(QDragMoveEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime->hasFormat(TPictureModel::RowsMimeType()) && event->source() == this) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
    const int row = DropRow(event->position().toPoint());
    if (row != dropRow_) {
      dropRow_ = row;
      viewport()->update();
    }
    // Near the top or bottom edge the list scrolls.
    const int y = event->position().toPoint().y();
    QScrollBar* bar = verticalScrollBar();
    if (y < 30) bar->setValue(bar->value() - 20);
    if (y > viewport()->height() - 30) bar->setValue(bar->value() + 20);
  } else if (mime->hasUrls()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TPictureList::dragLeaveEvent(QDragLeaveEvent* event) {
  dropRow_ = -1;
  viewport()->update();
  QListView::dragLeaveEvent(event);
}

void TPictureList::dropEvent(QDropEvent* event) {
  const QMimeData* mime = event->mimeData();
  dropRow_ = -1;
  viewport()->update();
  if (mime->hasFormat(TPictureModel::RowsMimeType()) && event->source() == this) {
    model_->dropMimeData(mime, Qt::MoveAction, DropRow(event->position().toPoint()), 0, {});
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else if (mime->hasUrls()) {
    // Files from outside join the end of the list, as when they are added by the buttons.
    AddDroppedUrls(mime->urls());
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TPictureList::paintEvent(QPaintEvent* event) {
  QListView::paintEvent(event);
  if (dropRow_ < 0 || count() == 0) return;
  // The insertion line: before the entry at dropRow_, or after the last one.
  const bool after = dropRow_ >= count();
  const QRect cell = visualRect(model_->index(after ? count() - 1 : dropRow_));
  const int x = after ? cell.right() + (kIconSpacingX - cell.width()) / 2
                      : cell.left() - (kIconSpacingX - cell.width()) / 2;
  QPainter p(viewport());
  p.setPen(QPen(QColor(0x30, 0x70, 0xD0), 3));
  p.drawLine(x, cell.top() + 2, x, cell.bottom() - 2);
}

void TPictureList::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  PlaceHint();
  SchedulePriority();
}

void TPictureList::scrollContentsBy(int dx, int dy) {
  QListView::scrollContentsBy(dx, dy);
  SchedulePriority();
}

void TPictureList::UpdateHint() {
  pnlHint_->setVisible(count() == 0);
  PlaceHint();
}

void TPictureList::PlaceHint() {
  const QSize area = viewport()->size();
  pnlHint_->move((area.width() - pnlHint_->width()) / 2, (area.height() - pnlHint_->height()) / 2);
}

void TPictureList::SchedulePriority() {
  if (priorityScheduled_) return;
  priorityScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    priorityScheduled_ = false;
    PrioritiseVisible();
  });
}

void TPictureList::PrioritiseVisible() {
  if (!model_->ThumbnailsPending()) return;
  // The rows in view, then the next screenful below, then the one above.
  const QRect view = viewport()->rect();
  const QRect below = view.translated(0, view.height());
  const QRect above = view.translated(0, -view.height());
  std::vector<int> visible, next, previous;
  for (int r = 0; r < count(); ++r) {
    const QRect cell = visualRect(model_->index(r));
    if (cell.intersects(view))
      visible.push_back(r);
    else if (cell.intersects(below))
      next.push_back(r);
    else if (cell.intersects(above))
      previous.push_back(r);
  }
  visible.insert(visible.end(), next.begin(), next.end());
  visible.insert(visible.end(), previous.begin(), previous.end());
  model_->Prioritise(visible);
}

}  // namespace pixmira
