#pragma once
// Shared pieces of the window tests: a program folder of our own, a stand-in for the user
// answering dialogs, and small pictures.
#include <QColor>
#include <QDir>
#include <QEvent>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "core/Kernel.h"
#include "ui/UiServices.h"

namespace pixmira::test {

// The window's texts are UTF-8 literals.
inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Focus arriving at or leaving a widget, as a Tab press would send it.
void Focus(QWidget* widget, QEvent::Type type);

// Text committed into a widget by an input method, as a Chinese or handwriting input does.
void CommitInputMethod(QWidget* widget, const QString& text);

// Answers every dialog as told and remembers what was asked.
class TFakeServices : public TUiServices {
 public:
  void Information(QWidget*, const QString& text) override { informations << text; }
  void Error(QWidget*, const QString& text) override { errors << text; }
  QStringList OpenPictureFiles(QWidget*, const QString& start) override {
    startFolders << start;
    return openFiles;
  }
  QString BrowseForFolder(QWidget*, const QString& title, const QString& start) override {
    folderTitles << title;
    startFolders << start;
    return folder;
  }
  QString SaveGifFile(QWidget*, const QString& start) override {
    ++saveGifCalls;
    startFolders << start;
    return gifFile;
  }
  bool OpenWithDesktop(const QUrl& url) override {
    opened << url;
    return openSucceeds;
  }

  // The folder each dialog was asked to start in, in order.
  QStringList startFolders;
  bool openSucceeds = true;
  QStringList informations;
  QStringList errors;
  QStringList openFiles;
  QString folder;
  QStringList folderTitles;
  QString gifFile;
  int saveGifCalls = 0;
  QList<QUrl> opened;
};

// A scratch program folder: Config.ini and Frames/ inside it.
class TTestFolder {
 public:
  TTestFolder() { QDir(dir_.path()).mkpath(QStringLiteral("Frames")); }

  QString Path(const QString& name = {}) const {
    return name.isEmpty() ? dir_.path() : QDir(dir_.path()).filePath(name);
  }
  QString ConfigFile() const { return Path(QStringLiteral("Config.ini")); }

  std::unique_ptr<TKaravelKernel> MakeKernel() const {
    DataPaths paths;
    paths.configFile = ConfigFile().toStdString();
    paths.framesFolder = Path(QStringLiteral("Frames")).toStdString() + "/";
    return std::make_unique<TKaravelKernel>(paths);
  }

  // Writes a file (making its folder); returns its path.
  QString Write(const QString& name, const QByteArray& bytes) const;
  // Saves a picture in the format of the name's extension; returns its path.
  QString Picture(const QString& name, const QImage& image) const;

 private:
  QTemporaryDir dir_;
};

// width × height: the left half red, the right half blue.
QImage HalvesPicture(int width, int height);
QImage SolidPicture(int width, int height, QColor color);

// A value of Config.ini as it is on disk now.
QString StoredSetting(const QString& configFile, const char* key);

}  // namespace pixmira::test
