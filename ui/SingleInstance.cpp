#include "ui/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <memory>

#include "core/Platform.h"

namespace pixmira {

namespace {

constexpr char kTag[] = "PIXMIRA-ACTIVATE-1";
// A later start sends a few paths; anything far larger is not one of ours.
constexpr qsizetype kMaxMessage = 16 * 1024 * 1024;
constexpr int kTimeoutMs = 2000;

}  // namespace

QString SingleInstanceName() {
  // In the user's private runtime folder, so another login can neither take the name nor
  // listen in on the hand-over; the shared temporary folder, per user, only as a fallback.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (!runtime.isEmpty() && QDir(runtime).exists())
    return QDir(runtime).filePath(QStringLiteral("TQivMainFormMutex"));
  return QStringLiteral("TQivMainFormMutex-%1").arg(static_cast<qulonglong>(platform::UserKey()));
}

// Framing: four bytes of length (big-endian), then the tag and each path in UTF-8, every one
// ended by a zero byte (a path cannot hold one). Plain bytes, so a damaged message can only
// fail to decode, never make us allocate by a count it claims.
QByteArray EncodeHandOver(const QStringList& paths) {
  QByteArray body(kTag);
  body.append('\0');
  for (const QString& path : paths) {
    body.append(path.toUtf8());
    body.append('\0');
  }
  QByteArray message(4, '\0');
  const quint32 size = quint32(body.size());
  for (int i = 0; i < 4; ++i) message[i] = char((size >> (8 * (3 - i))) & 0xFF);
  return message + body;
}

bool DecodeHandOver(const QByteArray& bytes, QStringList& paths) {
  if (bytes.size() < 4) return false;
  quint32 size = 0;
  for (int i = 0; i < 4; ++i) size = (size << 8) | quint8(bytes[i]);
  if (size > kMaxMessage || bytes.size() - 4 < qsizetype(size)) return false;
  const QByteArray body = bytes.mid(4, size);
  if (!body.endsWith('\0')) return false;
  QList<QByteArray> parts = body.chopped(1).split('\0');
  if (parts.isEmpty() || parts.takeFirst() != kTag) return false;
  QStringList decoded;
  for (const QByteArray& part : parts) {
    if (part.isEmpty()) return false;
    decoded << QString::fromUtf8(part);
  }
  paths = decoded;
  return true;
}

QString SingleInstanceLockFile(const QString& name) {
  if (QDir::isAbsolutePath(name)) return name + QStringLiteral(".lock");
  return QDir::temp().filePath(name + QStringLiteral(".lock"));
}

TSingleInstance::TSingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)), lock_(SingleInstanceLockFile(name_)) {
  // Never stale by age: only when the process that took it is gone.
  lock_.setStaleLockTime(0);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
}

TSingleInstance::Role TSingleInstance::Claim(const QStringList& paths) {
  QStringList absolute;
  for (const QString& path : paths) absolute << QFileInfo(path).absoluteFilePath();

  QElapsedTimer waited;
  waited.start();
  for (;;) {
    if (lock_.tryLock(0)) {
      // Only the lock's holder gets here, so whatever socket file is there was left by an
      // instance that is gone.
      QLocalServer::removeServer(name_);
      server_.listen(name_);
      return Role::First;
    }
    if (lock_.error() != QLockFile::LockFailedError) {
      // No lock can be made at all (a folder we cannot write): run rather than refuse to.
      server_.listen(name_);
      return Role::First;
    }
    if (HandOver(absolute)) return Role::Second;
    // The holder is still starting, or has just ended and let go of the lock.
    if (waited.elapsed() > kTimeoutMs) return Role::Second;
    QThread::msleep(50);
  }
}

bool TSingleInstance::HandOver(const QStringList& paths) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(200)) return false;
  socket.write(EncodeHandOver(paths));
  const bool sent = socket.waitForBytesWritten(kTimeoutMs);
  // Wait until the running instance has read the message and let go.
  if (sent && socket.state() == QLocalSocket::ConnectedState)
    socket.waitForDisconnected(kTimeoutMs);
  socket.abort();
  return sent;
}

void TSingleInstance::OnNewConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    auto buffer = std::make_shared<QByteArray>();
    QPointer<QLocalSocket> guard(socket);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
      buffer->append(socket->readAll());
      if (buffer->size() > kMaxMessage + 4) {
        socket->abort();
        return;
      }
      QStringList paths;
      if (DecodeHandOver(*buffer, paths)) {
        buffer->clear();
        socket->disconnectFromServer();
        emit activationRequested(paths);
      }
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that never sends anything is dropped after a while.
    QTimer::singleShot(10000, socket, [guard] {
      if (guard) guard->abort();
    });
  }
}

}  // namespace pixmira
