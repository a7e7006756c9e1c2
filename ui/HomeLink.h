#pragma once
// The vendor's web site: the home link "官方首页" at the top right of the main window. The host
// is configuration (HomeHost in Config.ini); without one the link opens nothing and says why.
#include <QObject>
#include <QString>
#include <QUrl>

#include "core/MemIniFile.h"

class QLabel;

namespace pixmira {

class TKaravelKernel;
class TUiServices;

inline constexpr const char* kHomePagePath = "/201072950.html";
inline constexpr const char* kUpdateListPath = "/SiteBack/updateTxt/50.txt";

// http://<HomeHost><path>; empty when no host is set or the value is no plain host name
// (with an optional port): a path, user name or query in it is refused.
QUrl VendorUrl(const TMemIniFile& settings, const char* path);

// The tooltip of the link: the address it opens, or why it opens none.
QString HomeLinkToolTip(const QUrl& home);

// Underlines the label while the mouse is over it and opens the home page on a click.
class THomeLink : public QObject {
  Q_OBJECT
 public:
  THomeLink(QLabel* label, TKaravelKernel& kernel, TUiServices& services);

  void lblHomeClick();
  void AnchorMouseEnter();
  void AnchorMouseLeave();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QUrl HomeUrl() const;
  void SetUnderline(bool underline);

  QLabel* label_;
  TKaravelKernel& kernel_;
  TUiServices& services_;
};

}  // namespace pixmira
