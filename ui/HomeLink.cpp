#include "ui/HomeLink.h"

#include <QCoreApplication>

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include "core/Kernel.h"
#include "core/Settings.h"
#include "ui/Tr.h"
#include "ui/UiServices.h"

namespace pixmira {

QUrl VendorUrl(const TMemIniFile& settings, const char* path) {
  const QString host =
      QString::fromStdString(ReadSettingString(settings, keys::HomeHost, ReadSite::Main)).trimmed();
  if (host.isEmpty()) return {};
  QUrl url;
  url.setScheme(QStringLiteral("http"));
  url.setAuthority(host, QUrl::StrictMode);
  // Only a host and a port: anything that would change where the link goes is refused.
  if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() ||
      url.authority() != host.toLower())
    return {};
  url.setPath(QString::fromLatin1(path));
  return url.isValid() ? url : QUrl();
}

QString HomeLinkToolTip(const QUrl& home) {
  if (home.isEmpty())
    return Pixmira::tr("未设置官方网站地址（Config.ini 中的 HomeHost），首页无法打开。");
  return home.toString();
}

THomeLink::THomeLink(QLabel* label, TKaravelKernel& kernel, TUiServices& services)
    : QObject(label), label_(label), kernel_(kernel), services_(services) {
  label_->setCursor(Qt::PointingHandCursor);
  label_->setToolTip(HomeLinkToolTip(HomeUrl()));
  label_->installEventFilter(this);
}

QUrl THomeLink::HomeUrl() const { return VendorUrl(kernel_.SettingsStore(), kHomePagePath); }

void THomeLink::lblHomeClick() {
  const QUrl home = HomeUrl();
  if (!home.isEmpty()) services_.OpenWithDesktop(home);
}

void THomeLink::AnchorMouseEnter() {
  SetUnderline(true);
  // The settings may have changed since the window opened.
  label_->setToolTip(HomeLinkToolTip(HomeUrl()));
}

void THomeLink::AnchorMouseLeave() { SetUnderline(false); }

void THomeLink::SetUnderline(bool underline) {
  QFont font = label_->font();
  font.setUnderline(underline);
  label_->setFont(font);
}

bool THomeLink::eventFilter(QObject* watched, QEvent* event) {
  if (watched == label_) {
    switch (event->type()) {
      case QEvent::Enter:
        AnchorMouseEnter();
        break;
      case QEvent::Leave:
        AnchorMouseLeave();
        break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            label_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
          lblHomeClick();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace pixmira
