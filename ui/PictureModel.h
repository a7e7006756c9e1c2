#pragma once
// The entries of the picture list: path, caption, turn and thumbnail, in export order.
// Thumbnails are made on every core, the rows the view asks for first; an entry is in the
// list (and in export order) at once, its thumbnail follows.
#include <QAbstractListModel>
#include <QImage>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "output/Export.h"

namespace pixmira {

// Thumbnail cell and list geometry.
inline constexpr int kThumbWidth = 124;
inline constexpr int kThumbHeight = 147;
inline constexpr int kIconSpacingX = 164;
inline constexpr int kIconSpacingY = 175;

// The next angle of a quarter turn: counter-clockwise 0 → 90 → 180 → 270 → 360 → 90,
// clockwise 0 → 270 → 180 → 90 → 0, and 360 → 270.
int NextAngle(int angle, bool counterClockwise);

// The thumbnail cell of a file turned by angle; a null image when the file cannot be shown.
// Safe on any thread.
QImage MakeEntryThumbnail(const QString& path, int angle);
// The cell for files that cannot be shown.
const QImage& PlaceholderThumbnail();

struct TPictureEntry {
  int id = 0;
  QString path;
  QString caption;
  int angle = 0;       // 0, 90, 180, 270 or 360
  QImage thumbnail;    // null while it is being made
  int generation = 0;  // bumped by every request, so a late thumbnail of an old turn is dropped
};

// Requests waiting for a worker; the front is made first.
class TThumbnailQueue {
 public:
  struct Job {
    int id;
    int generation;
    QString path;
    int angle;
  };
  void Push(Job job);
  bool Pop(Job& job);
  // Moves the jobs of these entries to the front, in this order.
  void Prioritise(const std::vector<int>& ids);
  // The entry is gone: its work is skipped when a worker reaches it.
  void Forget(int id);
  bool Wanted(const Job& job) const;

 private:
  mutable std::mutex mutex_;
  std::deque<Job> jobs_;
  std::unordered_map<int, int> wanted_;  // id -> generation
};

class TPictureModel : public QAbstractListModel {
  Q_OBJECT
 public:
  static constexpr int PathRole = Qt::UserRole;
  static constexpr int AngleRole = Qt::UserRole + 1;
  static constexpr int ThumbnailRole = Qt::UserRole + 2;
  static constexpr int IdRole = Qt::UserRole + 3;
  // The drag payload of entries moved inside the list: their ids.
  static QString RowsMimeType();

  explicit TPictureModel(QObject* parent = nullptr);
  ~TPictureModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDropActions() const override;
  Qt::DropActions supportedDragActions() const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  // Entries of this list move before row (-1: the end); files from outside are added there.
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

  // Appends one entry per path, in order, before row (-1: the end). No check of existence,
  // type or duplicates.
  void AddPaths(const QStringList& paths, int row = -1);
  // Takes out the entries of these rows; returned with the rows they had, ascending.
  std::vector<std::pair<int, TPictureEntry>> TakeRows(std::vector<int> rows);
  // Puts back what TakeRows returned.
  void Restore(const std::vector<std::pair<int, TPictureEntry>>& taken);
  // The entries of rows move, keeping their order, so that they stand before the entry that
  // was at destination (rowCount(): the end).
  void MoveRows(std::vector<int> rows, int destination);
  // The whole order by ids (for undoing a move); ids not in the list are ignored.
  void SetOrder(const std::vector<int>& ids);
  std::vector<int> Order() const;

  // Stored at once; the thumbnail is made again from the file.
  void SetAngle(int row, int angle);

  const TPictureEntry& Entry(int row) const { return entries_[row]; }
  int RowOfId(int id) const;
  std::vector<TExportEntry> ExportEntries() const;

  // Moves the thumbnails of these rows to the front of the waiting work.
  void Prioritise(const std::vector<int>& rows);
  bool ThumbnailsPending() const { return pending_ > 0; }
  // Runs the event loop until every requested thumbnail is in.
  void WaitForThumbnails();

  // Called instead of MoveRows for a drop of our own entries, so the caller can make the move
  // undoable.
  std::function<void(std::vector<int> rows, int destination)> moveHandler;

 signals:
  void countChanged(int count);

 private:
  void Request(TPictureEntry& entry);
  void Deliver(int id, int generation, const QImage& image);
  void AfterCountChange();

  std::vector<TPictureEntry> entries_;
  int nextId_ = 0;
  int pending_ = 0;
  std::shared_ptr<TThumbnailQueue> queue_ = std::make_shared<TThumbnailQueue>();
  QThreadPool pool_;
};

}  // namespace pixmira
