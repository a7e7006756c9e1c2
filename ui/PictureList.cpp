#include "output/PictureFolder.h"
#include "ui/PictureList.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

#include "codecs/LoadPicture.h"
#include "imaging/Rotate.h"
#include "ui/Artwork.h"
#include "ui/QtBitmap.h"
#include "ui/ToolbarForm.h"

namespace pixmira {

int NextAngle(int angle, bool counterClockwise) {
  if (counterClockwise) return angle + 90 > 360 ? angle - 270 : angle + 90;
  return angle - 90 < 0 ? angle + 270 : angle - 90;
}

const QImage& PlaceholderThumbnail() {
  static const QImage cell = [] {
    const TBitmap picture = ToBitmap(CannotShowPicture());
    const auto thumbnail = MakeThumbnail(picture, kThumbWidth, kThumbHeight);
    return thumbnail ? ToQImage(*thumbnail) : QImage();
  }();
  return cell;
}

QImage MakeEntryThumbnail(const QString& path, int angle) {
  try {
    const std::string file = path.toStdString();
    std::unique_ptr<TBitmap> thumbnail;
    if (angle == 0) {
      const auto picture = LoadPicture(file);
      if (!picture) return {};
      thumbnail = MakeThumbnail(*picture, kThumbWidth, kThumbHeight);
    } else {
      // Always from the file on disk, so repeated turns never accumulate loss.
      const auto bitmap = LoadPictureBitmap(file);
      if (!bitmap) return {};
      const auto turned = RotatePicture(*bitmap, kWhite, angle);
      thumbnail = MakeThumbnail(*turned, kThumbWidth, kThumbHeight);
    }
    return thumbnail ? ToQImage(*thumbnail) : QImage();
  } catch (const std::exception&) {
    // A picture that cannot be turned into a thumbnail is one that cannot be shown.
    return {};
  }
}

namespace {

// Draws each entry as its thumbnail cell with the file name beneath.
class TPictureDelegate : public QStyledItemDelegate {
 public:
  explicit TPictureDelegate(TPictureList* list) : QStyledItemDelegate(list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(kIconSpacingX - 8, kIconSpacingY - 4);
  }

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    p->save();
    const QRect cell = option.rect;
    const QRect icon = TPictureList::IconRect(cell);
    if (option.state & QStyle::State_Selected) {
      p->setRenderHint(QPainter::Antialiasing);
      p->setPen(QColor(0x7D, 0xA2, 0xCE));
      p->setBrush(QColor(0xDC, 0xEB, 0xFC));
      p->drawRoundedRect(QRectF(icon.adjusted(-3, -3, 3, 3)).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    const QPixmap pixmap = list_->EntryPixmap(index);
    if (!pixmap.isNull()) {
      p->drawPixmap(icon.topLeft(), pixmap);
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
    p->restore();
  }

 private:
  const TPictureList* list_;
};

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

TPictureList::TPictureList(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("lvPictures"));
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setFlow(QListView::LeftToRight);
  setWrapping(true);
  setUniformItemSizes(true);
  setIconSize(QSize(kThumbWidth, kThumbHeight));
  setGridSize(QSize(kIconSpacingX, kIconSpacingY));
  setSpacing(0);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalScrollBar()->setSingleStep(24);
  setItemDelegate(new TPictureDelegate(this));
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);

  pnlHint_ = new QLabel(QString::fromUtf8("可以将图片文件拖进来，加入处理列表。"), viewport());
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

