#include "ui/Screenshot.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "ui/MainForm.h"
#include "ui/PictureList.h"
#include "ui/ProgressForm.h"

namespace pixmira {

namespace {

void Save(QWidget& widget, const QString& outDir, const QString& name) {
  QApplication::processEvents();
  widget.grab().save(QDir(outDir).filePath(name));
}

}  // namespace

void StartScreenshots(TKaravelKernel& kernel, TUiServices& services, TQivMainForm& form,
                      const QString& outDir) {
  QDir().mkpath(outDir);
  QTimer::singleShot(300, &form, [&kernel, &services, &form, outDir] {
    form.lvPictures->WaitForThumbnails();
    QApplication::processEvents();
    Save(form, outDir, QStringLiteral("main-window.png"));

    // The frame list dropped down, with its previews.
    if (form.cbPictureFrame->count() > 0 && form.cbPictureFrame->isVisible()) {
      form.cbPictureFrame->showPopup();
      QApplication::processEvents();
      Save(*form.cbPictureFrame->view()->window(), outDir, QStringLiteral("frame-list.png"));
      form.cbPictureFrame->hidePopup();
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
                     [progress, outDir, scratch] {
                       QTimer::singleShot(100, progress, [progress, outDir, scratch] {
                         Save(*progress, outDir, QStringLiteral("progress-window.png"));
                         QApplication::quit();
                       });
                     });
  });
}

}  // namespace pixmira
