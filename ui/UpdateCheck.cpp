#include "ui/UpdateCheck.h"

#include <QWidget>

#include "core/Kernel.h"
#include "ui/HomeLink.h"

namespace pixmira {

void DoUpdate(QWidget*, const QUrl& updateList) {
  if (updateList.isEmpty()) return;
  // A configured host has no list format we know of yet; asking it anything would only cost
  // the user a connection.
}

TUpdateCheck::TUpdateCheck(QWidget* window, TKaravelKernel& kernel, Updater updater, int intervalMs)
    : QObject(window), window_(window), kernel_(kernel), updater_(std::move(updater)) {
  setObjectName(QStringLiteral("UpdateCheck"));
  UpdateTimer.setInterval(intervalMs);
  connect(&UpdateTimer, &QTimer::timeout, this, &TUpdateCheck::UpdateTimerTimer);
  UpdateTimer.start();
}

void TUpdateCheck::UpdateTimerTimer() {
  // Stopped first: a modal loop inside the call runs timers too, and the check is once a run.
  if (!UpdateTimer.isActive()) return;
  UpdateTimer.stop();
  if (updater_) updater_(window_, VendorUrl(kernel_.SettingsStore(), kUpdateListPath));
}

}  // namespace pixmira
