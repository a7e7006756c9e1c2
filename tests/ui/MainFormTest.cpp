// The main window: the generate checks, the effect controls and what they keep in Config.ini.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include "UiTestSupport.h"
#include "UiTests.h"
#include "core/Settings.h"
#include "output/Export.h"
#include "ui/MainForm.h"
#include "ui/PictureList.h"
#include "ui/Translations.h"

using namespace pixmira;
using namespace pixmira::test;

namespace {

struct Window {
  explicit Window(const TTestFolder& folder) : kernel(folder.MakeKernel()) {
    form = std::make_unique<TQivMainForm>(*kernel, services);
    form->SetExportRunner([this](const TExportJob& job) { jobs.push_back(job); });
  }
  TFakeServices services;
  std::unique_ptr<TKaravelKernel> kernel;
  std::unique_ptr<TQivMainForm> form;
  std::vector<TExportJob> jobs;
};

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void outputChoicesShowTheirExampleAndTheEstimatedSize() {
    TTestFolder folder;
    Window w(folder);
    TQivMainForm& f = *w.form;
    const QString photo = folder.Picture(QStringLiteral("shoe.png"), HalvesPicture(900, 600));
    f.AddPicture(photo);
    f.lvPictures->WaitForThumbnails();
    // The name as it is typed, with the format's extension.
    f.cbOutputFormat->setCurrentIndex(2);
    f.edOutputName->setText(QString());
    QTest::keyClicks(f.edOutputName, QStringLiteral("{n:3}-{name}"));
    QCOMPARE(f.lblOutputNameExample->text(), U("例如：001-shoe.webp"));
    QCOMPARE(QString::fromStdString(
                 w.kernel->SettingsStore().ReadString(kGeneral, keys::OutputNamePattern, "")),
             QStringLiteral("{n:3}-{name}"));

    // The hint is the size of the file the export would write, not a fixed text.
    f.cbOutputFormat->setCurrentIndex(0);
    f.cbReduceSize->setCurrentIndex(3);
    f.seReduceWidthTo->setValue(400);
    const auto expected = EncodeAsExported({photo.toStdString(), 0}, w.kernel->SettingsStore(),
                                           w.kernel->CatalogStore(), w.kernel->FramesFolder());
    QVERIFY(expected.has_value());
    const QString hint =
        U("，大小约%1KB。").arg(std::max<qint64>(1, (qint64(expected->bytes.size()) + 512) / 1024));
    QTRY_COMPARE_WITH_TIMEOUT(f.lblSizeHint->text(), hint, 20000);
  }

  void switchingAPresetLoadsItsKeys() {
    TTestFolder folder;
    Window w(folder);
    TQivMainForm& f = *w.form;
    const int main = f.cbPreset->findText(U("主图 800x800"));
    QVERIFY(main >= 0);
    f.cbPreset->setCurrentIndex(main);
    emit f.cbPreset->activated(main);
    QCOMPARE(f.seReduceWidthTo->value(), 800);
    QCOMPARE(f.cbReduceSizeMode->currentIndex(), 3);
    QCOMPARE(f.seMaxFileKB->value(), 500);
    const TMemIniFile& s = w.kernel->SettingsStore();
    QCOMPARE(ReadSettingInteger(s, keys::MaxFileKB, ReadSite::Export), 500);
    QCOMPARE(QString::fromStdString(ReadSettingString(s, keys::PresetName, ReadSite::Main)),
             U("主图 800x800"));
  }

