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

  // Each dialog opens in startFolder (empty or missing: the home folder).
  // The chosen files in the dialog's order, or none when cancelled.
  virtual QStringList OpenPictureFiles(QWidget* parent, const QString& startFolder) = 0;
  // The chosen folder without a trailing "/" (except the root), or empty when cancelled.
  virtual QString BrowseForFolder(QWidget* parent, const QString& title,
                                  const QString& startFolder) = 0;
  // The GIF file, ".gif" added when no extension was typed, or empty when cancelled.
  virtual QString SaveGifFile(QWidget* parent, const QString& startFolder) = 0;

  // The desktop's default program for a folder or a file; false when none could be started.
  virtual bool OpenWithDesktop(const QUrl& url) = 0;
};

// The real dialogs.
class TDesktopUiServices : public TUiServices {
 public:
  void Information(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  QStringList OpenPictureFiles(QWidget* parent, const QString& startFolder) override;
  QString BrowseForFolder(QWidget* parent, const QString& title,
                          const QString& startFolder) override;
  QString SaveGifFile(QWidget* parent, const QString& startFolder) override;
  bool OpenWithDesktop(const QUrl& url) override;
};

// The file-open filter, in Qt's notation.
QString PictureFileFilter();
// startFolder when it is an existing folder, else the home folder.
QString DialogStartFolder(const QString& startFolder);
// "x" -> "x.gif"; a name that has an extension keeps it.
QString WithGifExtension(const QString& fileName);

}  // namespace pixmira
