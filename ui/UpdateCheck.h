#pragma once
// The update check: once per run, six seconds after the main window was created, the update
// component is handed the window and the address of the update list.
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <functional>

class QWidget;

namespace pixmira {

class TKaravelKernel;

// Our own update component. The update list's format belongs to the vendor's site; until one
// is configured (no HomeHost, an empty address) there is nothing to ask and nothing is done.
void DoUpdate(QWidget* window, const QUrl& updateList);

class TUpdateCheck : public QObject {
  Q_OBJECT
 public:
  using Updater = std::function<void(QWidget* window, const QUrl& updateList)>;

  // Starts the timer at once.
  TUpdateCheck(QWidget* window, TKaravelKernel& kernel, Updater updater = DoUpdate,
               int intervalMs = 6000);

  void UpdateTimerTimer();

  QTimer UpdateTimer;

 private:
  QWidget* window_;
  TKaravelKernel& kernel_;
  Updater updater_;
};

}  // namespace pixmira