  void generateChecksTheListAndTheEffectsFirst() {
    TTestFolder folder;
    Window w(folder);
    TQivMainForm& f = *w.form;
    f.ckbReduceSize->setChecked(false);

    f.btnGeneratePictures->click();
    QCOMPARE(w.services.informations,
             QStringList({U("您尚未添加需要处理的图片。请在左侧“添加图片”框内进行添加。")}));

    f.AddPicture(folder.Path("missing.jpg"));
    f.btnGeneratePictures->click();
    QCOMPARE(w.services.informations.size(), 2);
    QCOMPARE(w.services.informations[1], U("您尚未选择图片生成的效果。请在右侧“图片生成”框内选择需"
                                           "要的效果，可一种或多种效果组合。"));
    QCOMPARE(w.services.saveGifCalls, 0);
    QVERIFY(w.services.folderTitles.isEmpty());
    QVERIFY(w.jobs.empty());
    f.lvPictures->WaitForThumbnails();
  }

  void generateAsksForTheGifFileOrTheFolder() {
    TTestFolder folder;
    Window w(folder);
    TQivMainForm& f = *w.form;
    f.ckbReduceSize->setChecked(false);
    f.AddPicture(folder.Path("x.png"));
    f.lvPictures->TurnEntry(0, true);

    // Only the GIF ticked: the save dialog, ".gif" added to a bare name.
    f.ckbOutputGif->setChecked(true);
    w.services.gifFile = folder.Path("show");
    f.btnGeneratePictures->click();
    QCOMPARE(w.services.saveGifCalls, 1);
    QCOMPARE(int(w.jobs.size()), 1);
    QCOMPARE(w.jobs[0].mode, TExportMode::Gif);
    QCOMPARE(QString::fromStdString(w.jobs[0].target), folder.Path("show.gif"));
    QCOMPARE(w.jobs[0].entries.size(), std::size_t(1));
    QCOMPARE(w.jobs[0].entries[0].angle, 90);

    // Cancelled dialog: nothing runs.
    w.services.gifFile.clear();
    f.btnGeneratePictures->click();
    QCOMPARE(int(w.jobs.size()), 1);

    // JPEG files: the folder browser; the custom size's quality index sets the quality.
    f.ckbOutputGif->setChecked(false);
    f.ckbReduceSize->setChecked(true);
    f.cbReduceSize->setCurrentIndex(3);
    f.cbReduceSizeQuality->setCurrentIndex(2);
    w.services.folder = folder.Path("out");
    f.btnGeneratePictures->click();
    QCOMPARE(w.services.folderTitles.last(), U("将文件导出到："));
    QCOMPARE(int(w.jobs.size()), 2);
    QCOMPARE(w.jobs[1].mode, TExportMode::Jpeg);
    QCOMPARE(QString::fromStdString(w.jobs[1].target), folder.Path("out"));
    QCOMPARE(w.jobs[1].jpegQuality, 50);
    QVERIFY(!w.jobs[1].jpegProgressive);
    f.ckbJpegProgressive->setChecked(true);
    f.btnGeneratePictures->click();
    QVERIFY(w.jobs[2].jpegProgressive);
    f.cbReduceSize->setCurrentIndex(1);  // the progressive box is out of sight
    f.btnGeneratePictures->click();
    QCOMPARE(w.jobs[3].jpegQuality, 90);
    QVERIFY(!w.jobs[3].jpegProgressive);
    f.lvPictures->WaitForThumbnails();
  }

  void addButtonsUseTheDialogsAnswers() {
    TTestFolder folder;
    folder.Picture("pics/b.png", SolidPicture(8, 8, Qt::gray));
    folder.Picture("pics/a.jpg", SolidPicture(8, 8, Qt::gray));
    Window w(folder);
    TQivMainForm& f = *w.form;
    QVERIFY(f.pnlHint->isVisibleTo(f.lvPictures));
    w.services.openFiles = {folder.Path("one.tiff"), folder.Path("pics/b.png")};
    f.btnAddPicture->click();
    w.services.folder = folder.Path("pics");
    f.btnAddFolder->click();
    QCOMPARE(w.services.folderTitles, QStringList({U("请选择要添加的文件夹")}));
    QStringList captions;
    for (int i = 0; i < f.lvPictures->count(); ++i) captions << f.lvPictures->Caption(i);
    QCOMPARE(captions, QStringList({"one.tiff", "b.png", "a.jpg", "b.png"}));
    QVERIFY(!f.pnlHint->isVisibleTo(f.lvPictures));

    // Paths handed over by a later start: folders by the folder rule, anything else as is.
    f.AddPaths({folder.Path("pics"), folder.Path("notes.txt")});
    QCOMPARE(f.lvPictures->count(), 7);
    QCOMPARE(f.lvPictures->Caption(4), U("a.jpg"));
    QCOMPARE(f.lvPictures->Caption(6), U("notes.txt"));
    f.btnClearPictures->click();
    QCOMPARE(f.lvPictures->count(), 0);
    QVERIFY(f.pnlHint->isVisibleTo(f.lvPictures));
  }

