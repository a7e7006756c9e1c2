// The progress window around real exports into scratch folders.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
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

    // The damaged picture is not counted as exported, and is named with its reason.
    QCOMPARE(form.lblHint->text(), U("导出了 %1 个文件，%2 张图片未能导出。").arg(2).arg(1));
    QVERIFY(!form.memDetails->isHidden());
    QCOMPARE(form.memDetails->toPlainText(), U("%1：%2").arg(broken, U("图片已损坏或无法识别")));
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
    // One file of two frames, not "2 files".
    QCOMPARE(form.lblHint->text(), U("导出了 1 个文件（%1 帧的 GIF 动画）。").arg(2));
    QVERIFY(form.memDetails->isHidden());
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
    QCOMPARE(form.lblHint->text(), U("导出已取消，已导出 %1 个文件。").arg(written));
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

  // Every kind of ending in one sentence, and every skip with its reason in words.
  void theEndSaysWhatWasWrittenAndWhatWasNot() {
    TExportResult result;
    result.total = 299;
    result.files.assign(298, "/out/x.jpg");
    result.written = 298;
    result.skipped = 1;
    result.memoryLimit = uint64_t(256) << 20;
    TLoadReport memory;
    memory.problem = TLoadProblem::OverMemoryLimit;
    memory.needed = uint64_t(1100) << 20;
    result.skips.push_back({7, "/in/big.webp", memory});
    QCOMPARE(ExportSummaryText(result, false),
             U("导出了 %1 个文件，%2 张图片未能导出。").arg(298).arg(1));
    QCOMPARE(
        ExportDetailLines(result),
        QStringList({U("%1：%2").arg(
            "/in/big.webp", U("处理它需要约 %1 内存，超过内存上限 %2").arg("1.1 GB", "256 MB"))}));
    // Files shrunk for the size cap are named after the skips, as the command names them.
    result.capNotes = {{0, "/out/a.jpg", 720, 720, 31, 1, false, 500},
                       {1, "/out/b.jpg", 430, 430, 30, 6, true, 500}};
    QCOMPARE(ExportDetailLines(result).mid(1),
             QStringList({U("/out/a.jpg：为了不超过 500 KB，缩小到 720×720，质量 31"),
                          U("/out/b.jpg：即使缩小到 430×430 也超过 500 KB")}));
    result.watermarkMissing = true;
    QCOMPARE(ExportDetailLines(result).last(), U("水印图片无法读取，导出的图片没有加水印。"));

    TExportResult gif;
    gif.total = 8;
    gif.files = {"/out/show.gif"};
    gif.written = 7;
    gif.skipped = 1;
    QCOMPARE(ExportSummaryText(gif, true),
             U("导出了 1 个文件（7 帧的 GIF 动画），1 张图片未能导出。"));
    gif.status = TExportStatus::Cancelled;
    gif.skipped = 0;
    QCOMPARE(ExportSummaryText(gif, true),
             U("导出已取消，已生成 1 个文件（%1 帧的 GIF 动画）。").arg(7));

    const struct {
      TLoadProblem problem;
      int error;
      const char* says;
    } reasons[] = {{TLoadProblem::UnknownType, 0, "不支持这种文件类型"},
                   {TLoadProblem::Unreadable, ENOENT, "文件不存在"},
                   {TLoadProblem::NotAFile, 0, "不是普通文件（管道、设备或套接字）"},
                   {TLoadProblem::TooLarge, 0, "文件太大，不可能是图片"},
                   {TLoadProblem::Damaged, 0, "图片已损坏或无法识别"},
                   {TLoadProblem::OverMemoryLimit, 0, "内存不足"},
                   {TLoadProblem::NotWritten, EINVAL, "输出文件夹不接受它的文件名"}};
    for (const auto& r : reasons) {
      TLoadReport why;
      why.problem = r.problem;
      why.error = r.error;
      QCOMPARE(SkipReasonText(why, 0), U(r.says));
    }
  }

  void timeLeftIsGuessedOnlyAfterAFewPictures() {
    QCOMPARE(TimeText(5, 2, 10), U("已用 %1").arg("0:05"));
    QCOMPARE(TimeText(30, 3, 9), U("%1，剩余约 %2").arg(U("已用 %1").arg("0:30"), "1:00"));
    QCOMPARE(TimeText(125, 10, 10), U("已用 %1").arg("2:05"));
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
