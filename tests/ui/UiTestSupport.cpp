#include "UiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QWidget>

#include "core/MemIniFile.h"

namespace pixmira::test {

void Focus(QWidget* widget, QEvent::Type type) {
  QFocusEvent event(type, Qt::TabFocusReason);
  QApplication::sendEvent(widget, &event);
}

void CommitInputMethod(QWidget* widget, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(widget, &event);
}

QString TTestFolder::Write(const QString& name, const QByteArray& bytes) const {
  const QString path = Path(name);
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(bytes);
  return path;
}

QString TTestFolder::Picture(const QString& name, const QImage& image) const {
  const QString path = Path(name);
  QDir().mkpath(QFileInfo(path).path());
  const QByteArray format = QFileInfo(name).suffix().toLower().toLatin1();
  if (!image.save(path, format == "jpg" ? "JPEG" : format.toUpper().constData(), 95))
    qFatal("cannot save %s", qPrintable(path));
  return path;
}

QImage HalvesPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixelColor(x, y, x < width / 2 ? Qt::red : Qt::blue);
  return image;
}

QImage SolidPicture(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

QString StoredSetting(const QString& configFile, const char* key) {
  const TMemIniFile store(configFile.toStdString());
  return QString::fromStdString(store.ReadString("General", key, "<absent>"));
}

}  // namespace pixmira::test