  void secondsFieldTakesDigitsAndOnePointHoweverTheyArrive() {
    TTestFolder folder;
    Window w(folder);
    QLineEdit* ed = w.form->edGifSeconds;
    QCOMPARE(ed->text(), U("1.00"));
    ed->clear();
    QTest::keyClicks(ed, "2a.5 x,-.");
    QCOMPARE(ed->text(), U("2.5"));
    QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSeconds"), U("2.5"));
    // Pasted and input-method text is judged as typed text is; a change that would not
    // convert is refused whole, and what is left stays stored.
    for (const QString& refused : {U("abc"), U(".5"), U("３"), U("秒"), U("1,5")}) {
      QGuiApplication::clipboard()->setText(refused);
      ed->paste();
      CommitInputMethod(ed, refused);
      QCOMPARE(ed->text(), U("2.5"));
    }
    QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSeconds"), U("2.5"));
    CommitInputMethod(ed, U("0"));
    QCOMPARE(ed->text(), U("2.50"));
    QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSeconds"), U("2.50"));
  }

  void aChosenSpeedSetsTheSecondsAndTypingLeavesTheSpeed() {
    TTestFolder folder;
    Window w(folder);
    TQivMainForm& f = *w.form;
    QComboBox* speed = f.cbGifSpeed;
    QLineEdit* ed = f.edGifSeconds;
    const struct {
      int index;
      QString seconds;
    } choices[] = {{0, "0.50"}, {2, "2.00"}, {1, "1.00"}};
    for (const auto& c : choices) {
      speed->setCurrentIndex(c.index);
      QCOMPARE(ed->text(), c.seconds);
      QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSeconds"), c.seconds);
      QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSpeed"), QString::number(c.index));
    }
    ed->clear();
    QTest::keyClicks(ed, "3.5");
    QCOMPARE(speed->currentIndex(), 1);
    QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSeconds"), U("3.5"));
    QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSpeed"), U("1"));
    // Choosing the speed already shown brings its seconds back.
    emit speed->activated(1);
    QCOMPARE(ed->text(), U("1.00"));
    QCOMPARE(StoredSetting(folder.ConfigFile(), "GifSeconds"), U("1.00"));
  }

  void watermarkEditShowsThePromptWhenEmpty() {
    TTestFolder folder;
    Window w(folder);
    QLineEdit* ed = w.form->edWatermark;
    const QColor silver(0xC0, 0xC0, 0xC0);
    QCOMPARE(ed->text(), WatermarkPrompt());
    QCOMPARE(ed->palette().color(QPalette::Text), silver);

    Focus(ed, QEvent::FocusIn);
    QCOMPARE(ed->text(), QString());
    QCOMPARE(ed->palette().color(QPalette::Text), QColor(Qt::black));
    // Leaving it empty stores an empty text and brings the prompt back.
    Focus(ed, QEvent::FocusOut);
    QCOMPARE(ed->text(), WatermarkPrompt());
    QCOMPARE(ed->palette().color(QPalette::Text), silver);
    QCOMPARE(StoredSetting(folder.ConfigFile(), "WatermarkText"), QString());

    Focus(ed, QEvent::FocusIn);
    ed->setText(U("小店 shop"));
    QCOMPARE(StoredSetting(folder.ConfigFile(), "WatermarkText"), QString());
    Focus(ed, QEvent::FocusOut);
    QCOMPARE(StoredSetting(folder.ConfigFile(), "WatermarkText"), U("小店 shop"));
    // Entering again keeps the user's own text.
    Focus(ed, QEvent::FocusIn);
    QCOMPARE(ed->text(), U("小店 shop"));
    QCOMPARE(ed->palette().color(QPalette::Text), QColor(Qt::black));
  }

