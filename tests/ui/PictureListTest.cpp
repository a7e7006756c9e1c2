// The picture list: what adding, dropping, turning and removing do to the entries.
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>

#include "UiTestSupport.h"
#include "UiTests.h"
#include "ui/PictureList.h"

using namespace pixmira;
using namespace pixmira::test;

namespace {

QStringList Captions(const TPictureList& list) {
  QStringList captions;
  for (int row = 0; row < list.count(); ++row) captions << list.Caption(row);
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

  void clearingRemovesEveryEntry() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(20, 20, Qt::green));
    TPictureList list;
    for (int i = 0; i < 3; ++i) list.AddPicture(a);
    // Cleared while the thumbnails may still be on their way.
    list.ClearPictures();
    QCOMPARE(list.count(), 0);
    QVERIFY(list.HintPanel()->isVisibleTo(&list));
    list.WaitForThumbnails();
    QVERIFY(!list.ThumbnailsPending());
    list.AddPicture(a);
    list.WaitForThumbnails();
    QVERIFY(list.EntryThumbnail(0) != PlaceholderThumbnail());
  }

  void movingEntriesKeepsTheirOrderAndLandsBeforeTheTarget() {
    TPictureModel model;
    model.AddPaths({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg", "/p/e.jpg"});
    const auto names = [&] {
      QString order;
      for (int r = 0; r < model.rowCount(); ++r) order += model.Entry(r).caption.at(0);
      return order;
    };
    struct Case {
      std::vector<int> rows;
      int destination;
      const char* order;
    };
    const Case cases[] = {
        {{0}, 5, "bcdea"},     // first to the end
        {{4}, 0, "eabcd"},     // last to the front
        {{1, 3}, 0, "bdace"},  // several, kept in their order
        {{0, 2}, 4, "bdace"},  // before d, counted in the old rows
        {{3, 1}, 5, "acebd"},  // given in any order
        {{2}, 2, "abcde"},     // onto itself: nothing moves
        {{2}, 3, "abcde"},     // just after itself: nothing moves
        {{0, 1, 2, 3, 4}, 2, "abcde"},
    };
    for (const Case& c : cases) {
      model.SetOrder({0, 1, 2, 3, 4});
      model.MoveRows(c.rows, c.destination);
      QCOMPARE(names(), QString::fromLatin1(c.order));
    }
  }

  void aDragOfEntriesIsAMoveAndFilesFromOutsideAreAdded() {
    TPictureList list;
    TPictureModel& model = *list.Model();
    model.AddPaths({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"});
    // The payload names the entries, not their rows, and is refused by another list.
    std::unique_ptr<QMimeData> mime(model.mimeData({model.index(3), model.index(1)}));
    TPictureModel other;
    other.AddPaths({"/q/x.jpg"});
    QVERIFY(!other.dropMimeData(mime.get(), Qt::MoveAction, 0, 0, {}));
    QCOMPARE(other.rowCount(), 1);

    QVERIFY(model.dropMimeData(mime.get(), Qt::MoveAction, 0, 0, {}));
    QCOMPARE(Captions(list), QStringList({"b.jpg", "d.jpg", "a.jpg", "c.jpg"}));
    QCOMPARE(QString::fromStdString(list.ExportEntries()[1].path), QString("/p/d.jpg"));
    // A move is undone like any other change of the list.
    list.UndoStack()->undo();
    QCOMPARE(Captions(list), QStringList({"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/p/new.png"), QUrl("https://example.com/x.jpg")});
    QVERIFY(model.dropMimeData(&files, Qt::CopyAction, -1, 0, {}));
    QCOMPARE(Captions(list).last(), QString("new.png"));
    QCOMPARE(list.count(), 5);
    list.WaitForThumbnails();
  }

  void dropPositionFollowsTheCellUnderTheMouse() {
    TPictureList list;
    list.resize(2 * kIconSpacingX + 40, 3 * kIconSpacingY);
    list.show();
    list.Model()->AddPaths({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    QApplication::processEvents();
    const QRect first = list.visualRect(list.Model()->index(0));
    const QRect second = list.visualRect(list.Model()->index(1));
    QCOMPARE(second.top(), first.top());  // two columns
    QCOMPARE(list.DropRow(first.center() - QPoint(20, 0)), 0);
    QCOMPARE(list.DropRow(first.center() + QPoint(20, 0)), 1);
    QCOMPARE(list.DropRow(second.center() + QPoint(20, 0)), 2);
    QCOMPARE(list.DropRow(QPoint(5, list.viewport()->height() - 2)), 3);
    list.WaitForThumbnails();
  }

  void theSelectionIsRemovedAndTurnedAsOneAndUndone() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(20, 20, Qt::green));
    TPictureList list;
    list.resize(400, 400);
    list.show();
    for (const char* name : {"a", "b", "c", "d", "e"})
      list.Model()->AddPaths({folder.Path(QString::fromLatin1(name) + ".png")});
    list.Model()->AddPaths({a});
    list.WaitForThumbnails();
    const auto select = [&](std::initializer_list<int> rows) {
      list.selectionModel()->clear();
      for (int r : rows)
        list.selectionModel()->select(list.Model()->index(r), QItemSelectionModel::Select);
    };

    // Ctrl+R turns every selected entry a quarter clockwise; one undo turns them all back.
    select({1, 3, 5});
    QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(list.EntryAngle(1), 270);
    QCOMPARE(list.EntryAngle(3), 270);
    QCOMPARE(list.EntryAngle(5), 270);
    QCOMPARE(list.EntryAngle(0), 0);
    QTest::keyClick(&list, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(list.EntryAngle(5), 360);  // 270 turned back counter-clockwise
    list.UndoStack()->undo();
    QCOMPARE(list.EntryAngle(5), 270);
    list.UndoStack()->undo();
    QCOMPARE(list.EntryAngle(3), 0);
    list.WaitForThumbnails();
    // The turned-back thumbnail is the one the file gives unturned.
    QCOMPARE(list.EntryThumbnail(5), MakeEntryThumbnail(a, 0));

    // A button on a selected entry acts on the whole selection, on another only on its own.
    select({0, 2});
    list.ClickButton(2, TEntryButton::RotateLeft);
    QCOMPARE(list.EntryAngle(0), 90);
    QCOMPARE(list.EntryAngle(2), 90);
    list.ClickButton(4, TEntryButton::RotateLeft);
    QCOMPARE(list.EntryAngle(4), 90);
    QCOMPARE(list.EntryAngle(3), 0);

    // Delete removes the selection; undo brings every entry back in its place, turn included.
    select({0, 2, 3});
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(Captions(list), QStringList({"b.png", "e.png", "a.png"}));
    list.ClickButton(1, TEntryButton::Remove);
    QCOMPARE(Captions(list), QStringList({"b.png", "a.png"}));
    list.UndoStack()->undo();
    list.UndoStack()->undo();
    QCOMPARE(Captions(list), QStringList({"a.png", "b.png", "c.png", "d.png", "e.png", "a.png"}));
    QCOMPARE(list.EntryAngle(0), 90);
    QCOMPARE(list.EntryAngle(2), 90);
    QCOMPARE(list.EntryThumbnail(5), MakeEntryThumbnail(a, 0));
    list.WaitForThumbnails();
  }

  void clearingCanBeUndoneWithEveryTurnAndThumbnail() {
    TTestFolder folder;
    const QString a = folder.Picture("a.png", SolidPicture(30, 20, Qt::green));
    TPictureList list;
    list.Model()->AddPaths({a, folder.Path("missing.jpg"), a});
    list.TurnEntry(2, true);
    list.WaitForThumbnails();
    const QImage turned = list.EntryThumbnail(2);
    list.ClearPictures();
    QCOMPARE(list.count(), 0);
    QVERIFY(list.HintPanel()->isVisibleTo(&list));
    list.UndoStack()->undo();
    QCOMPARE(Captions(list), QStringList({"a.png", "missing.jpg", "a.png"}));
    QCOMPARE(list.EntryAngle(2), 90);
    QCOMPARE(list.EntryThumbnail(2), turned);
    QCOMPARE(list.EntryThumbnail(1), PlaceholderThumbnail());
    QVERIFY(!list.HintPanel()->isVisibleTo(&list));
    // And again, cleared while the thumbnails are still being made.
    list.Model()->AddPaths({a, a});
    list.ClearPictures();
    list.UndoStack()->undo();
    list.WaitForThumbnails();
    QCOMPARE(list.count(), 5);
    QCOMPARE(list.EntryThumbnail(4), list.EntryThumbnail(0));
  }

  void hoverButtonsLieOverTheCaptionStripAndCarryTheirTips() {
    TTestFolder folder;
    TPictureList list;
    list.resize(400, 400);
    list.show();
    list.Model()->AddPaths({folder.Picture("a.png", SolidPicture(20, 20, Qt::green))});
    list.WaitForThumbnails();
    QApplication::processEvents();
    const QRect icon = TPictureList::IconRect(list.visualRect(list.Model()->index(0)));
    const QRect strip = TPictureList::ToolbarRect(icon);
    QVERIFY(icon.contains(strip));
    QVERIFY(strip.top() >= icon.bottom() - 25);
    const QStringList tips = {U("逆时针旋转图片"), U("顺时针旋转图片"), U("编辑图片"),
                              U("从列表中移除图片")};
    for (int i = 0; i < 4; ++i) {
      const QRect button = TPictureList::ButtonRect(strip, TEntryButton(i));
      QVERIFY(strip.contains(button));
      QCOMPARE(list.ButtonAt(button.center()), TEntryButton(i));
      QCOMPARE(TPictureList::ButtonTip(TEntryButton(i)), tips[i]);
    }
    QCOMPARE(list.ButtonAt(icon.center()), TEntryButton::None);
    // A click on the right-turn button turns; the disabled edit button does nothing.
    const QPoint right = TPictureList::ButtonRect(strip, TEntryButton::RotateRight).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, right);
    QCOMPARE(list.EntryAngle(0), 270);
    list.ClickButton(0, TEntryButton::Edit);
    QCOMPARE(list.EntryAngle(0), 270);
    QCOMPARE(list.count(), 1);
    list.WaitForThumbnails();
  }
};

std::unique_ptr<QObject> MakePictureListTests() { return std::make_unique<PictureListTest>(); }

#include "PictureListTest.moc"
