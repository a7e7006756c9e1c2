// The picture list: what adding, dropping, turning and removing do to the entries.
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "UiTestSupport.h"
#include "UiTests.h"
#include "ui/PictureList.h"
#include "ui/ToolbarForm.h"

using namespace pixmira;
using namespace pixmira::test;

namespace {

QStringList Captions(const TPictureList& list) {
  QStringList captions;
  for (int row = 0; row < list.count(); ++row) captions << list.item(row)->text();
  return captions;
}

QColor CellPixel(const QImage& cell, int x, int y) { return cell.pixelColor(x, y); }

bool IsRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }
bool IsBlue(QColor c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; }

}  // namespace

class PictureListTest : public QObject {
  Q_OBJECT

 private slots:
  void nextAngleFollowsTheQuarterTurnRules() {
    struct Case {
      int from;
      bool ccw;
      int to;
    };
    const Case cases[] = {{0, true, 90},   {90, true, 180},  {180, true, 270},  {270, true, 360},
                          {360, true, 90}, {0, false, 270},  {270, false, 180}, {180, false, 90},
                          {90, false, 0},  {360, false, 270}};
    for (const Case& c : cases) QCOMPARE(NextAngle(c.from, c.ccw), c.to);
  }

  void filesAreAddedInOrderAndUnreadableOnesGetThePlaceholder() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(60, 40, Qt::green));
    const QString tiff = folder.Write("scan.tiff", "II*\0 not really");
    const QString empty = folder.Write("empty.jpg", "");
    TPictureList list;
    QVERIFY(list.HintPanel()->isVisibleTo(&list));

    for (const QString& path : {a, tiff, a, empty}) list.AddPicture(path);
    QVERIFY(!list.HintPanel()->isVisibleTo(&list));
    list.WaitForThumbnails();

    QCOMPARE(Captions(list), QStringList({"a.png", "scan.tiff", "a.png", "empty.jpg"}));
    // The same file twice is two entries; every entry starts unturned.
    for (int row = 0; row < list.count(); ++row) QCOMPARE(list.EntryAngle(row), 0);
    QCOMPARE(list.EntryPath(2), a);
    QVERIFY(list.EntryThumbnail(0) != PlaceholderThumbnail());
    QCOMPARE(list.EntryThumbnail(0), list.EntryThumbnail(2));
    QCOMPARE(list.EntryThumbnail(1), PlaceholderThumbnail());
    QCOMPARE(list.EntryThumbnail(3), PlaceholderThumbnail());
    QCOMPARE(PlaceholderThumbnail().size(), QSize(kThumbWidth, kThumbHeight));

    const auto entries = list.ExportEntries();
    QCOMPARE(int(entries.size()), 4);
    QCOMPARE(QString::fromStdString(entries[1].path), tiff);
  }

  void addFolderTakesJpgThenBmpThenPngThenSubfolders() {
    TTestFolder folder;
    const QImage pixel = SolidPicture(8, 8, Qt::gray);
    folder.Picture("pics/b.png", pixel);
    folder.Picture("pics/a.jpg", pixel);
    folder.Picture("pics/c.bmp", pixel);
    folder.Picture("pics/Z.JPG", pixel);
    folder.Picture("pics/.hidden.png", pixel);
    folder.Picture("pics/photo.jpeg", pixel);
    folder.Write("pics/anim.gif", "GIF89a");
    folder.Picture("pics/sub/d.jpg", pixel);
    folder.Picture("pics/sub/deeper/e.bmp", pixel);
    folder.Picture("pics/.cache/hidden.jpg", pixel);
    folder.Picture("pics/another/f.png", pixel);
    QDir(folder.Path("pics")).mkdir("dir.jpg");
    // A link back up the tree must not be searched for ever.
    QVERIFY(QFile::link(folder.Path("pics"), folder.Path("pics/sub/loop")));
    // A folder reached by a second way is searched once, where it is first met.
    QVERIFY(QFile::link(folder.Path("pics/sub/deeper"), folder.Path("pics/another/twin")));

    TPictureList list;
    list.AddFolder(folder.Path("pics"));
    QCOMPARE(Captions(list), QStringList({"a.jpg", "Z.JPG", "c.bmp", ".hidden.png", "b.png",
                                          "f.png", "e.bmp", "d.jpg"}));
    QCOMPARE(list.EntryPath(7), folder.Path("pics/sub/d.jpg"));
    list.WaitForThumbnails();
  }

  void droppedFilesAndFoldersBecomeOneEntryEach() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(30, 20, Qt::green));
    folder.Picture("album/inside.jpg", SolidPicture(8, 8, Qt::gray));
    TPictureList list;
    list.resize(400, 400);
    list.show();

    // The hint over the empty list lets drops through to the list.
    QVERIFY(list.HintPanel()->isVisible());
    QCOMPARE(list.viewport()->childAt(list.HintPanel()->geometry().center()), nullptr);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(folder.Path("album") + "/"), QUrl::fromLocalFile(a)});
    const QPointF at = list.viewport()->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    QVERIFY(drop.isAccepted());

    list.WaitForThumbnails();
    QCOMPARE(Captions(list), QStringList({"album", "a.png"}));
    QCOMPARE(list.EntryPath(0), folder.Path("album"));
    QCOMPARE(list.EntryThumbnail(0), PlaceholderThumbnail());
    QVERIFY(!list.HintPanel()->isVisible());
  }

  void turningRedrawsTheThumbnailFromTheFile() {
    TTestFolder folder;
    // Left half red, right half blue; wide enough to be reduced into the cell.
    const QString path = folder.Picture("halves.png", HalvesPicture(200, 100));
    TPictureList list;
    list.AddPicture(path);
    list.WaitForThumbnails();
    const QImage unturned = list.EntryThumbnail(0);
    // The picture sits in the cell above the caption strip: red left, blue right.
    QVERIFY(IsRed(CellPixel(unturned, 30, 61)));
    QVERIFY(IsBlue(CellPixel(unturned, 94, 61)));

    // A quarter turn clockwise brings the left half to the top.
    list.TurnEntry(0, false);
    QCOMPARE(list.EntryAngle(0), 270);
    list.WaitForThumbnails();
    const QImage clockwise = list.EntryThumbnail(0);
    QVERIFY(IsRed(CellPixel(clockwise, 62, 35)));
    QVERIFY(IsBlue(CellPixel(clockwise, 62, 90)));

    // A fresh entry of the same file: 90, 180, 270, then 360, which looks like 0.
    list.AddPicture(path);
    QList<int> angles;
    for (int i = 0; i < 4; ++i) {
      list.TurnEntry(1, true);
      angles << list.EntryAngle(1);
    }
    QCOMPARE(angles, QList<int>({90, 180, 270, 360}));
    list.WaitForThumbnails();
    QCOMPARE(list.EntryThumbnail(1), unturned);
    list.TurnEntry(1, true);
    QCOMPARE(list.EntryAngle(1), 90);
    QCOMPARE(list.ExportEntries()[1].angle, 90);
    list.WaitForThumbnails();
    // Counter-clockwise: the left half goes to the bottom.
    QVERIFY(IsBlue(CellPixel(list.EntryThumbnail(1), 62, 35)));
    QVERIFY(IsRed(CellPixel(list.EntryThumbnail(1), 62, 90)));
    // The first entry kept its own turn.
    QCOMPARE(list.EntryAngle(0), 270);
  }

  void turningAFileThatCannotBeLoadedStillStoresTheAngle() {
    TTestFolder folder;
    const QString path = folder.Picture("gone.png", SolidPicture(20, 20, Qt::green));
    TPictureList list;
    list.AddPicture(path);
    list.WaitForThumbnails();
    const QImage before = list.EntryThumbnail(0);
    QVERIFY(QFile::remove(path));
    list.TurnEntry(0, false);
    QCOMPARE(list.EntryAngle(0), 270);
    list.WaitForThumbnails();
    QCOMPARE(list.EntryThumbnail(0), before);
  }

  void toolbarButtonsTurnAndRemoveTheirOwnEntry() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(20, 20, Qt::green));
    const QString b = folder.Picture("b.png", SolidPicture(20, 20, Qt::yellow));
    TPictureList list;
    list.resize(420, 400);
    list.show();
    list.AddPicture(a);
    list.AddPicture(b);
    list.WaitForThumbnails();

    TToolbarForm* second = list.EntryToolbar(1);
    QVERIFY(second);
    QVERIFY(!second->tbEdit()->isEnabled());
    QCOMPARE(second->tbRoteLeft()->toolTip(), QString::fromUtf8("逆时针旋转图片"));
    second->tbRoteRight()->click();
    QCOMPARE(list.EntryAngle(0), 0);
    QCOMPARE(list.EntryAngle(1), 270);

    QPointer<TToolbarForm> first = list.EntryToolbar(0);
    first->tbRemove()->click();
    QCOMPARE(Captions(list), QStringList({"b.png"}));
    QCOMPARE(list.EntryToolbar(0), second);
    QVERIFY(!list.HintPanel()->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());

    second->tbRemove()->click();
    QCOMPARE(list.count(), 0);
    QVERIFY(list.HintPanel()->isVisible());
  }

  void toolbarsFollowTheirThumbnailsWhenTheListScrolls() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(20, 20, Qt::green));
    TPictureList list;
    list.resize(380, 380);
    list.show();
    for (int i = 0; i < 12; ++i) list.AddPicture(a);
    list.WaitForThumbnails();
    QApplication::processEvents();

    auto expected = [&](int row) {
      return TPictureList::ToolbarRect(
          TPictureList::IconRect(list.visualRect(list.model()->index(row, 0))));
    };
    auto checkAll = [&] {
      for (int row = 0; row < list.count(); ++row) {
        const TToolbarForm* toolbar = list.EntryToolbar(row);
        QCOMPARE(toolbar->geometry(), expected(row));
        QCOMPARE(toolbar->isVisibleTo(&list),
                 toolbar->geometry().intersects(list.viewport()->rect()));
      }
    };
    checkAll();
    QVERIFY(list.EntryToolbar(0)->isVisibleTo(&list));
    QVERIFY(!list.EntryToolbar(11)->isVisibleTo(&list));
    const QRect before = list.EntryToolbar(0)->geometry();
    // The toolbar lies over the bottom strip of its thumbnail.
    const QRect icon = TPictureList::IconRect(list.visualRect(list.model()->index(0, 0)));
    QVERIFY(icon.contains(before));
    QVERIFY(before.top() >= icon.bottom() - 25);

    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    QApplication::processEvents();
    QVERIFY(list.verticalScrollBar()->value() > 0);
    checkAll();
    // The first entry is scrolled out of view and its toolbar with it.
    QCOMPARE(list.EntryToolbar(0)->geometry().top(),
             before.top() - list.verticalScrollBar()->value());
    QVERIFY(list.EntryToolbar(0)->geometry().bottom() < 0);
    QVERIFY(!list.EntryToolbar(0)->isVisibleTo(&list));
    QVERIFY(list.EntryToolbar(11)->isVisibleTo(&list));
  }

  void clearingRemovesEveryEntryAndToolbar() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(20, 20, Qt::green));
    TPictureList list;
    for (int i = 0; i < 3; ++i) list.AddPicture(a);
    QPointer<TToolbarForm> toolbar = list.EntryToolbar(2);
    // Cleared while the thumbnails may still be on their way.
    list.ClearPictures();
    QCOMPARE(list.count(), 0);
    QVERIFY(list.HintPanel()->isVisibleTo(&list));
    list.WaitForThumbnails();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(toolbar.isNull());
    QVERIFY(!list.ThumbnailsPending());
    list.AddPicture(a);
    list.WaitForThumbnails();
    QVERIFY(list.EntryThumbnail(0) != PlaceholderThumbnail());
  }
};

std::unique_ptr<QObject> MakePictureListTests() { return std::make_unique<PictureListTest>(); }

#include "PictureListTest.moc"