  void everyChangeIsWrittenAtOnceAndReadBackAfterARestart() {
    TTestFolder folder;
    folder.Write("Frames/Frames.ini",
                 "[Wood]\r\npreview=wood.jpg\r\n\r\n[Silver]\r\npreview=s.jpg\r\n");
    {
      Window w(folder);
      TQivMainForm& f = *w.form;
      // Showing the stored (absent) values writes nothing.
      QVERIFY(!QFile::exists(folder.ConfigFile()));
      QCOMPARE(f.cbPictureFrame->count(), 2);

      struct Step {
        std::function<void()> change;
        const char* key;
        QString value;
      };
      const Step steps[] = {
          {[&] { f.ckbReduceSize->setChecked(false); }, "ReduceSize", "0"},
          {[&] { f.cbReduceSize->setCurrentIndex(3); }, "ReduceSizeType", "3"},
          {[&] { f.seReduceWidthTo->setValue(640); }, "ReduceSizeWidth", "640"},
          {[&] { f.cbReduceSizeQuality->setCurrentIndex(0); }, "ReduceSizeQuality", "0"},
          {[&] { f.ckbReduceSizeSmooth->setChecked(true); }, "ReduceSizeSmooth", "1"},
          {[&] { f.ckbSquareCanvas->setChecked(true); }, "SquareCanvas", "1"},
          {[&] { f.ckbJpegProgressive->setChecked(true); }, "JpegProgressive", "1"},
          {[&] { f.ckbAddFrame->setChecked(true); }, "AddFrame", "1"},
          {[&] { f.cbCorner->setCurrentIndex(10); }, "CornerType", "10"},
          {[&] { f.cbCornerWidth->setCurrentIndex(2); }, "CornerWidth", "2"},
          {[&] { f.cbPictureFrame->setCurrentIndex(1); }, "FrameName", "Silver"},
          {[&] { f.ckbAddWatermark->setChecked(true); }, "AddWatermark", "1"},
          {[&] { f.ckbOutputGif->setChecked(true); }, "OutputGif", "1"},
          {[&] { f.cbGifSpeed->setCurrentIndex(2); }, "GifSpeed", "2"},
          {[&] { f.edGifSeconds->setText("0.5"); }, "GifSeconds", "0.5"},
      };
      for (const Step& step : steps) {
        step.change();
        QCOMPARE(StoredSetting(folder.ConfigFile(), step.key), step.value);
      }
      QVERIFY(f.pnlReduceSize->isVisibleTo(&f));
      f.cbReduceSize->setCurrentIndex(2);
      QVERIFY(!f.pnlReduceSize->isVisibleTo(&f));
      f.cbReduceSize->setCurrentIndex(3);
    }
    // A new start shows what was stored.
    Window w(folder);
    TQivMainForm& f = *w.form;
    QVERIFY(!f.ckbReduceSize->isChecked());
    QCOMPARE(f.cbReduceSize->currentIndex(), 3);
    QVERIFY(f.pnlReduceSize->isVisibleTo(&f));
    QCOMPARE(f.seReduceWidthTo->value(), 640);
    QCOMPARE(f.cbReduceSizeQuality->currentIndex(), 0);
    QVERIFY(f.ckbReduceSizeSmooth->isChecked());
    QVERIFY(f.ckbSquareCanvas->isChecked());
    QVERIFY(f.ckbJpegProgressive->isChecked());
    QVERIFY(f.ckbAddFrame->isChecked());
    QCOMPARE(f.cbCorner->currentIndex(), 10);
    QCOMPARE(f.cbCornerWidth->currentIndex(), 2);
    QCOMPARE(f.cbPictureFrame->currentText(), U("Silver"));
    QVERIFY(f.ckbAddWatermark->isChecked());
    QVERIFY(f.ckbOutputGif->isChecked());
    QCOMPARE(f.cbGifSpeed->currentIndex(), 2);
    QCOMPARE(f.edGifSeconds->text(), U("0.5"));
  }

