// One running program per user: the hand-over from a later start to the first.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>
#include <thread>

#include "UiTests.h"
#include "ui/SingleInstance.h"

using namespace pixmira;

namespace {

QString UniqueName() {
  return QStringLiteral("pixmira-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Leaves a socket file that nobody listens on, as a crashed instance would.
void MakeStaleSocket(const QString& name) {
  QLocalServer probe;
  QVERIFY(probe.listen(name));
  const QByteArray path = probe.fullServerName().toLocal8Bit();
  probe.close();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  QVERIFY(fd >= 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
  QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void aLaterStartHandsOverItsPathsAndEnds() {
    const QString name = UniqueName();
    TSingleInstance first(name);
    QCOMPARE(first.Claim(), TSingleInstance::Role::First);
    QVERIFY(first.Listening());
    QSignalSpy spy(&first, &TSingleInstance::activationRequested);

    // The later start runs in its own thread here, as it would in its own process.
    TSingleInstance::Role role = TSingleInstance::Role::First;
    std::thread later([&] {
      TSingleInstance second(name);
      role = second.Claim({QStringLiteral("/pics/a.jpg"), QStringLiteral("relative.png")});
    });
    QVERIFY(QTest::qWaitFor([&] { return spy.count() == 1; }, 10000));
    later.join();
    QCOMPARE(role, TSingleInstance::Role::Second);
    const QStringList paths = spy.at(0).at(0).toStringList();
    QCOMPARE(paths.size(), 2);
    QCOMPARE(paths[0], QStringLiteral("/pics/a.jpg"));
    // Relative paths are made whole by the start that knows its working folder.
    QCOMPARE(paths[1], QDir::current().absoluteFilePath(QStringLiteral("relative.png")));

    // And a second hand-over without paths still asks for the window.
    std::thread again([&] { role = TSingleInstance(name).Claim(); });
    QVERIFY(QTest::qWaitFor([&] { return spy.count() == 2; }, 10000));
    again.join();
    QCOMPARE(role, TSingleInstance::Role::Second);
    QVERIFY(spy.at(1).at(0).toStringList().isEmpty());
  }

  void aSocketLeftByACrashedInstanceIsTakenOver() {
    const QString name = UniqueName();
    MakeStaleSocket(name);
    TSingleInstance instance(name);
    QCOMPARE(instance.Claim(), TSingleInstance::Role::First);
    QVERIFY(instance.Listening());
  }

  void messagesThatAreNotOursAreRefused() {
    QStringList paths;
    const QByteArray good = EncodeHandOver({QStringLiteral("/x/图片.jpg")});
    QVERIFY(DecodeHandOver(good, paths));
    QCOMPARE(paths, QStringList({QStringLiteral("/x/图片.jpg")}));
    // Incomplete, foreign or absurdly long: not decoded.
    QVERIFY(!DecodeHandOver(good.left(good.size() - 1), paths));
    QVERIFY(!DecodeHandOver(QByteArray("\0\0\0\4junk", 8), paths));
    QVERIFY(!DecodeHandOver(QByteArray("\x7f\xff\xff\xff", 4), paths));
    QVERIFY(!DecodeHandOver(QByteArray(), paths));
    QVERIFY(!DecodeHandOver(QByteArray("\0\0\0\6OTHER\0", 10), paths));
    QByteArray emptyPath = EncodeHandOver({QStringLiteral("/a"), QStringLiteral("/b")});
    emptyPath.replace("/a", QByteArray("\0\0", 2));
    QVERIFY(!DecodeHandOver(emptyPath, paths));
    // Still the paths of the good message: a refused one changes nothing.
    QCOMPARE(paths, QStringList({QStringLiteral("/x/图片.jpg")}));
    QVERIFY(DecodeHandOver(EncodeHandOver({}), paths));
    QVERIFY(paths.isEmpty());
  }
};

std::unique_ptr<QObject> MakeSingleInstanceTests() {
  return std::make_unique<SingleInstanceTest>();
}

#include "SingleInstanceTest.moc"
