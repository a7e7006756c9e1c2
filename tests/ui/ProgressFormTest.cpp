// The progress window around real exports into scratch folders.
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cerrno>

#include "UiTestSupport.h"
#include "UiTests.h"
#include "ui/Messages.h"
#include "ui/ProgressForm.h"

using namespace pixmira;
using namespace pixmira::test;

namespace {

TExportJob Job(const QStringList& paths, TExportMode mode, const QString& target) {
  TExportJob job;
  for (const QString& path : paths) job.entries.push_back({path.toStdString(), 0});
  job.mode = mode;
  job.target = target.toStdString();
  job.workers = 2;
  return job;
}

bool WaitFinished(TProgressForm& form) {
  return QTest::qWaitFor([&] { return form.CurrentState() == TProgressForm::State::Finished; },
                         60000);
}

}  // namespace

class ProgressFormTest : public QObject {
  Q_OBJECT

 private slots:
  void jpegExportReportsEachFileAndOffersTheFolder() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(40, 30, Qt::green));
    const QString broken = folder.Write("broken.jpg", "no picture here");
    QDir().mkpath(folder.Path("out"));
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TProgressForm form(*kernel, services,
                       Job({a, broken, a}, TExportMode::Jpeg, folder.Path("out")));
    QCOMPARE(form.windowTitle(), U("导出进度"));
    QCOMPARE(form.lblHint->text(), U("正在导出文件....."));
    QVERIFY(form.btnOpenDir->isHidden());
    QVERIFY(form.btnNext->isHidden());
    QCOMPARE(form.btnCancel->text(), U("取消(&C)"));
    form.show();
    QVERIFY(WaitFinished(form));

    QCOMPARE(form.lblHint->text(), U("3 个文件全部导出完毕。"));
    QCOMPARE(form.ProgressBar1->value(), form.ProgressBar1->maximum());
    QCOMPARE(form.btnCancel->text(), U("关闭(&C)"));
    QVERIFY(!form.btnOpenDir->isHidden());
    QVERIFY(!form.btnNext->isHidden());
    QCOMPARE(form.btnOpenDir->text(), U("打开导出目录(&O)..."));
    QVERIFY(QFile::exists(folder.Path("out/a.jpg")));
    QVERIFY(QFile::exists(folder.Path("out/a2.jpg")));
    QVERIFY(services.errors.isEmpty());

    form.btnOpenDir->click();
    QCOMPARE(services.opened, QList<QUrl>({QUrl::fromLocalFile(folder.Path("out"))}));
    QVERIFY(!form.isVisible());
  }

  void gifExportOffersThePictureAndTheNextBatch() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(40, 30, Qt::green));
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    const QString gif = folder.Path("show.gif");
    TProgressForm form(*kernel, services, Job({a, a}, TExportMode::Gif, gif));
    QSignalSpy next(&form, &TProgressForm::nextBatchRequested);
    form.show();
    QVERIFY(WaitFinished(form));
    QCOMPARE(form.btnOpenDir->text(), U("打开生成图片(&O)"));
    QVERIFY(QFile::exists(gif));
    form.btnNext->click();
    QCOMPARE(next.count(), 1);
    QVERIFY(!form.isVisible());
    QVERIFY(services.opened.isEmpty());
  }

  void cancelBeforeTheStartExportsNothing() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(40, 30, Qt::green));
    QDir().mkpath(folder.Path("out"));
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TProgressForm form(*kernel, services, Job({a}, TExportMode::Jpeg, folder.Path("out")));
    form.show();
    form.btnCancel->click();
    QVERIFY(!form.isVisible());
    QTest::qWait(250);
    QCOMPARE(form.CurrentState(), TProgressForm::State::Finished);
    QVERIFY(QDir(folder.Path("out")).isEmpty());
  }

  void cancelWhileRunningStopsBetweenEntries() {
    TTestFolder folder;
    const QString big = folder.Picture("big.png", SolidPicture(1600, 1200, Qt::darkCyan));
    QDir().mkpath(folder.Path("out"));
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    QStringList paths;
    for (int i = 0; i < 40; ++i) paths << big;
    TProgressForm form(*kernel, services, Job(paths, TExportMode::Jpeg, folder.Path("out")));
    form.show();
    form.ExportPictures();
    QCOMPARE(form.CurrentState(), TProgressForm::State::Running);
    form.btnCancel->click();
    QVERIFY(WaitFinished(form));
    QCOMPARE(form.Result().status, TExportStatus::Cancelled);
    const int written = int(QDir(folder.Path("out")).entryList(QDir::Files).size());
    QVERIFY(written < 40);
    QCOMPARE(form.lblHint->text(), U("导出了 %1 个文件。").arg(form.Result().handled));
    QCOMPARE(form.btnCancel->text(), U("关闭(&C)"));
    QVERIFY(form.btnCancel->isEnabled());
  }

  void theCloseBoxWaitsForTheLoopToEnd() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(800, 600, Qt::green));
    QDir().mkpath(folder.Path("out"));
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TProgressForm form(*kernel, services,
                       Job({a, a, a, a, a, a}, TExportMode::Jpeg, folder.Path("out")));
    form.show();
    form.ExportPictures();
    form.close();
    QVERIFY(form.isVisible());
    QCOMPARE(form.CurrentState(), TProgressForm::State::Running);
    QVERIFY(QTest::qWaitFor([&] { return !form.isVisible(); }, 60000));
    QCOMPARE(form.Result().status, TExportStatus::Completed);
    QCOMPARE(int(QDir(folder.Path("out")).entryList(QDir::Files).size()), 6);
  }

  void aFailedExportShowsTheReasonAndStaysClosable() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(40, 30, Qt::green));
    folder.Write("blocker", "a file, not a folder");
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TProgressForm form(*kernel, services, Job({a}, TExportMode::Jpeg, folder.Path("blocker/out")));
    form.show();
    QVERIFY(WaitFinished(form));
    QCOMPARE(form.Result().status, TExportStatus::Failed);
    // Said in the window's words, naming the file that could not be written.
    QCOMPARE(services.errors,
             QStringList({U("无法写入 %1：文件夹不存在").arg(folder.Path("blocker/out/a.jpg"))}));
    QCOMPARE(form.btnCancel->text(), U("关闭(&C)"));
    QVERIFY(form.btnNext->isHidden());
    form.btnCancel->click();
    QVERIFY(!form.isVisible());
  }

  void aGifOfPicturesThatCannotBeLoadedIsRefusedInWords() {
    TTestFolder folder;
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    const QString gif = folder.Path("show.gif");
    TProgressForm form(*kernel, services, Job({folder.Path("missing.jpg")}, TExportMode::Gif, gif));
    form.show();
    QVERIFY(WaitFinished(form));
    QCOMPARE(form.Result().status, TExportStatus::Failed);
    QCOMPARE(services.errors,
             QStringList({U("列表中没有一张图片可以读取，无法生成动态图片 %1。").arg(gif)}));
    QVERIFY(!QFile::exists(gif));
  }

  void writeErrorsNameTheFileAndTheReason() {
    const struct {
      int error;
      const char* reason;
    } cases[] = {{EACCES, "没有写入权限"}, {EPERM, "没有写入权限"},     {ENOSPC, "磁盘已满"},
                 {EDQUOT, "磁盘已满"},     {ENOENT, "文件夹不存在"},    {ENOTDIR, "文件夹不存在"},
                 {EROFS, "磁盘是只读的"},  {ENAMETOOLONG, "文件名太长"}};
    for (const auto& c : cases)
      QCOMPARE(WriteErrorText("/out/x.jpg", c.error), U("无法写入 /out/x.jpg：") + U(c.reason));
    // Anything else still names the file, never in English.
    QCOMPARE(WriteErrorText("/out/x.jpg", EXDEV), U("无法写入 /out/x.jpg：系统错误 %1").arg(EXDEV));
  }

  void openingTheResultThatFailsSaysSoWithThePath() {
    TTestFolder folder;
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    services.openSucceeds = false;
    TProgressForm form(*kernel, services, Job({}, TExportMode::Jpeg, folder.Path()));
    form.show();
    QVERIFY(WaitFinished(form));
    form.btnOpenDir->click();
    QCOMPARE(services.errors, QStringList({U("无法打开导出目录：%1").arg(folder.Path())}));
    // The window stays, so the user can still close it or start the next batch.
    QVERIFY(form.isVisible());
  }
};

std::unique_ptr<QObject> MakeProgressFormTests() { return std::make_unique<ProgressFormTest>(); }

#include "ProgressFormTest.moc"
