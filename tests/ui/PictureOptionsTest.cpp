// The settings dialog: what it loads and writes into its working copy, OK and Cancel, and the
// preview it computes away from the window.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include "UiTestSupport.h"
#include "UiTests.h"
#include "core/Settings.h"
#include "ui/MainForm.h"
#include "ui/PictureList.h"
#include "ui/PictureOptionsForm.h"
#include "ui/Words.h"

using namespace pixmira;
using namespace pixmira::test;

namespace {

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Sizes stay as they are, so the preview shows the picture's own size.
const QByteArray kNoReduce = "[General]\r\nReduceSize=0\r\n";

QString Working(const TPictureOptionsForm& form, std::string_view key) {
  return QString::fromStdString(form.WorkingCopy().ReadString("General", key, "<absent>"));
}

struct Dialog {
  Dialog(const TTestFolder& folder, const std::vector<QSize>& pictures,
         const QByteArray& config = kNoReduce) {
    if (!config.isEmpty()) folder.Write(QStringLiteral("Config.ini"), config);
    kernel = folder.MakeKernel();
    std::vector<TExportEntry> entries;
    int n = 0;
    for (const QSize& size : pictures) {
      const QString name = QStringLiteral("p%1.png").arg(n++);
      entries.push_back(
          {folder.Picture(name, HalvesPicture(size.width(), size.height())).toStdString(), 0});
    }
    form = std::make_unique<TPictureOptionsForm>(*kernel, services, std::move(entries));
    form->WaitForPreview();
  }
  TFakeServices services;
  std::unique_ptr<TKaravelKernel> kernel;
  std::unique_ptr<TPictureOptionsForm> form;
};

// A catalogue of frames whose previews are small JPEG pictures.
void WriteCatalogue(const TTestFolder& folder, const QStringList& frames) {
  QByteArray ini;
  for (const QString& frame : frames) {
    folder.Picture(QStringLiteral("Frames/%1.jpg").arg(frame), SolidPicture(100, 75, Qt::green));
    ini += "[" + frame.toUtf8() + "]\r\npreview=" + frame.toUtf8() + ".jpg\r\n\r\n";
  }
  folder.Write(QStringLiteral("Frames/Frames.ini"), ini);
}

}  // namespace

class PictureOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void previewSizeFitsTheBox_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("shown");
    QTest::newRow("small, unscaled") << QSize(300, 200) << QSize(300, 200);
    QTest::newRow("exactly the box") << QSize(304, 304) << QSize(304, 304);
    QTest::newRow("landscape") << QSize(800, 600) << QSize(304, 228);
    QTest::newRow("portrait") << QSize(600, 800) << QSize(228, 304);
    QTest::newRow("square, one over") << QSize(305, 305) << QSize(304, 304);
    QTest::newRow("tie to even") << QSize(608, 305) << QSize(304, 152);  // 152.5 -> 152
    QTest::newRow("a sliver keeps 2 rows") << QSize(5000, 1) << QSize(304, 2);
    QTest::newRow("a thread keeps 2 columns") << QSize(1, 5000) << QSize(2, 304);
  }
  void previewSizeFitsTheBox() {
    QFETCH(QSize, picture);
    QFETCH(QSize, shown);
    QCOMPARE(PreviewSize(picture.width(), picture.height()), shown);
  }

  void shrinkingResamplesTheWholePicture() {
    // Red left half, blue right half: both halves survive the shrink, nothing is cropped.
    TBitmap picture(800, 600);
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x)
        picture.SetPixel(x, y, x < 400 ? RGBColor(255, 0, 0) : RGBColor(0, 0, 255));
    const TBitmap shown = ShrinkForPreview(picture);
    QCOMPARE(shown.Width(), 304);
    QCOMPARE(shown.Height(), 228);
    QCOMPARE(shown.Pixel(0, 0), RGBColor(255, 0, 0));
    QCOMPARE(shown.Pixel(303, 227), RGBColor(0, 0, 255));
  }

  void previewShowsTheEntryAtItsSize() {
    TTestFolder folder;
    Dialog d(folder, {QSize(800, 600), QSize(600, 800), QSize(300, 200)});
    TPictureOptionsForm& f = *d.form;
    QCOMPARE(f.PreviewImage().size(), QSize(304, 228));
    QVERIFY(!f.pnPreviewlHint->isVisibleTo(&f));
    f.btnNext->click();
    f.WaitForPreview();
    QCOMPARE(f.PreviewImage().size(), QSize(228, 304));
    f.btnNext->click();
    f.WaitForPreview();
    QCOMPARE(f.PreviewImage().size(), QSize(300, 200));
    QVERIFY(d.services.errors.isEmpty());
  }

  void browsingWrapsAroundThreePictures() {
    TTestFolder folder;
    Dialog d(folder, {QSize(100, 50), QSize(120, 50), QSize(140, 50)});
    TPictureOptionsForm& f = *d.form;
    const auto shownWidth = [&f] {
      f.WaitForPreview();
      return f.PreviewImage().width();
    };
    QCOMPARE(f.PreviewIndex(), 0);
    f.btnPrior->click();  // first -> third
    QCOMPARE(f.PreviewIndex(), 2);
    QCOMPARE(shownWidth(), 140);
    f.btnNext->click();  // third -> first
    QCOMPARE(f.PreviewIndex(), 0);
    QCOMPARE(shownWidth(), 100);
    f.btnNext->click();
    QCOMPARE(shownWidth(), 120);
  }

  void emptyListShowsTheHintAndComputesNothing() {
    TTestFolder folder;
    Dialog d(folder, {});
    TPictureOptionsForm& f = *d.form;
    QCOMPARE(f.PreviewIndex(), -1);
    QVERIFY(f.pnPreviewlHint->isVisibleTo(&f));
    QCOMPARE(f.lblHint->text(), U("您尚未导入任何图片。"));
    f.btnNext->click();
    f.btnPrior->click();
    QCOMPARE(f.PreviewIndex(), -1);
    // Controls still write their settings; the hint stays as it was.
    f.ckbBold->setChecked(true);
    f.WaitForPreview();
    QCOMPARE(Working(f, "WatermarkFontBold"), QStringLiteral("1"));
    QCOMPARE(f.lblHint->text(), U("您尚未导入任何图片。"));
    QVERIFY(f.PreviewImage().isNull());
  }

  void unreadablePictureShowsAnEmptyBox() {
    TTestFolder folder;
    Dialog d(folder, {QSize(80, 60)});
    TPictureOptionsForm& f = *d.form;
    QVERIFY(!f.PreviewImage().isNull());
    QFile::remove(folder.Path(QStringLiteral("p0.png")));
    f.btnNext->click();
    f.WaitForPreview();
    QVERIFY(f.PreviewImage().isNull());
    QVERIFY(!f.pnPreviewlHint->isVisibleTo(&f));
    QVERIFY(d.services.errors.isEmpty());
  }

  void pipelineErrorsReachTheUser() {
    TTestFolder folder;
    Dialog d(folder, {QSize(80, 60)}, kNoReduce + "WatermarkFontSize=big\r\n");
    QCOMPARE(d.services.errors.size(), 1);
    QVERIFY2(d.services.errors[0].contains(QStringLiteral("big")),
             qPrintable(d.services.errors[0]));
    QVERIFY(!d.form->pnPreviewlHint->isVisibleTo(d.form.get()));
  }

  void emptyFontSizePreviewsTheDefaultWithoutAnError() {
    TTestFolder folder;
    Dialog d(folder, {QSize(80, 60)}, kNoReduce + "WatermarkFontSize=30\r\n");
    TPictureOptionsForm& f = *d.form;
    const QImage big = f.PreviewImage();
    f.cbFontSize->setEditText(QString());
    f.WaitForPreview();
    // Nothing stored: every reader takes its default, 8 points, and the preview shows it.
    QCOMPARE(Working(f, "WatermarkFontSize"), QStringLiteral("<absent>"));
    QVERIFY(d.services.errors.isEmpty());
    const QImage empty = f.PreviewImage();
    QVERIFY(empty != big);
    f.cbFontSize->setEditText(QStringLiteral("8"));
    f.WaitForPreview();
    QCOMPARE(f.PreviewImage(), empty);
    f.cbFontSize->setEditText(QStringLiteral("12"));
    f.WaitForPreview();
    QCOMPARE(Working(f, "WatermarkFontSize"), QStringLiteral("12"));
    QVERIFY(d.services.errors.isEmpty());
  }

  void hintSaysWhileComputing() {
    TTestFolder folder;
    Dialog d(folder, {QSize(80, 60)});
    TPictureOptionsForm& f = *d.form;
    f.tkbRotate->setValue(30);
    QCOMPARE(f.lblHint->text(), U("正在生成预览..."));
    QVERIFY(f.pnPreviewlHint->isVisibleTo(&f));
    f.WaitForPreview();
    QVERIFY(!f.pnPreviewlHint->isVisibleTo(&f));
  }

  void newerRequestSupersedesOlder() {
    TTestFolder folder;
    const auto job = [&folder](const char* name, QSize size) {
      TPreviewJob j;
      j.path = folder
                   .Picture(QString::fromLatin1(name),
                            SolidPicture(size.width(), size.height(), Qt::gray))
                   .toStdString();
      j.settings = TMemIniFile::FromText("[General]\r\nReduceSize=0\r\n");
      j.catalog = std::make_shared<const TMemIniFile>(TMemIniFile::FromText(""));
      return j;
    };
    TPreviewWorker worker;
    QList<QSize> delivered;
    QObject::connect(&worker, &TPreviewWorker::previewReady, &worker,
                     [&](const TPreviewResult& r) { delivered << r.image.size(); });
    worker.Request(job("big.png", QSize(2400, 1800)));
    worker.Request(job("b.png", QSize(100, 50)));
    worker.Request(job("c.png", QSize(120, 60)));
    worker.WaitForIdle();
    QCOMPARE(delivered, QList<QSize>({QSize(120, 60)}));
  }

  void closingWhileComputingIsSafe() {
    TTestFolder folder;
    Dialog d(folder, {QSize(2400, 1800)});
    d.form->tkbRotate->setValue(10);
    QTest::qWait(1);  // the request is on its way to the worker
    d.form.reset();
    QThreadPool::globalInstance()->waitForDone();
    QVERIFY(d.services.errors.isEmpty());
  }

  void anchorRowsAndLabels_data() {
    QTest::addColumn<int>("anchor");
    QTest::addColumn<QString>("row1");  // empty: hidden
    QTest::addColumn<QString>("row2");
    QTest::newRow("右下角") << 0 << U("下边距") << U("右边距");
    QTest::newRow("左下角") << 1 << U("下边距") << U("左边距");
    QTest::newRow("左上角") << 2 << U("上边距") << U("左边距");
    QTest::newRow("右上角") << 3 << U("上边距") << U("右边距");
    QTest::newRow("底部居中") << 4 << U("下边距") << QString();
    QTest::newRow("顶部居中") << 5 << U("上边距") << QString();
    QTest::newRow("左边居中") << 6 << U("左边距") << QString();
    QTest::newRow("右边居中") << 7 << U("右边距") << QString();
    QTest::newRow("图片中心") << 8 << QString() << QString();
  }
  void anchorRowsAndLabels() {
    QFETCH(int, anchor);
    QFETCH(QString, row1);
    QFETCH(QString, row2);
    TTestFolder folder;
    Dialog d(folder, {});
    TPictureOptionsForm& f = *d.form;
    f.ShowPage(false);
    // From an anchor with both rows, so every row that must hide does.
    f.cbWatermarkPos->setCurrentIndex(anchor == 3 ? 2 : 3);
    f.cbWatermarkPos->setCurrentIndex(anchor);
    QCOMPARE(Working(f, "WatermarkPos"), QString::number(anchor));
    QCOMPARE(f.lblWatermarkPos1->isVisibleTo(&f), !row1.isEmpty());
    QCOMPARE(f.lblWatermarkPos2->isVisibleTo(&f), !row2.isEmpty());
    if (!row1.isEmpty()) QCOMPARE(f.lblWatermarkPos1->text(), row1);
    if (!row2.isEmpty()) QCOMPARE(f.lblWatermarkPos2->text(), row2);
  }

  void marginsAreKeptPerAnchor() {
    TTestFolder folder;
    Dialog d(folder, {}, kNoReduce + "cbWatermarkPosBlank2A=33\r\n");
    TPictureOptionsForm& f = *d.form;
    QCOMPARE(f.seWatermarkPosBlank1->value(), 15);  // anchor 0 has the defaults
    f.seWatermarkPosBlank1->setValue(40);
    f.cbWatermarkPosKind1->setCurrentIndex(1);
    f.seWatermarkPosBlank2->setValue(7);

    f.cbWatermarkPos->setCurrentIndex(2);  // 左上角: its own keys
    QCOMPARE(f.seWatermarkPosBlank1->value(), 33);
    QCOMPARE(f.cbWatermarkPosKind1->currentIndex(), 0);
    QCOMPARE(f.seWatermarkPosBlank2->value(), 15);
    f.seWatermarkPosBlank2->setValue(9);

    f.cbWatermarkPos->setCurrentIndex(0);
    QCOMPARE(f.seWatermarkPosBlank1->value(), 40);
    QCOMPARE(f.cbWatermarkPosKind1->currentIndex(), 1);
    QCOMPARE(f.seWatermarkPosBlank2->value(), 7);
    QCOMPARE(Working(f, "cbWatermarkPosBlank0A"), QStringLiteral("40"));
    QCOMPARE(Working(f, "cbWatermarkPosBlankKind0A"), QStringLiteral("1"));
    QCOMPARE(Working(f, "cbWatermarkPosBlank0B"), QStringLiteral("7"));
    QCOMPARE(Working(f, "cbWatermarkPosBlank2B"), QStringLiteral("9"));
  }

  void damagedAnchorShowsNoMarginsAndWritesNone() {
    TTestFolder folder;
    Dialog d(folder, {}, kNoReduce + "WatermarkPos=12\r\n");
    TPictureOptionsForm& f = *d.form;
    f.ShowPage(false);
    QCOMPARE(f.cbWatermarkPos->currentIndex(), -1);
    QVERIFY(!f.lblWatermarkPos1->isVisibleTo(&f));
    f.seWatermarkPosBlank1->setValue(50);
    QVERIFY(f.WorkingCopy().ToText().find("cbWatermarkPosBlank-") == std::string::npos);
  }

  void memoKeepsLineBreaksAsCode3() {
    TTestFolder folder;
    Dialog d(folder, {}, kNoReduce + "WatermarkText=X\x03Y\r\n");
    TPictureOptionsForm& f = *d.form;
    QCOMPARE(f.memWatermark->toPlainText(), QStringLiteral("X\nY"));

    // Entering with the user's text keeps it.
    Focus(f.memWatermark, QEvent::FocusIn);
    QCOMPARE(f.memWatermark->toPlainText(), QStringLiteral("X\nY"));
    f.memWatermark->setPlainText(QStringLiteral("A\nB"));
    Focus(f.memWatermark, QEvent::FocusOut);
    QCOMPARE(Working(f, "WatermarkText"), QStringLiteral("A\x03"
                                                         "B"));

    // Leaving it empty stores nothing and brings the silver prompt back.
    Focus(f.memWatermark, QEvent::FocusIn);
    f.memWatermark->clear();
    Focus(f.memWatermark, QEvent::FocusOut);
    QCOMPARE(Working(f, "WatermarkText"), QString());
    QCOMPARE(f.memWatermark->toPlainText(), WatermarkTextPrompt());
    QCOMPARE(f.memWatermark->palette().color(QPalette::Text), QColor(0xC0, 0xC0, 0xC0));

    // Entering while the prompt shows empties it, with or without a final line break.
    Focus(f.memWatermark, QEvent::FocusIn);
    QCOMPARE(f.memWatermark->toPlainText(), QString());
    QCOMPARE(f.memWatermark->palette().color(QPalette::Text), QColor(Qt::black));
    f.memWatermark->setPlainText(WatermarkTextPrompt() + "\n");
    Focus(f.memWatermark, QEvent::FocusIn);
    QCOMPARE(f.memWatermark->toPlainText(), QString());
  }

  void textConversionsBothWays() {
    QCOMPARE(MemoToStoredText(QStringLiteral("A\r\nB\nC")), QStringLiteral("A\x03"
                                                                           "B\x03"
                                                                           "C"));
    QCOMPARE(StoredToMemoText(QStringLiteral("A\x03\x03"
                                             "B")),
             QStringLiteral("A\n\nB"));
  }

  void fontSizeBoxTakesDigitsOnlyHoweverTheyArrive() {
    TTestFolder folder;
    Dialog d(folder, {});
    TPictureOptionsForm& f = *d.form;
    f.show();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.ShowPage(false);
    QLineEdit* edit = f.cbFontSize->lineEdit();
    QCOMPARE(edit->text(), QStringLiteral("8"));
    f.cbFontSize->setFocus();
    edit->end(false);
    // Keys reach the box through the combo that holds the focus, and through its editor.
    QTest::keyClicks(f.cbFontSize, QStringLiteral("a-x "));
    QTest::keyClicks(edit, QStringLiteral("b.,"));
    for (const QString& refused :
         {QStringLiteral("pt"), U("号"), U("１２"), QStringLiteral("1a"), QStringLiteral("-")}) {
      CommitInputMethod(edit, refused);
      QGuiApplication::clipboard()->setText(refused);
      edit->paste();
    }
    QCOMPARE(edit->text(), QStringLiteral("8"));
    QCOMPARE(Working(f, "WatermarkFontSize"), QStringLiteral("<absent>"));
    QVERIFY(d.services.errors.isEmpty());
    QTest::keyClicks(f.cbFontSize, QStringLiteral("4"));
    CommitInputMethod(edit, QStringLiteral("0"));
    QCOMPARE(edit->text(), QStringLiteral("840"));
    QCOMPARE(Working(f, "WatermarkFontSize"), QStringLiteral("840"));
  }

  void enterInANumberBoxKeepsTheDialogOpen() {
    TTestFolder folder;
    Dialog d(folder, {});
    TPictureOptionsForm& f = *d.form;
    f.show();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.ShowPage(false);
    for (QWidget* box : std::initializer_list<QWidget*>{
             f.seTransparent, f.seRotate, f.seWatermarkTileSpace, f.seWatermarkPosBlank1,
             f.seWatermarkImageScale, f.cbFontSize}) {
      box->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
      QVERIFY2(f.isVisible(), qPrintable(box->objectName()));
    }
    // A typed number is taken on Enter.
    f.seTransparent->setFocus();
    f.seTransparent->selectAll();
    QTest::keyClicks(f.seTransparent, QStringLiteral("35"));
    QTest::keyClick(f.seTransparent, Qt::Key_Return);
    QCOMPARE(Working(f, "WatermarkTransparent"), QStringLiteral("35"));
    QVERIFY(f.isVisible());
    // Elsewhere Enter still means OK.
    f.ckbBold->setFocus();
    QTest::keyClick(f.ckbBold, Qt::Key_Return);
    QCOMPARE(f.result(), int(QDialog::Accepted));
  }

  void choosingAnOptionSelectsItsKind() {
    TTestFolder folder;
    WriteCatalogue(folder, {QStringLiteral("Gold"), QStringLiteral("Wood")});
    Dialog d(folder, {}, kNoReduce + "FrameType=0\r\nFrameName=Gold\r\n");
    TPictureOptionsForm& f = *d.form;
    QVERIFY(f.rbCorner->isChecked());
    QVERIFY(f.rbTextWatermark->isChecked());

    // A picture chosen with 选择图片 selects 图片水印; a cancelled choice changes nothing.
    f.chooseWatermarkPicture = [] { return QString(); };
    f.btnSelectWatermark->click();
    QVERIFY(f.rbTextWatermark->isChecked());
    f.chooseWatermarkPicture = [] { return QStringLiteral("/pictures/logo.png"); };
    f.btnSelectWatermark->click();
    QVERIFY(f.rbImageWatermark->isChecked());
    QCOMPARE(Working(f, "WatermarkType"), QStringLiteral("1"));

    // Clicking a frame, even the one already selected, selects 使用边框.
    f.show();
    QListWidgetItem* gold = f.lvFrames->item(0);
    QCOMPARE(f.lvFrames->currentItem(), gold);
    QTest::mouseClick(f.lvFrames->viewport(), Qt::LeftButton, {},
                      f.lvFrames->visualItemRect(gold).center());
    QVERIFY(f.rbFrame->isChecked());
    QCOMPARE(Working(f, "FrameType"), QStringLiteral("1"));
    QCOMPARE(Working(f, "FrameName"), QStringLiteral("Gold"));

    // Choosing a corner set or a radius selects 使用圆角.
    for (QComboBox* corner : {f.cbCorner, f.cbCornerWidth}) {
      f.rbFrame->setChecked(true);
      corner->setFocus();
      QTest::keyClick(corner, Qt::Key_Down);
      QVERIFY2(f.rbCorner->isChecked(), qPrintable(corner->objectName()));
      QCOMPARE(Working(f, "FrameType"), QStringLiteral("0"));
    }
    QCOMPARE(Working(f, "CornerType"), QStringLiteral("1"));
    QCOMPARE(Working(f, "CornerWidth"), QStringLiteral("1"));

    // Another frame from the keyboard as well.
    f.lvFrames->setFocus();
    QTest::keyClick(f.lvFrames->viewport(), Qt::Key_Right);
    QCOMPARE(Working(f, "FrameName"), QStringLiteral("Wood"));
    QVERIFY(f.rbFrame->isChecked());
  }

  // The preview kept and reused between changes shows, byte for byte, what the pipeline
  // and the shrink give done afresh on the same working copy.
  void keptPreviewMatchesAFreshOneAfterEveryChange() {
    TTestFolder folder;
    QImage photo(1400, 900, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
      for (int x = 0; x < photo.width(); ++x)
        photo.setPixel(x, y, qRgb(x * 255 / 1400, (y * 3) % 256, ((x / 3 + y / 5) % 2) * 150));
    const QString path = folder.Picture(QStringLiteral("photo.png"), photo);
    const QString logo = folder.Picture(QStringLiteral("logo.png"), HalvesPicture(90, 40));
    folder.Write(QStringLiteral("Config.ini"), kNoReduce + "FrameType=0\r\n");
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TPictureOptionsForm f(*kernel, services, {{path.toStdString(), 0}});
    f.chooseWatermarkPicture = [&logo] { return logo; };
    const auto afresh = [&] {
      TPreviewJob job;
      job.path = path.toStdString();
      job.settings = f.WorkingCopy();
      job.catalog = std::make_shared<const TMemIniFile>(kernel->CatalogStore());
      job.framesFolder = kernel->FramesFolder();
      job.prompt = WatermarkPromptText().toStdString();
      return ComputePreview(job).image;
    };
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"opening", [] {}},
        {"transparency", [&] { f.tkbTransparent->setValue(0); }},
        {"angle", [&] { f.seRotate->setValue(35); }},
        {"font size", [&] { f.cbFontSize->setEditText(QStringLiteral("36")); }},
        {"bold", [&] { f.ckbBold->setChecked(true); }},
        {"anchor", [&] { f.cbWatermarkPos->setCurrentIndex(8); }},
        {"tiles", [&] { f.rbTileWatermark->setChecked(true); }},
        {"tile rows", [&] { f.seWatermarkTileCount->setValue(3); }},
        {"corners", [&] { f.cbCornerWidth->setCurrentIndex(2); }},
        {"picture", [&] { f.btnSelectWatermark->click(); }},
        {"scale", [&] { f.seWatermarkImageScale->setValue(20); }},
        {"single", [&] { f.rbWatermarkPos->setChecked(true); }},
        {"margin", [&] { f.seWatermarkPosBlank1->setValue(60); }},
        {"angle back", [&] { f.tkbRotate->setValue(0); }},
        {"text again", [&] { f.rbTextWatermark->setChecked(true); }},
    };
    for (const auto& [name, change] : changes) {
      change();
      f.WaitForPreview();
      QVERIFY2(!f.PreviewImage().isNull(), name);
      QVERIFY2(f.PreviewImage() == afresh(), name);
    }
    QVERIFY(services.errors.isEmpty());
  }

  void imageScaleZeroKeepsTodaysPreview() {
    TTestFolder folder;
    const QString logo = folder.Picture(QStringLiteral("logo.png"), HalvesPicture(60, 30));
    const QByteArray picture =
        kNoReduce + "WatermarkType=1\r\nWatermarkImage=" + logo.toUtf8() + "\r\nWatermarkPos=8\r\nFrameType=0\r\n";
    Dialog d(folder, {QSize(200, 100)}, picture);
    TPictureOptionsForm& f = *d.form;
    QCOMPARE(f.seWatermarkImageScale->value(), 0);
    QCOMPARE(f.seWatermarkImageScale->text(), U("原始大小"));
    const QImage own = f.PreviewImage();
    f.seWatermarkImageScale->setValue(50);
    f.WaitForPreview();
    QCOMPARE(Working(f, "WatermarkImageScale"), QStringLiteral("50"));
    QVERIFY(f.PreviewImage() != own);
    f.seWatermarkImageScale->setValue(0);
    f.WaitForPreview();
    QCOMPARE(Working(f, "WatermarkImageScale"), QStringLiteral("0"));
    QCOMPARE(f.PreviewImage(), own);
    // The same bytes as the pipeline gives with the key absent.
    TPreviewJob job;
    job.path = folder.Path(QStringLiteral("p0.png")).toStdString();
    job.settings = TMemIniFile::FromText(picture.toStdString());
    job.catalog = std::make_shared<const TMemIniFile>(TMemIniFile::FromText(""));
    QCOMPARE(ComputePreview(job).image, own);
  }

  void defaultFaceRule_data() {
    QTest::addColumn<QStringList>("faces");
    QTest::addColumn<int>("chosen");
    QTest::newRow("宋体 first") << QStringList{U("Arial"), U("黑体"), U("宋体")} << 2;
    QTest::newRow("then 黑体") << QStringList{U("Tahoma"), U("黑体")} << 1;
    QTest::newRow("then Tahoma") << QStringList{U("Arial"), U("Tahoma")} << 1;
    const QString sans = QFontInfo(QFont(QStringLiteral("sans-serif"))).family();
    QTest::newRow("then the desktop's sans-serif")
        << QStringList{U("Arial"), sans, U("Verdana")} << 1;
    QTest::newRow("else the first") << QStringList{U("Arial"), U("Verdana")} << 0;
    QTest::newRow("no faces") << QStringList{} << -1;
  }
  void defaultFaceRule() {
    QFETCH(QStringList, faces);
    QFETCH(int, chosen);
    QCOMPARE(DefaultFaceIndex(faces), chosen);
  }

  void slidersAndNumberBoxesShowOneValue() {
    TTestFolder folder;
    Dialog d(folder, {}, kNoReduce + "WatermarkTransparent=35\r\nWatermarkRotate=-45\r\n");
    TPictureOptionsForm& f = *d.form;
    QCOMPARE(f.seTransparent->value(), 35);
    QCOMPARE(f.seRotate->value(), -45);
    f.seRotate->setValue(90);
    QCOMPARE(f.tkbRotate->value(), 90);
    QCOMPARE(Working(f, "WatermarkRotate"), QStringLiteral("90"));
    f.tkbTransparent->setValue(70);
    QCOMPARE(f.seTransparent->value(), 70);
    QCOMPARE(Working(f, "WatermarkTransparent"), QStringLiteral("70"));
  }

  void colourAndPictureChoices() {
    TTestFolder folder;
    Dialog d(folder, {}, kNoReduce + "WatermarkFontColor=clRed\r\n");
    TPictureOptionsForm& f = *d.form;
    QList<QColor> offered;
    std::optional<QColor> answer = QColor(0x12, 0x34, 0x56);
    f.chooseColor = [&](const QColor& current) {
      offered << current;
      return answer;
    };
    QTest::mouseRelease(f.shpFontColor, Qt::RightButton);  // any button
    QCOMPARE(offered, QList<QColor>({QColor(Qt::red)}));
    QCOMPARE(Working(f, "WatermarkFontColor"), QStringLiteral("$00563412"));
    answer = QColor(Qt::white);
    QTest::mouseRelease(f.shpFontColor, Qt::LeftButton);
    QCOMPARE(Working(f, "WatermarkFontColor"), QStringLiteral("clWhite"));
    answer.reset();  // cancelled
    QTest::mouseRelease(f.shpFontColor, Qt::LeftButton);
    QCOMPARE(Working(f, "WatermarkFontColor"), QStringLiteral("clWhite"));

    f.chooseWatermarkPicture = [] { return QStringLiteral("/pictures/logo.png"); };
    f.btnSelectWatermark->click();
    QCOMPARE(f.edWatermarkImage->text(), QStringLiteral("/pictures/logo.png"));
    QCOMPARE(Working(f, "WatermarkImage"), QStringLiteral("/pictures/logo.png"));
  }

  void okWithoutFrameTypeStoresFrameOne() {
    TTestFolder folder;
    WriteCatalogue(folder, {QStringLiteral("Gold"), QStringLiteral("Wood")});
    // A frame whose preview cannot be read is left out of the list.
    folder.Write(QStringLiteral("Frames/Frames.ini"),
                 ReadBytes(folder.Path(QStringLiteral("Frames/Frames.ini"))) +
                     "[Broken]\r\npreview=none.jpg\r\n");
    Dialog d(folder, {}, kNoReduce + "FrameName=wood\r\n");
    TPictureOptionsForm& f = *d.form;
    QVERIFY(f.rbFrame->isChecked());
    QCOMPARE(f.lvFrames->count(), 2);
    QCOMPARE(f.lvFrames->currentItem()->text(), QStringLiteral("Wood"));

    f.btnOK->click();
    QCOMPARE(f.result(), int(QDialog::Accepted));
    const QString config = folder.ConfigFile();
    QCOMPARE(StoredSetting(config, "FrameType"), QStringLiteral("1"));
    QCOMPARE(StoredSetting(config, "FrameName"), QStringLiteral("Wood"));
    // The default face was only shown, never chosen.
    QCOMPARE(StoredSetting(config, "WatermarkFontName"), QStringLiteral("<absent>"));
    // The kernel holds what is on disk now.
    QCOMPARE(ReadSettingInteger(d.kernel->SettingsStore(), keys::FrameType, ReadSite::Main), 1);
  }

  void okKeepsTextTypedIntoTheFocusedMemo() {
    TTestFolder folder;
    Dialog d(folder, {});
    TPictureOptionsForm& f = *d.form;
    f.ShowPage(false);
    f.show();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.memWatermark->setFocus();
    QVERIFY(f.memWatermark->hasFocus());
    QTest::keyClicks(f.memWatermark, QStringLiteral("Hi"));
    f.btnOKClick();  // as Alt+O does, without taking the focus first
    QCOMPARE(StoredSetting(folder.ConfigFile(), "WatermarkText"), QStringLiteral("Hi"));
  }

  void storedCornersLoadWithoutWriting() {
    TTestFolder folder;
    Dialog d(folder, {}, kNoReduce + "FrameType=0\r\nCornerType=4\r\nCornerWidth=2\r\n");
    TPictureOptionsForm& f = *d.form;
    QVERIFY(f.rbCorner->isChecked());
    QCOMPARE(f.cbCorner->currentIndex(), 4);
    QCOMPARE(f.cbCornerWidth->currentIndex(), 2);
    QCOMPARE(f.WorkingCopy().ToText(), std::string(kNoReduce.constData()) +
                                           "FrameType=0\r\nCornerType=4\r\nCornerWidth=2\r\n\r\n");
  }

  void cancelLeavesTheFileByteForByte() {
    TTestFolder folder;
    // GBK text, a comment and loose spacing: nothing of it may be rewritten.
    const QByteArray original =
        "; kept\r\n[General]\r\nReduceSize=0\r\nWatermarkText=\xC4\xFA\xBA\xC3\r\n"
        "WatermarkPos = 3\r\n\r\n[Other]\r\nx=1";
    Dialog d(folder, {QSize(60, 40)}, original);
    TPictureOptionsForm& f = *d.form;
    f.rbTileWatermark->setChecked(true);
    f.tkbRotate->setValue(45);
    f.ckbItalic->setChecked(true);
    f.cbWatermarkPos->setCurrentIndex(6);
    f.WaitForPreview();
    f.btnCancel->click();
    QCOMPARE(f.result(), int(QDialog::Rejected));
    QCOMPARE(ReadBytes(folder.ConfigFile()), original);
  }

  void cancelCreatesNoFile() {
    TTestFolder folder;
    Dialog d(folder, {}, QByteArray());
    d.form->ckbBold->setChecked(true);
    d.form->reject();
    QVERIFY(!QFile::exists(folder.ConfigFile()));
  }

  void emptyCatalogueLoadsEverythingElse() {
    TTestFolder folder;  // no Frames.ini at all
    Dialog d(folder, {},
             kNoReduce +
                 "WatermarkType=1\r\nWatermarkPaintStyle=1\r\n"
                 "WatermarkTileSpace=8\r\nWatermarkFontBold=1\r\n");
    TPictureOptionsForm& f = *d.form;
    QCOMPARE(f.lvFrames->count(), 0);
    QCOMPARE(f.lvFrames->currentItem(), nullptr);
    QCOMPARE(Working(f, "FrameName"), QStringLiteral("<absent>"));
    QVERIFY(f.rbImageWatermark->isChecked());
    QVERIFY(f.rbTileWatermark->isChecked());
    QCOMPARE(f.seWatermarkTileSpace->value(), 8);
    QVERIFY(f.ckbBold->isChecked());
  }

  void failedWriteKeepsTheDialogOpen() {
    TTestFolder folder;
    folder.Write(QStringLiteral("file"), "x");
    DataPaths paths;
    paths.configFile = folder.Path(QStringLiteral("file/Config.ini")).toStdString();
    paths.framesFolder = folder.Path(QStringLiteral("Frames")).toStdString() + "/";
    TKaravelKernel kernel(paths);
    TFakeServices services;
    TPictureOptionsForm form(kernel, services, {});
    form.btnOK->click();
    QCOMPARE(services.errors.size(), 1);
    QVERIFY(form.result() != QDialog::Accepted);
  }

  void mainWindowButtonsOpenTheDialog() {
    TTestFolder folder;
    folder.Write(QStringLiteral("Config.ini"), kNoReduce);
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TQivMainForm main(*kernel, services);
    int page = -1;
    QTimer::singleShot(0, [&page] {
      auto* dialog = qobject_cast<TPictureOptionsForm*>(QApplication::activeModalWidget());
      if (!dialog) return;
      page = dialog->pgOptions->currentIndex();
      dialog->rbTileWatermark->setChecked(true);
      dialog->btnOK->click();
    });
    main.btnSetupWatermark->click();
    QCOMPARE(page, 1);
    QCOMPARE(StoredSetting(folder.ConfigFile(), "WatermarkPaintStyle"), QStringLiteral("1"));
    QCOMPARE(main.lblWatermarkPos->text(), U("平铺水印"));
  }
};

std::unique_ptr<QObject> MakePictureOptionsTests() {
  return std::make_unique<PictureOptionsTest>();
}

#include "PictureOptionsTest.moc"