  toolIcons_ = TToolbarForm::MakeIcons();
  pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
  UpdateHint();
}

TPictureList::~TPictureList() {
  epoch_->fetch_add(1);
  pool_.waitForDone();
}

void TPictureList::AddPicture(const QString& path) {
  const int id = nextId_++;
  QString caption = QFileInfo(path).fileName();
  if (caption.isEmpty()) caption = path;
  auto* item = new QListWidgetItem(caption);
  item->setData(PathRole, path);
  item->setData(AngleRole, QStringLiteral("0"));
  item->setData(IdRole, id);
  item->setToolTip(path);
  addItem(item);

  auto* toolbar = new TToolbarForm(id, viewport(), toolIcons_);
  connect(toolbar, &TToolbarForm::rotateLeftClicked, this,
          [this](int entryId) { TurnEntry(RowOfId(entryId), true); });
  connect(toolbar, &TToolbarForm::rotateRightClicked, this,
          [this](int entryId) { TurnEntry(RowOfId(entryId), false); });
  connect(toolbar, &TToolbarForm::removeClicked, this,
          [this](int entryId) { RemoveEntry(RowOfId(entryId)); });
  entries_[id].toolbar = toolbar;
  entries_[id].item = item;

  RequestThumbnail(id, path, 0, false);
  UpdateHint();
  ScheduleLayout();
  emit entriesChanged();
}

void TPictureList::AddFolder(const QString& folder) {
  // The command and the window add folders by the same rule.
  for (const std::string& path : ListFolderPictures(folder.toStdString()))
    AddPicture(QString::fromStdString(path));
}

void TPictureList::AddDroppedUrls(const QList<QUrl>& urls) {
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    QString path = url.toLocalFile();
    // A folder dragged from a file manager may come with a final "/"; the entry's name is the
    // folder's own name either way.
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    AddPicture(path);
  }
  UpdateHint();
}

void TPictureList::ClearPictures() {
  for (int row = count() - 1; row >= 0; --row) {
    if (auto* entry = FindEntry(row); entry && entry->toolbar) {
      entry->toolbar->hide();
      entry->toolbar->deleteLater();
    }
  }
  entries_.clear();
  clear();
  epoch_->fetch_add(1);
  UpdateHint();
  emit entriesChanged();
}

QString TPictureList::EntryPath(int row) const {
  const auto* it = item(row);
  return it ? it->data(PathRole).toString() : QString();
}

int TPictureList::EntryAngle(int row) const {
  const auto* it = item(row);
  return it ? it->data(AngleRole).toString().toInt() : 0;
}

TToolbarForm* TPictureList::EntryToolbar(int row) const {
  const auto* entry = FindEntry(row);
  return entry ? entry->toolbar.data() : nullptr;
}

QImage TPictureList::EntryThumbnail(int row) const {
  const auto* entry = FindEntry(row);
  return entry ? entry->thumbnail : QImage();
}

std::vector<TExportEntry> TPictureList::ExportEntries() const {
  std::vector<TExportEntry> result;
  result.reserve(count());
  for (int row = 0; row < count(); ++row)
    result.push_back({EntryPath(row).toStdString(), EntryAngle(row)});
  return result;
}

void TPictureList::TurnEntry(int row, bool counterClockwise) {
  auto* it = item(row);
  if (!it) return;
  const int angle = NextAngle(EntryAngle(row), counterClockwise);
  // Stored at once: the export turns the picture even when no thumbnail can be made.
  it->setData(AngleRole, QString::number(angle));
  RequestThumbnail(it->data(IdRole).toInt(), EntryPath(row), angle, true);
}

void TPictureList::RemoveEntry(int row) {
  auto* it = item(row);
  if (!it) return;
  const int id = it->data(IdRole).toInt();
  if (auto found = entries_.find(id); found != entries_.end()) {
    if (found->second.toolbar) {
      found->second.toolbar->hide();
      // The click that asked for this is still running inside the toolbar.
      found->second.toolbar->deleteLater();
    }
    entries_.erase(found);
  }
  delete takeItem(row);
  UpdateHint();
  ScheduleLayout();
  emit entriesChanged();
}

void TPictureList::LayoutToolbars() {
  const QRect visible = viewport()->rect();
  for (int row = 0; row < count(); ++row) {
    auto* entry = FindEntry(row);
    if (!entry || !entry->toolbar) continue;
    const QRect cell = visualRect(indexFromItem(item(row)));
    if (cell.isEmpty()) {
      entry->toolbar->hide();
      continue;
    }
    const QRect bounds = ToolbarRect(IconRect(cell));
    if (entry->toolbar->geometry() != bounds) entry->toolbar->setGeometry(bounds);
    // Every toolbar keeps its place; only those in view are shown, since showing a widget
    // the first time is what costs in a list of hundreds.
    entry->toolbar->setVisible(bounds.intersects(visible));
  }
}

void TPictureList::WaitForThumbnails() {
  while (pending_ > 0) {
    pool_.waitForDone(50);
    QCoreApplication::sendPostedEvents(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  LayoutToolbars();
}

void TPictureList::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TPictureList::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TPictureList::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) {
    event->ignore();
    return;
  }
  AddDroppedUrls(event->mimeData()->urls());
  event->acceptProposedAction();
}

void TPictureList::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  PlaceHint();
  ScheduleLayout();
}