  void defaultsAndTheStoredChoicesOfTheSettingsDialogAreShown() {
    TTestFolder folder;
    folder.Write("Frames/Frames.ini", "[Wood]\r\npreview=wood.jpg\r\n\r\n[Silver]\r\n");
    {
      Window w(folder);
      TQivMainForm& f = *w.form;
      QVERIFY(f.ckbReduceSize->isChecked());
      QCOMPARE(f.seReduceWidthTo->value(), 310);
      QCOMPARE(f.cbReduceSizeQuality->currentIndex(), 1);
      QVERIFY(!f.pnlReduceSize->isVisibleTo(&f));
      QCOMPARE(f.stkFrame->currentWidget(), f.cbPictureFrame->parentWidget());
      QCOMPARE(f.cbPictureFrame->currentText(), U("Wood"));
      QCOMPARE(f.cbGifSpeed->currentIndex(), 1);
      QCOMPARE(f.edGifSeconds->text(), U("1.00"));
      QCOMPARE(f.lblWatermark->text(), U("水印文字："));
      QCOMPARE(f.stkWatermark->currentWidget(), f.edWatermark);
      QCOMPARE(f.lblWatermarkPos->text(), U("水印显示在图象右下角"));
    }
    // What the settings dialog stores, and a frame that is no longer in the catalogue.
    folder.Write(
        "Config.ini",
        "[General]\r\nFrameType=0\r\nFrameName=Gone\r\nWatermarkType=1\r\n"
        "WatermarkImage=/pics/logo.png\r\nWatermarkText=shop\r\nWatermarkPaintStyle=1\r\n");
    Window w(folder);
    TQivMainForm& f = *w.form;
    QCOMPARE(f.stkFrame->currentWidget(), f.pnlFrame0);
    QCOMPARE(f.cbPictureFrame->currentText(), U("Wood"));
    QCOMPARE(f.lblWatermark->text(), U("水印图片："));
    QCOMPARE(f.stkWatermark->currentWidget(), f.edWatermarkImage);
    QCOMPARE(f.edWatermarkImage->text(), U("/pics/logo.png"));
    QCOMPARE(f.edWatermark->text(), U("shop"));
    QCOMPARE(f.edWatermark->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(f.lblWatermarkPos->text(), U("平铺水印"));
    // Loading changed nothing on disk: FrameName waits for the user's own choice.
    QCOMPARE(StoredSetting(folder.ConfigFile(), "FrameName"), U("Gone"));

    // A confirmed settings dialog reloads the controls.
    w.form->SetPictureOptions([&](bool borderPage) {
      folder.Write("Config.ini", "[General]\r\nWatermarkPos=4\r\nFrameType=1\r\n");
      w.kernel->ReloadSettings();
      return borderPage;
    });
    f.btnSetupWatermark->click();
    QCOMPARE(f.lblWatermarkPos->text(), U("平铺水印"));
    f.btnSetupBorder->click();
    QCOMPARE(f.lblWatermarkPos->text(), U("水印显示在图象底部居中"));
    QCOMPARE(f.stkFrame->currentWidget(), f.cbPictureFrame->parentWidget());
  }

  void watermarkPositionCaptions() {
    QCOMPARE(WatermarkPosCaption(1, 5), U("平铺水印"));
    QCOMPARE(WatermarkPosCaption(0, 8), U("水印显示在图象图片中心"));
    QCOMPARE(WatermarkPosCaption(2, 6), U("水印显示在图象左边居中"));
    // Out of range: the caption stays as it was.
    QCOMPARE(WatermarkPosCaption(0, 9), QString());
    QCOMPARE(WatermarkPosCaption(0, -1), QString());
  }

  void aSettingsFileThatCannotBeWrittenIsReportedAndKeptInMemory() {
    TTestFolder folder;
    folder.Write("blocker", "a file where a folder should be");
    DataPaths paths;
    paths.configFile = folder.Path("blocker/Config.ini").toStdString();
    paths.framesFolder = folder.Path("Frames").toStdString() + "/";
    TKaravelKernel kernel(paths);
    TFakeServices services;
    TQivMainForm form(kernel, services);
    form.ckbAddFrame->setChecked(true);
    QCOMPARE(services.errors.size(), 1);
    QVERIFY(services.errors[0].startsWith(U("无法写入 ") + folder.Path("blocker/Config.ini")));
    QVERIFY(kernel.SettingsStore().ReadBool("General", "AddFrame", false));
    QVERIFY(form.ckbAddFrame->isChecked());
  }

  void resizingReflowsTheListAndKeepsTheEffectPanelsWidth() {
    TTestFolder folder;
    Window w(folder);
    TQivMainForm& f = *w.form;
    f.show();
    QStringList paths;
    for (int i = 0; i < 24; ++i) paths << folder.Path(QStringLiteral("p%1.jpg").arg(i));
    f.lvPictures->Model()->AddPaths(paths);
    const auto columns = [&] {
      QApplication::processEvents();
      int n = 0;
      const int top = f.lvPictures->visualRect(f.lvPictures->Model()->index(0)).top();
      while (n < f.lvPictures->count() &&
             f.lvPictures->visualRect(f.lvPictures->Model()->index(n)).top() == top)
        ++n;
      return n;
    };
    const QWidget* effects = f.findChild<QWidget*>(QStringLiteral("grpGenerate"));
    struct Case {
      int width, height;
    } cases[] = {{792, 626}, {1280, 900}, {1000, 700}, {640, 450}};
    for (const Case& c : cases) {
      f.resize(c.width, c.height);
      const int panel = effects->width();
      const int viewport = f.lvPictures->viewport()->width();
      QCOMPARE(columns(), std::max(1, viewport / kIconSpacingX));
      if (c.width == 1280) QCOMPARE(columns(), 5);
      if (c.width == 792) QCOMPARE(columns(), 2);
      QCOMPARE(panel, effects->width());
      // The width list's longest text is never cut off.
      QStyleOptionComboBox box;
      box.initFrom(f.cbReduceSize);
      const QRect text = f.cbReduceSize->style()->subControlRect(
          QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, f.cbReduceSize);
      for (int i = 0; i < f.cbReduceSize->count(); ++i)
        QVERIFY2(f.cbReduceSize->fontMetrics().horizontalAdvance(f.cbReduceSize->itemText(i)) <=
                     text.width(),
                 qPrintable(QStringLiteral("%1 > %2 of %3")
                                .arg(f.cbReduceSize->fontMetrics().horizontalAdvance(
                                    f.cbReduceSize->itemText(i)))
                                .arg(text.width())
                                .arg(f.cbReduceSize->width())));
      // Every row of the effects and the generate button stay reachable.
      QVERIFY(f.btnGeneratePictures->isVisible());
      QVERIFY(f.rect().contains(
          f.btnGeneratePictures->mapTo(&f, f.btnGeneratePictures->rect().bottomRight())));
    }
    // The whole window fits a 1280 x 900 screen at twice the scale.
    QVERIFY(f.minimumSizeHint().width() <= 640);
    QVERIFY(f.minimumSizeHint().height() <= 450);
    f.lvPictures->WaitForThumbnails();
  }

  void theWindowIsAlwaysPlacedWhollyOnTheScreen() {
    const QRect screen(0, 0, 1280, 900);
    const QSize minimum(600, 400);
    const struct {
      QRect wanted, placed;
    } cases[] = {
        {{100, 100, 800, 600}, {100, 100, 800, 600}},  // fits: kept
        {{900, 700, 800, 600}, {480, 300, 800, 600}},  // off the bottom right: moved in
        {{-300, -50, 800, 600}, {0, 0, 800, 600}},     // off the top left
        {{0, 0, 2000, 1800}, {0, 0, 1280, 900}},       // larger than the screen: shrunk
        {{50, 50, 100, 80}, {50, 50, 600, 400}},       // below the minimum: grown
        {{0, 0, 792, 626}, {0, 0, 640, 450}},          // twice the scale: the screen's half
    };
    for (const auto& c : cases) {
      const QRect area = c.placed == QRect(0, 0, 640, 450) ? QRect(0, 0, 640, 450) : screen;
      QCOMPARE(FitWindowRect(c.wanted, area, minimum), c.placed);
    }
  }

  // The same rule through the window itself, from what an old or a hand-edited Config.ini holds.
  void aStoredPlaceIsBroughtOntoTheScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int w = screen.width(), h = screen.height();
    const struct {
      const char* what;
      QRect stored;
      bool kept;  // the stored place fits and is used as it is
    } cases[] = {
        // Room left above for the title bar, which must stay on the screen too.
        {"fits", {screen.left() + 20, screen.top() + 40, w - 60, h * 3 / 4}, true},
        {"below its minimum", {screen.left() + 20, screen.top() + 40, 50, 40}, false},
        {"off the bottom right",
         {screen.right() - w / 4, screen.bottom() - h / 4, w / 2, h / 2},
         false},
        {"off the top left", {screen.left() - w, screen.top() - h / 2, w / 2, h / 2}, false},
        {"larger than the screen", {screen.left(), screen.top(), w * 2, h * 2}, false},
        {"on a screen no longer there", {screen.left() + 5 * w, screen.top(), w / 2, h / 2}, false},
    };
    for (const auto& c : cases) {
      TTestFolder folder;
      folder.Write(QStringLiteral("Config.ini"),
                   QStringLiteral("[General]\nWindowLeft=%1\nWindowTop=%2\nWindowWidth=%3\n"
                                  "WindowHeight=%4\n")
                       .arg(c.stored.left())
                       .arg(c.stored.top())
                       .arg(c.stored.width())
                       .arg(c.stored.height())
                       .toUtf8());
      Window win(folder);
      const QRect placed = win.form->geometry();
      QVERIFY2(screen.contains(placed), c.what);
      if (c.kept) QCOMPARE(placed, c.stored);
      // Never smaller than its own minimum unless the screen is smaller still.
      QVERIFY2(placed.width() >= std::min(win.form->minimumSizeHint().width(), w), c.what);
      QVERIFY2(placed.height() >= std::min(win.form->minimumSizeHint().height(), h), c.what);
    }
    // Nothing stored: the first size, centred.
    TTestFolder folder;
    Window win(folder);
    QVERIFY(screen.contains(win.form->geometry()));
    QVERIFY(std::abs(win.form->geometry().center().x() - screen.center().x()) <= 1);
  }

