#include "ui/PictureModel.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <unordered_set>

#include "codecs/LoadPicture.h"
#include "ui/Artwork.h"
#include "ui/QtBitmap.h"

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
  const auto cell = MakeFileThumbnail(path.toStdString(), angle, kThumbWidth, kThumbHeight);
  return cell ? ToQImage(*cell) : QImage();
}

void TThumbnailQueue::Push(Job job) {
  std::lock_guard lock(mutex_);
  wanted_[job.id] = job.generation;
  jobs_.push_back(std::move(job));
}

bool TThumbnailQueue::Pop(Job& job) {
  std::lock_guard lock(mutex_);
  if (jobs_.empty()) return false;
  job = std::move(jobs_.front());
  jobs_.pop_front();
  return true;
}

void TThumbnailQueue::Prioritise(const std::vector<int>& ids) {
  std::lock_guard lock(mutex_);
  if (jobs_.empty() || ids.empty()) return;
  std::unordered_map<int, std::size_t> rank;
  for (std::size_t i = 0; i < ids.size(); ++i) rank.emplace(ids[i], i);
  std::stable_partition(jobs_.begin(), jobs_.end(),
                        [&](const Job& job) { return rank.count(job.id) != 0; });
  const auto end = std::find_if(jobs_.begin(), jobs_.end(),
                                [&](const Job& job) { return rank.count(job.id) == 0; });
  std::stable_sort(jobs_.begin(), end,
                   [&](const Job& a, const Job& b) { return rank[a.id] < rank[b.id]; });
}

void TThumbnailQueue::Forget(int id) {
  std::lock_guard lock(mutex_);
  wanted_.erase(id);
}

bool TThumbnailQueue::Wanted(const Job& job) const {
  std::lock_guard lock(mutex_);
  const auto found = wanted_.find(job.id);
  return found != wanted_.end() && found->second == job.generation;
}

QString TPictureModel::RowsMimeType() { return QStringLiteral("application/x-pixmira-entries"); }

TPictureModel::TPictureModel(QObject* parent) : QAbstractListModel(parent) {
  pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
  // The window's thread comes first, so scrolling stays smooth while thumbnails are made.
  pool_.setThreadPriority(QThread::LowPriority);
}

TPictureModel::~TPictureModel() {
  for (const TPictureEntry& entry : entries_) queue_->Forget(entry.id);
  pool_.waitForDone();
}

int TPictureModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(entries_.size());
}

QVariant TPictureModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= int(entries_.size())) return {};
  const TPictureEntry& entry = entries_[index.row()];
  switch (role) {
    case Qt::DisplayRole:
      return entry.caption;
    case Qt::ToolTipRole:
    case PathRole:
      return entry.path;
    case AngleRole:
      return entry.angle;
    case ThumbnailRole:
      return entry.thumbnail;
    case IdRole:
      return entry.id;
    default:
      return {};
  }
}

Qt::ItemFlags TPictureModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

