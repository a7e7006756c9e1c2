#include "ui/UiServices.h"
#include "ui/Tr.h"

#include <QCoreApplication>

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "codecs/Formats.h"

namespace pixmira {

namespace {

// "Caption(*.a;*.b) (*.a *.b)": the dialogs hide the second part, so the user reads the
// caption as the program has always written it.
QString FilterGroup(const QString& caption, TDialogGroup group) {
  QStringList patterns;
  for (std::string_view ext : DialogExtensions(group))
    patterns << QStringLiteral("*") + QString::fromUtf8(ext.data(), qsizetype(ext.size()));
  return caption + QStringLiteral("(") + patterns.join(QLatin1Char(';')) + QStringLiteral(") (") +
         patterns.join(QLatin1Char(' ')) + QStringLiteral(")");
}

}  // namespace

QString PictureFileFilter() {
  return FilterGroup(Pixmira::tr("通用图片格式"), TDialogGroup::General) + QStringLiteral(";;") +
         FilterGroup(Pixmira::tr("Karavel助理图片格式"), TDialogGroup::Assistant);
}

QString WithGifExtension(const QString& fileName) {
  if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty()) return fileName;
  return fileName + QStringLiteral(".gif");
}

void TDesktopUiServices::Information(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QStringLiteral("Pixmira"), text);
}

void TDesktopUiServices::Error(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, QStringLiteral("Pixmira"), text);
}

QString DialogStartFolder(const QString& startFolder) {
  if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir()) return startFolder;
  return QDir::homePath();
}

QStringList TDesktopUiServices::OpenPictureFiles(QWidget* parent, const QString& startFolder) {
  return QFileDialog::getOpenFileNames(parent, QString(), DialogStartFolder(startFolder),
                                       PictureFileFilter(), nullptr,
                                       QFileDialog::HideNameFilterDetails);
}

QString TDesktopUiServices::BrowseForFolder(QWidget* parent, const QString& title,
                                            const QString& startFolder) {
  const QString folder = QFileDialog::getExistingDirectory(
      parent, title, DialogStartFolder(startFolder), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return folder;
  return QDir::cleanPath(folder);
}

QString TDesktopUiServices::SaveGifFile(QWidget* parent, const QString& startFolder) {
  QFileDialog dialog(parent);
  dialog.setDirectory(DialogStartFolder(startFolder));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("Gif(*.gif) (*.gif)"));
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setDefaultSuffix(QStringLiteral("gif"));
  // The file is replaced without a question, as the export always writes the whole GIF anew.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return WithGifExtension(dialog.selectedFiles().constFirst());
}

bool TDesktopUiServices::OpenWithDesktop(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace pixmira
