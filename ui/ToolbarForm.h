#pragma once
// The small half-transparent toolbar over the bottom strip of each list thumbnail.
#include <QIcon>
#include <QWidget>
#include <array>

class QToolButton;

namespace pixmira {

class TToolbarForm : public QWidget {
  Q_OBJECT
 public:
  // The four button icons, in button order; a list makes them once for all its toolbars.
  using Icons = std::array<QIcon, 4>;
  static Icons MakeIcons();

  // A child of the list's viewport, hidden until the list first places it.
  TToolbarForm(int entryId, QWidget* viewport, const Icons& icons = MakeIcons());

  int EntryId() const { return entryId_; }

  QToolButton* tbRoteLeft() const { return tbRoteLeft_; }
  QToolButton* tbRoteRight() const { return tbRoteRight_; }
  QToolButton* tbEdit() const { return tbEdit_; }
  QToolButton* tbRemove() const { return tbRemove_; }

 signals:
  void rotateLeftClicked(int entryId);
  void rotateRightClicked(int entryId);
  void removeClicked(int entryId);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int entryId_;
  QToolButton* tbRoteLeft_;
  QToolButton* tbRoteRight_;
  QToolButton* tbEdit_;
  QToolButton* tbRemove_;
};

// The toolbar's size: four buttons side by side.
inline constexpr int kToolbarWidth = 94;
inline constexpr int kToolbarHeight = 22;

}  // namespace pixmira
