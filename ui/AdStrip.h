#pragma once
// The strip along the bottom of the main window: a quiet static panel of our own that reads as
// part of the window (no border, no scroll bars, no context menu).
#include <QWidget>

namespace pixmira {

inline constexpr int kAdStripHeight = 70;

class TAdStrip : public QWidget {
  Q_OBJECT
 public:
  // Fills host (the window's bottom panel) edge to edge.
  explicit TAdStrip(QWidget* host);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace pixmira
