#pragma once
// Everything the windows ask of the desktop: message boxes, file and folder dialogs, opening
// a document. Behind one interface so the tests can answer instead of a user.
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace pixmira {

class TUiServices {
 public:
  virtual ~TUiServices() = default;

  // The program's own message: titled "Pixmira", information icon, OK.
  virtual void Information(QWidget* parent, const QString& text) = 0;
  // A failure the user must know about (a settings file that cannot be written, ...).
  virtual void Error(QWidget* parent, const QString& text) = 0;

  // The chosen files in the dialog's order, or none when cancelled.
  virtual QStringList OpenPictureFiles(QWidget* parent) = 0;
  // The chosen folder without a trailing "/" (except the root), or empty when cancelled.
  virtual QString BrowseForFolder(QWidget* parent, const QString& title) = 0;
  // The GIF file, ".gif" added when no extension was typed, or empty when cancelled.
  virtual QString SaveGifFile(QWidget* parent) = 0;

  // The desktop's default program for a folder or a file.
  virtual void OpenWithDesktop(const QUrl& url) = 0;
};

// The real dialogs.
class TDesktopUiServices : public TUiServices {
 public:
  void Information(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  QStringList OpenPictureFiles(QWidget* parent) override;
  QString BrowseForFolder(QWidget* parent, const QString& title) override;
  QString SaveGifFile(QWidget* parent) override;
  void OpenWithDesktop(const QUrl& url) override;
};

// The file-open filter, in Qt's notation.
QString PictureFileFilter();
// "x" -> "x.gif"; a name that has an extension keeps it.
QString WithGifExtension(const QString& fileName);

}  // namespace pixmira
