#include "ui/Screenshot.h"

#include <QCoreApplication>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "ui/MainForm.h"
#include "ui/PictureList.h"
#include "ui/PictureOptionsForm.h"
#include "ui/ProgressForm.h"
#include "ui/Tr.h"

namespace pixmira {

namespace {

void Save(QWidget& widget, const QString& outDir, const QString& name) {
  // Twice: the first round lays out, the second paints what the layout moved.
  QApplication::processEvents();
  QApplication::processEvents();
  widget.grab().save(QDir(outDir).filePath(name));
}

// The words the window shows, one a line, beside its picture: what a reviewer of the
// translation reads, and what the test of the English window checks.
void SaveTexts(QWidget& widget, const QString& outDir, const QString& name) {
  QStringList lines{widget.windowTitle()};
  for (QWidget* child : widget.findChildren<QWidget*>()) {
    if (!child->isVisibleTo(&widget)) continue;
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(child))
      text = button->text();
    else if (auto* label = qobject_cast<QLabel*>(child))
      text = label->text();
    else if (auto* group = qobject_cast<QGroupBox*>(child))
      text = group->title();
    if (!text.isEmpty()) lines << text;
  }
  QFile file(QDir(outDir).filePath(name));
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
}

}  // namespace

void StartScreenshots(TKaravelKernel& kernel, TUiServices& services, TQivMainForm& form,
                      const QString& outDir) {
  QDir().mkpath(outDir);
  QTimer::singleShot(300, &form, [&kernel, &services, &form, outDir] {
    form.lvPictures->WaitForThumbnails();
    QApplication::processEvents();
    Save(form, outDir, QStringLiteral("main-window.png"));
    SaveTexts(form, outDir, QStringLiteral("main-window.txt"));
    if (qEnvironmentVariableIsSet("PIXMIRA_SCREENSHOT_ONLY_MAIN")) {
      QApplication::quit();
      return;
    }

    // A seller's batch: 300 entries, the window maximised, a few selected and one hovered.
    {
      const std::vector<TExportEntry> first = form.lvPictures->ExportEntries();
      QStringList many;
      for (int i = 0; many.size() + int(first.size()) < 300 && !first.empty(); ++i)
        many << QString::fromStdString(first[i % first.size()].path);
      form.lvPictures->Model()->AddPaths(many);
      const QRect before = form.geometry();
      form.showMaximized();
      QApplication::processEvents();
      // Without a window manager nothing maximises; the available area is the same thing.
      if (form.geometry() == before && form.screen())
        form.setGeometry(form.screen()->availableGeometry());
      form.lvPictures->WaitForThumbnails();
      auto* selection = form.lvPictures->selectionModel();
      for (int row : {1, 2, 7})
        selection->select(form.lvPictures->Model()->index(row), QItemSelectionModel::Select);
      const QRect cell = form.lvPictures->visualRect(form.lvPictures->Model()->index(3));
      QMouseEvent hover(QEvent::MouseMove, QPointF(cell.center()), QPointF(cell.center()),
                        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(form.lvPictures->viewport(), &hover);
      QHoverEvent enter(QEvent::HoverEnter, QPointF(cell.center()), QPointF(cell.center()),
                        QPointF(-1, -1));
      QApplication::sendEvent(form.lvPictures->viewport(), &enter);
      QApplication::processEvents();
      Save(form, outDir, QStringLiteral("main-window-300.png"));
      form.lvPictures->selectionModel()->clear();
      form.lvPictures->Model()->TakeRows([&] {
        std::vector<int> rows;
        for (int r = int(first.size()); r < form.lvPictures->count(); ++r) rows.push_back(r);
        return rows;
      }());
      form.showNormal();
      form.setGeometry(before);
      QApplication::processEvents();
    }

    // The frame list dropped down, with its previews.
    if (form.cbPictureFrame->count() > 0 && form.cbPictureFrame->isVisible()) {
      form.cbPictureFrame->showPopup();
      QApplication::processEvents();
      Save(*form.cbPictureFrame->view()->window(), outDir, QStringLiteral("frame-list.png"));
      form.cbPictureFrame->hidePopup();
    }

    // The settings dialog on both pages, the first list picture in its preview. The dialog
    // is dropped unconfirmed, so nothing of it reaches Config.ini.
    {
      TPictureOptionsForm options(kernel, services, form.lvPictures->ExportEntries(), &form);
      options.show();
      options.WaitForPreview();
      Save(options, outDir, QStringLiteral("settings-frame.png"));
      options.ShowPage(false);
      const auto send = [](QWidget* widget, QEvent&& event) {
        QApplication::sendEvent(widget, &event);
      };
      send(options.memWatermark, QFocusEvent(QEvent::FocusIn, Qt::TabFocusReason));
      options.memWatermark->setPlainText(Pixmira::tr("Pixmira\n正品保证"));
      send(options.memWatermark, QFocusEvent(QEvent::FocusOut, Qt::TabFocusReason));
      options.cbFontSize->setEditText(QStringLiteral("36"));
      options.ckbBold->setChecked(true);
      options.chooseColor = [](const QColor&) { return QColor(0xE0, 0x40, 0x30); };
      send(options.shpFontColor,
           QMouseEvent(QEvent::MouseButtonRelease, QPointF(4, 4), QPointF(4, 4), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier));
      options.WaitForPreview();
      Save(options, outDir, QStringLiteral("settings-watermark.png"));
    }

    // The progress window over a real export of the list into a scratch folder.
    auto scratch = std::make_shared<QTemporaryDir>();
    auto* progress =
        new TProgressForm(kernel, services, form.MakeExportJob(scratch->path()), &form);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->show();
    QTimer::singleShot(50, progress, [progress, outDir] {
      Save(*progress, outDir, QStringLiteral("progress-window-start.png"));
    });
    QObject::connect(progress, &TProgressForm::exportFinished, progress,
                     [&form, progress, outDir, scratch] {
                       QTimer::singleShot(100, progress, [&form, progress, outDir, scratch] {
                         Save(*progress, outDir, QStringLiteral("progress-window.png"));
                         // The next batch: an empty list with its drop hint.
                         progress->btnNext->click();
                         form.btnClearPicturesClick();
                         Save(form, outDir, QStringLiteral("main-window-empty.png"));
                         QApplication::quit();
                       });
                     });
  });
}

}  // namespace pixmira