Qt::DropActions TPictureModel::supportedDropActions() const {
  return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions TPictureModel::supportedDragActions() const { return Qt::MoveAction; }

QStringList TPictureModel::mimeTypes() const {
  return {RowsMimeType(), QStringLiteral("text/uri-list")};
}

QMimeData* TPictureModel::mimeData(const QModelIndexList& indexes) const {
  std::vector<int> rows;
  for (const QModelIndex& index : indexes)
    if (index.isValid()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  // The process too, so a drop into another running list is not taken for ours.
  out << qint64(QCoreApplication::applicationPid()) << quintptr(this);
  for (int row : rows) out << qint32(entries_[row].id);
  auto* mime = new QMimeData;
  mime->setData(RowsMimeType(), bytes);
  return mime;
}

bool TPictureModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                 const QModelIndex& parent) {
  if (action == Qt::IgnoreAction) return true;
  if (parent.isValid()) row = parent.row();
  if (row < 0 || row > rowCount()) row = rowCount();
  if (data->hasFormat(RowsMimeType())) {
    QByteArray bytes = data->data(RowsMimeType());
    QDataStream in(&bytes, QIODevice::ReadOnly);
    qint64 pid = 0;
    quintptr owner = 0;
    in >> pid >> owner;
    if (pid != QCoreApplication::applicationPid() || owner != quintptr(this)) return false;
    std::vector<int> rows;
    while (!in.atEnd()) {
      qint32 id = 0;
      in >> id;
      if (in.status() != QDataStream::Ok) break;
      if (const int r = RowOfId(id); r >= 0) rows.push_back(r);
    }
    if (rows.empty()) return false;
    if (moveHandler)
      moveHandler(rows, row);
    else
      MoveRows(rows, row);
    return true;
  }
  if (data->hasUrls()) {
    QStringList paths;
    for (const QUrl& url : data->urls()) {
      if (!url.isLocalFile()) continue;
      QString path = url.toLocalFile();
      // A folder dragged from a file manager may come with a final "/"; the entry's name is
      // the folder's own name either way.
      while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
      paths << path;
    }
    AddPaths(paths, row);
    return !paths.isEmpty();
  }
  return false;
}

void TPictureModel::AddPaths(const QStringList& paths, int row) {
  if (paths.isEmpty()) return;
  if (row < 0 || row > rowCount()) row = rowCount();
  beginInsertRows({}, row, row + int(paths.size()) - 1);
  std::vector<TPictureEntry> added;
  added.reserve(paths.size());
  for (const QString& path : paths) {
    TPictureEntry entry;
    entry.id = nextId_++;
    entry.path = path;
    entry.caption = QFileInfo(path).fileName();
    if (entry.caption.isEmpty()) entry.caption = path;
    added.push_back(std::move(entry));
  }
  entries_.insert(entries_.begin() + row, std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
  endInsertRows();
  for (int r = row; r < row + int(paths.size()); ++r) Request(entries_[r]);
  AfterCountChange();
}

std::vector<std::pair<int, TPictureEntry>> TPictureModel::TakeRows(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<std::pair<int, TPictureEntry>> taken;
  // From the last, in runs, so the earlier rows keep their numbers.
  for (int i = int(rows.size()) - 1; i >= 0;) {
    const int last = rows[i];
    if (last < 0 || last >= rowCount()) {
      --i;
      continue;
    }
    int first = last;
    while (i > 0 && rows[i - 1] == first - 1) {
      --first;
      --i;
    }
    --i;
    beginRemoveRows({}, first, last);
    for (int r = last; r >= first; --r) {
      queue_->Forget(entries_[r].id);
      taken.emplace_back(r, std::move(entries_[r]));
    }
    entries_.erase(entries_.begin() + first, entries_.begin() + last + 1);
    endRemoveRows();
  }
  std::reverse(taken.begin(), taken.end());
  if (!taken.empty()) AfterCountChange();
  return taken;
}

void TPictureModel::Restore(const std::vector<std::pair<int, TPictureEntry>>& taken) {
  for (const auto& [row, entry] : taken) {
    const int at = std::clamp(row, 0, rowCount());
    beginInsertRows({}, at, at);
    entries_.insert(entries_.begin() + at, entry);
    endInsertRows();
    // Taken out before its thumbnail came: it is made again.
    if (entries_[at].thumbnail.isNull()) Request(entries_[at]);
  }
  if (!taken.empty()) AfterCountChange();
}

void TPictureModel::MoveRows(std::vector<int> rows, int destination) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  rows.erase(
      std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= rowCount(); }),
      rows.end());
  if (rows.empty()) return;
  destination = std::clamp(destination, 0, rowCount());
  std::vector<bool> moving(entries_.size(), false);
  for (int r : rows) moving[r] = true;
  std::vector<int> order;  // old rows in their new order
  order.reserve(entries_.size());
  for (int r = 0; r < destination; ++r)
    if (!moving[r]) order.push_back(r);
  order.insert(order.end(), rows.begin(), rows.end());
  for (int r = destination; r < rowCount(); ++r)
    if (!moving[r]) order.push_back(r);
  std::vector<int> ids;
  ids.reserve(order.size());
  for (int r : order) ids.push_back(entries_[r].id);
  SetOrder(ids);
}