  void sizePlaceAndFoldersAreRememberedAcrossStarts() {
    TTestFolder folder;
    QDir().mkpath(folder.Path("pics"));
    QDir().mkpath(folder.Path("more"));
    QDir().mkpath(folder.Path("out"));
    QDir().mkpath(folder.Path("gifs"));
    {
      Window w(folder);
      TQivMainForm& f = *w.form;
      f.show();
      f.setGeometry(40, 30, 700, 500);
      QApplication::processEvents();
      f.ckbReduceSize->setChecked(true);

      // The dialogs start in the home folder until the user has been somewhere.
      w.services.openFiles = {folder.Path("pics/a.jpg"), folder.Path("more/b.jpg")};
      f.btnAddPicture->click();
      w.services.folder = folder.Path("more");
      f.btnAddFolder->click();
      f.btnAddPicture->click();
      w.services.folder = folder.Path("out");
      f.btnGeneratePictures->click();
      f.ckbOutputGif->setChecked(true);
      w.services.gifFile = folder.Path("gifs/show.gif");
      f.btnGeneratePictures->click();
      f.btnGeneratePictures->click();
      QCOMPARE(w.services.startFolders, QStringList({"", folder.Path("pics"), folder.Path("more"),
                                                     "", folder.Path("out"), folder.Path("gifs")}));
      f.close();
      f.lvPictures->WaitForThumbnails();
    }
    QCOMPARE(StoredSetting(folder.ConfigFile(), "WindowWidth"), QString("700"));
    QCOMPARE(StoredSetting(folder.ConfigFile(), "OutputFolder"), folder.Path("gifs"));
    Window again(folder);
    QCOMPARE(again.form->geometry(), QRect(40, 30, 700, 500));
    again.services.openFiles = {};
    again.form->btnAddPicture->click();
    // The last files came from pics/.
    QCOMPARE(again.services.startFolders, QStringList({folder.Path("pics")}));
    // A folder that cannot be read is said so, with its path; nothing is added.
    // (The list of the last run is back: it is kept across starts.)
    const int restored = again.form->lvPictures->count();
    again.services.folder = folder.Path("gone");
    again.form->btnAddFolder->click();
    QCOMPARE(again.services.errors, QStringList({U("无法打开文件夹 %1").arg(folder.Path("gone"))}));
    QCOMPARE(again.form->lvPictures->count(), restored);
  }

