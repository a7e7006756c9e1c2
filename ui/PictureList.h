#pragma once
// The picture list of the main window: a grid of thumbnails over TPictureModel, painted by a
// delegate, with the rotate / edit / remove buttons drawn over the hovered entry. Entries can
// be selected several at a time, dragged into a new order, removed with Delete and turned
// with Ctrl+L / Ctrl+R; removals, turns and moves go on an undo stack.
#include <QIcon>
#include <QListView>
#include <QPersistentModelIndex>
#include <array>
#include <vector>

#include "ui/PictureModel.h"

class QAction;
class QLabel;
class QUndoStack;

namespace pixmira {

// The buttons over a hovered thumbnail, left to right.
enum class TEntryButton { None = -1, RotateLeft, RotateRight, Edit, Remove };

// The button strip's size, and one button's.
inline constexpr int kToolbarWidth = 94;
inline constexpr int kToolbarHeight = 22;
inline constexpr int kToolButtonWidth = 22;
inline constexpr int kToolButtonHeight = 20;

class TPictureList : public QListView {
  Q_OBJECT
 public:
  explicit TPictureList(QWidget* parent = nullptr);
  ~TPictureList() override;

  TPictureModel* Model() const { return model_; }
  QUndoStack* UndoStack() const { return undo_; }

  // Appends one entry; no check of existence, type or duplicates.
  void AddPicture(const QString& path);
  // A folder's own *.jpg, then *.bmp, then *.png (hidden files included, name order), then
  // each subfolder that is not hidden, recursively.
  void AddFolder(const QString& folder);
  // Each path whole, in the given order; folders become one entry like any other path.
  void AddDroppedUrls(const QList<QUrl>& urls);
  // Empties the list; undoable.
  void ClearPictures();

  int count() const { return model_->rowCount(); }
  QString Caption(int row) const;
  QString EntryPath(int row) const;
  int EntryAngle(int row) const;
  // The thumbnail currently shown (null while it is still being made).
  QImage EntryThumbnail(int row) const;
  std::vector<TExportEntry> ExportEntries() const { return model_->ExportEntries(); }

  // One entry, or, when it is part of a selection of several, the whole selection; undoable.
  void TurnEntry(int row, bool counterClockwise);
  void RemoveEntry(int row);
  void TurnSelection(bool counterClockwise);
  void RemoveSelection();
  // Moves these rows before destination (rowCount: the end); undoable.
  void MoveEntries(const std::vector<int>& rows, int destination);
  std::vector<int> SelectedRows() const;

  // Delete, Ctrl+L and Ctrl+R; the window adds them to its menus.
  QAction* RemoveAction() const { return actRemove_; }
  QAction* TurnLeftAction() const { return actTurnLeft_; }
  QAction* TurnRightAction() const { return actTurnRight_; }

  QLabel* HintPanel() const { return pnlHint_; }

  bool ThumbnailsPending() const { return model_->ThumbnailsPending(); }
  // Runs the event loop until every requested thumbnail is shown.
  void WaitForThumbnails() { model_->WaitForThumbnails(); }

  // Where the thumbnail of a cell is drawn, where its button strip goes, and each button.
  static QRect IconRect(const QRect& cell);
  static QRect ToolbarRect(const QRect& icon);
  static QRect ButtonRect(const QRect& toolbar, TEntryButton button);
  // The button under pos in the viewport, on the entry under it.
  TEntryButton ButtonAt(const QPoint& pos, QModelIndex* index = nullptr) const;
  // Runs a button as a click on it would.
  void ClickButton(int row, TEntryButton button);

  static const std::array<QIcon, 4>& ToolIcons();
  static QString ButtonTip(TEntryButton button);
  QPoint HoverPos() const { return hoverPos_; }

  // The row a drop at pos in the viewport goes before.
  int DropRow(const QPoint& pos) const;

 signals:
  void countChanged(int count);

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void UpdateHint();
  void PlaceHint();
  void SchedulePriority();
  void PrioritiseVisible();
  // The rows a button on row acts on: the selection when row is part of a larger one.
  std::vector<int> RowsFor(int row) const;
  void Turn(const std::vector<int>& rows, bool counterClockwise);
  void Remove(const std::vector<int>& rows, const QString& text);

  TPictureModel* model_;
  QUndoStack* undo_;
  QLabel* pnlHint_ = nullptr;
  QAction* actRemove_;
  QAction* actTurnLeft_;
  QAction* actTurnRight_;
  QPoint hoverPos_{-1, -1};
  QPersistentModelIndex pressedIndex_;
  TEntryButton pressedButton_ = TEntryButton::None;
  int dropRow_ = -1;  // while something is dragged over the list
  bool priorityScheduled_ = false;
};

}  // namespace pixmira