void TPictureModel::SetOrder(const std::vector<int>& ids) {
  std::vector<int> newRowOfOld(entries_.size(), -1);
  std::vector<int> order;  // old rows in the new order
  for (int id : ids) {
    const int r = RowOfId(id);
    if (r >= 0 && newRowOfOld[r] < 0) {
      newRowOfOld[r] = int(order.size());
      order.push_back(r);
    }
  }
  for (int r = 0; r < rowCount(); ++r) {
    if (newRowOfOld[r] < 0) {
      newRowOfOld[r] = int(order.size());
      order.push_back(r);
    }
  }
  bool same = true;
  for (int r = 0; r < rowCount() && same; ++r) same = newRowOfOld[r] == r;
  if (same) return;

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<TPictureEntry> reordered;
  reordered.reserve(entries_.size());
  for (int r : order) reordered.push_back(std::move(entries_[r]));
  entries_ = std::move(reordered);
  QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& index : from) to << this->index(newRowOfOld[index.row()], 0);
  changePersistentIndexList(from, to);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::vector<int> TPictureModel::Order() const {
  std::vector<int> ids;
  ids.reserve(entries_.size());
  for (const TPictureEntry& entry : entries_) ids.push_back(entry.id);
  return ids;
}

void TPictureModel::SetAngle(int row, int angle) {
  if (row < 0 || row >= rowCount()) return;
  entries_[row].angle = angle;
  emit dataChanged(index(row), index(row), {AngleRole});
  Request(entries_[row]);
}

int TPictureModel::RowOfId(int id) const {
  for (int r = 0; r < int(entries_.size()); ++r)
    if (entries_[r].id == id) return r;
  return -1;
}

std::vector<TExportEntry> TPictureModel::ExportEntries() const {
  std::vector<TExportEntry> result;
  result.reserve(entries_.size());
  for (const TPictureEntry& entry : entries_)
    result.push_back({entry.path.toStdString(), entry.angle});
  return result;
}

void TPictureModel::Prioritise(const std::vector<int>& rows) {
  std::vector<int> ids;
  ids.reserve(rows.size());
  for (int r : rows)
    if (r >= 0 && r < rowCount() && entries_[r].thumbnail.isNull()) ids.push_back(entries_[r].id);
  queue_->Prioritise(ids);
}

void TPictureModel::WaitForThumbnails() {
  while (pending_ > 0) {
    pool_.waitForDone(50);
    QCoreApplication::sendPostedEvents(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
}

void TPictureModel::Request(TPictureEntry& entry) {
  const int generation = ++entry.generation;
  ++pending_;
  queue_->Push({entry.id, generation, entry.path, entry.angle});
  pool_.start([this, queue = queue_] {
    TThumbnailQueue::Job job;
    if (!queue->Pop(job)) return;
    QImage image;
    if (queue->Wanted(job)) image = MakeEntryThumbnail(job.path, job.angle);
    QMetaObject::invokeMethod(
        this,
        [this, id = job.id, generation = job.generation, image] { Deliver(id, generation, image); },
        Qt::QueuedConnection);
  });
}

void TPictureModel::Deliver(int id, int generation, const QImage& image) {
  --pending_;
  const int row = RowOfId(id);
  if (row < 0 || entries_[row].generation != generation) return;
  TPictureEntry& entry = entries_[row];
  if (!image.isNull())
    entry.thumbnail = image;
  else if (entry.thumbnail.isNull())
    entry.thumbnail = PlaceholderThumbnail();
  // else: a turn of a picture that can no longer be loaded keeps what is shown.
  emit dataChanged(index(row), index(row), {ThumbnailRole});
}

void TPictureModel::AfterCountChange() { emit countChanged(rowCount()); }

}  // namespace pixmira
