#pragma once
// The picture list of the main window: one entry per added path, in the order added, each
// with its thumbnail, rotation angle and floating toolbar. Thumbnails are made on worker
// threads so that adding a folder of large photographs never freezes the window; the entry
// is in the list (and in export order) at once, its thumbnail follows.
#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QThreadPool>
#include <array>
#include <atomic>
#include <memory>
#include <unordered_map>
#include <vector>

#include "output/Export.h"

class QLabel;

namespace pixmira {

class TToolbarForm;

// Thumbnail cell and list geometry.
inline constexpr int kThumbWidth = 124;
inline constexpr int kThumbHeight = 147;
inline constexpr int kIconSpacingX = 164;
inline constexpr int kIconSpacingY = 175;

// The next angle of a quarter turn: counter-clockwise 0 → 90 → 180 → 270 → 360 → 90,
// clockwise 0 → 270 → 180 → 90 → 0, and 360 → 270.
int NextAngle(int angle, bool counterClockwise);

// The thumbnail cell of a file turned by angle, made the way the export sees it; a null image
// when the file cannot be shown. Safe on any thread.
QImage MakeEntryThumbnail(const QString& path, int angle);
// The cell for files that cannot be shown.
const QImage& PlaceholderThumbnail();

class TPictureList : public QListWidget {
  Q_OBJECT
 public:
  static constexpr int PathRole = Qt::UserRole;
  static constexpr int AngleRole = Qt::UserRole + 1;  // decimal text, as the entry keeps it
  static constexpr int IdRole = Qt::UserRole + 2;

  explicit TPictureList(QWidget* parent = nullptr);
  ~TPictureList() override;

  // Appends one entry; no check of existence, type or duplicates.
  void AddPicture(const QString& path);
  // A folder's own *.jpg, then *.bmp, then *.png (hidden files included, name order), then
  // each subfolder that is not hidden, recursively.
  void AddFolder(const QString& folder);
  // Each path whole, in the given order; folders become one entry like any other path.
  void AddDroppedUrls(const QList<QUrl>& urls);
  void ClearPictures();

  QString EntryPath(int row) const;
  int EntryAngle(int row) const;
  TToolbarForm* EntryToolbar(int row) const;
  // The thumbnail currently shown (null while it is still being made).
  QImage EntryThumbnail(int row) const;
  std::vector<TExportEntry> ExportEntries() const;

  // The toolbar actions, by row.
  void TurnEntry(int row, bool counterClockwise);
  void RemoveEntry(int row);

  QLabel* HintPanel() const { return pnlHint_; }
  void LayoutToolbars();

  bool ThumbnailsPending() const { return pending_ > 0; }
  // Runs the event loop until every requested thumbnail is shown.
  void WaitForThumbnails();

  // The drawn thumbnail of an entry; null while it is being made.
  QPixmap EntryPixmap(const QModelIndex& index) const;

  // Where the thumbnail of a cell is drawn, and where its toolbar goes.
  static QRect IconRect(const QRect& cell);
  static QRect ToolbarRect(const QRect& icon);

 signals:
  void entriesChanged();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void updateGeometries() override;
  void doItemsLayout() override;

 private:
  struct Entry {
    QListWidgetItem* item = nullptr;
    QPointer<TToolbarForm> toolbar;
    int generation = 0;
    QImage thumbnail;
    QPixmap pixmap;  // what the list draws
  };

  int RowOfId(int id) const;
  Entry* FindEntry(int row);
  const Entry* FindEntry(int row) const;
  void RequestThumbnail(int id, const QString& path, int angle, bool isTurn);
  void ApplyThumbnail(int id, int generation, bool isTurn, const QImage& image);
  void ShowThumbnail(int id, const QImage& image);
  void UpdateHint();
  void PlaceHint();
  void ScheduleLayout();

  QLabel* pnlHint_ = nullptr;
  std::array<QIcon, 4> toolIcons_;
  int nextId_ = 0;
  int pending_ = 0;
  bool layoutScheduled_ = false;
  std::unordered_map<int, Entry> entries_;
  // Bumped by ClearPictures, so queued work for cleared entries is skipped.
  std::shared_ptr<std::atomic<int>> epoch_ = std::make_shared<std::atomic<int>>(0);
  QThreadPool pool_;
};

}  // namespace pixmira