void TPictureList::scrollContentsBy(int dx, int dy) {
  QListWidget::scrollContentsBy(dx, dy);
  LayoutToolbars();
}

void TPictureList::updateGeometries() {
  QListWidget::updateGeometries();
  ScheduleLayout();
}

void TPictureList::doItemsLayout() {
  QListWidget::doItemsLayout();
  LayoutToolbars();
}

int TPictureList::RowOfId(int id) const {
  const auto found = entries_.find(id);
  return found == entries_.end() ? -1 : row(found->second.item);
}

TPictureList::Entry* TPictureList::FindEntry(int row) {
  const auto* it = item(row);
  if (!it) return nullptr;
  auto found = entries_.find(it->data(IdRole).toInt());
  return found == entries_.end() ? nullptr : &found->second;
}

const TPictureList::Entry* TPictureList::FindEntry(int row) const {
  const auto* it = item(row);
  if (!it) return nullptr;
  auto found = entries_.find(it->data(IdRole).toInt());
  return found == entries_.end() ? nullptr : &found->second;
}

void TPictureList::RequestThumbnail(int id, const QString& path, int angle, bool isTurn) {
  auto found = entries_.find(id);
  if (found == entries_.end()) return;
  const int generation = ++found->second.generation;
  ++pending_;
  auto epoch = epoch_;
  const int epochAtRequest = epoch->load();
  pool_.start([this, epoch, epochAtRequest, id, generation, isTurn, path, angle] {
    QImage image;
    const bool stale = epoch->load() != epochAtRequest;
    if (!stale) image = MakeEntryThumbnail(path, angle);
    // Delivered on the window's thread; dropped if the list is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, id, generation, isTurn, image] { ApplyThumbnail(id, generation, isTurn, image); },
        Qt::QueuedConnection);
  });
}

void TPictureList::ApplyThumbnail(int id, int generation, bool isTurn, const QImage& image) {
  --pending_;
  auto found = entries_.find(id);
  if (found == entries_.end() || found->second.generation != generation) return;
  if (!image.isNull()) {
    ShowThumbnail(id, image);
  } else if (!isTurn || found->second.thumbnail.isNull()) {
    // A turn of a picture that cannot be loaded keeps what is shown.
    ShowThumbnail(id, PlaceholderThumbnail());
  }
}

void TPictureList::ShowThumbnail(int id, const QImage& image) {
  auto found = entries_.find(id);
  if (found == entries_.end()) return;
  found->second.thumbnail = image;
  found->second.pixmap = QPixmap::fromImage(image);
  // Kept beside the model, so a new thumbnail repaints its cell without a model change that
  // would lay out the whole list again.
  viewport()->update(visualRect(indexFromItem(found->second.item)));
}

QPixmap TPictureList::EntryPixmap(const QModelIndex& index) const {
  const auto found = entries_.find(index.data(IdRole).toInt());
  return found == entries_.end() ? QPixmap() : found->second.pixmap;
}

void TPictureList::UpdateHint() {
  pnlHint_->setVisible(count() == 0);
  PlaceHint();
}

void TPictureList::PlaceHint() {
  const QSize area = viewport()->size();
  pnlHint_->move((area.width() - pnlHint_->width()) / 2, (area.height() - pnlHint_->height()) / 2);
}

void TPictureList::ScheduleLayout() {
  if (layoutScheduled_) return;
  layoutScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    layoutScheduled_ = false;
    LayoutToolbars();
  });
}

}  // namespace pixmira