  void countActionsAndUndoOfTheListInTheWindow() {
    TTestFolder folder;
    Window w(folder);
    TQivMainForm& f = *w.form;
    f.show();
    QCOMPARE(f.lblCount->text(), U("共 0 张图片"));
    f.lvPictures->Model()->AddPaths({folder.Path("a.jpg"), folder.Path("b.jpg")});
    QCOMPARE(f.lblCount->text(), U("共 2 张图片"));
    f.btnClearPictures->click();
    QCOMPARE(f.lblCount->text(), U("共 0 张图片"));
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.lblCount->text(), U("共 2 张图片"));
    QCOMPARE(f.lvPictures->Caption(1), U("b.jpg"));
    // The shortcuts, and a tooltip that names them.
    QCOMPARE(f.actAddPicture->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(f.actGenerate->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    QVERIFY(!f.actAddFolder->shortcut().isEmpty());
    QVERIFY(f.btnAddPicture->toolTip().contains(QStringLiteral("Ctrl+O")));
    QVERIFY(f.btnGeneratePictures->toolTip().contains(QStringLiteral("Ctrl+G")));
    f.ckbReduceSize->setChecked(false);
    QTest::keyClick(&f, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(w.services.informations.size(), 1);  // no effect chosen
    f.lvPictures->WaitForThumbnails();
  }

  void qtsOwnWordsAreChinese() {
    QVERIFY(InstallQtTranslations(*QCoreApplication::instance(), QStringLiteral("zh_CN")));
    QMessageBox box(QMessageBox::Information, U("Pixmira"), U("x"), QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), U("确定"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QCOMPARE(dialog.labelText(QFileDialog::Reject), U("取消"));
  }

  void bringToFrontRestoresAMinimisedWindow() {
    TTestFolder folder;
    Window w(folder);
    w.form->showMinimized();
    QVERIFY(w.form->windowState() & Qt::WindowMinimized);
    w.form->BringToFront();
    QVERIFY(!(w.form->windowState() & Qt::WindowMinimized));
    QVERIFY(w.form->isVisible());
    QCOMPARE(w.form->windowTitle(), U("Pixmira"));
  }
};

std::unique_ptr<QObject> MakeMainFormTests() { return std::make_unique<MainFormTest>(); }

#include "MainFormTest.moc"
