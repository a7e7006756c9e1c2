// One running program per user: the hand-over from a later start to the first.
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalServer>
#include <QLockFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUuid>
#include <atomic>
#include <latch>
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

  void twoStartsAtTheSameInstantNeverGiveTwoRunningInstances() {
    for (int round = 0; round < 30; ++round) {
      const QString name = UniqueName();
      std::latch ready(2);
      std::atomic<int> firsts{0}, seconds{0}, handed{0};
      std::atomic<bool> secondEnded{false};
      const auto start = [&] {
        QEventLoop events;  // this thread's own loop, as a start's main thread has
        TSingleInstance instance(name);
        QObject::connect(&instance, &TSingleInstance::activationRequested,
                         [&](const QStringList& paths) {
                           if (paths == QStringList({QStringLiteral("/x.jpg")})) ++handed;
                         });
        ready.arrive_and_wait();
        if (instance.Claim({QStringLiteral("/x.jpg")}) == TSingleInstance::Role::Second) {
          ++seconds;
          secondEnded = true;
          return;
        }
        ++firsts;
        // The running instance keeps running until the other start has ended.
        QElapsedTimer clock;
        clock.start();
        while ((!secondEnded || handed == 0) && clock.elapsed() < 10000) {
          events.processEvents(QEventLoop::AllEvents, 5);
          if (firsts > 1) break;
          QThread::msleep(1);
        }
      };
      std::unique_ptr<QThread> a(QThread::create(start)), b(QThread::create(start));
      a->start();
      b->start();
      QVERIFY(a->wait(20000));
      QVERIFY(b->wait(20000));
      QCOMPARE(firsts.load(), 1);
      QCOMPARE(seconds.load(), 1);
      QCOMPARE(handed.load(), 1);
      QVERIFY(!QFile::exists(SingleInstanceLockFile(name)));
    }
  }

  void aLockLeftByAnInstanceThatIsGoneIsTakenOver() {
    const QString name = UniqueName();
    // A process that takes the lock and dies without letting go of it.
    const pid_t child = ::fork();
    if (child == 0) {
      QLockFile lock(SingleInstanceLockFile(name));
      _exit(lock.tryLock(0) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QVERIFY(QFile::exists(SingleInstanceLockFile(name)));
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
