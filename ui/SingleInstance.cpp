#include "ui/SingleInstance.h"

#include <unistd.h>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

namespace pixmira {

namespace {

constexpr quint32 kMagic = 0x50584D31;  // "PXM1"
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
  return QStringLiteral("TQivMainFormMutex-%1").arg(static_cast<qulonglong>(::getuid()));
}

QByteArray EncodeHandOver(const QStringList& paths) {
  QByteArray body;
  {
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << paths;
  }
  QByteArray message;
  QDataStream out(&message, QIODevice::WriteOnly);
  out << quint32(body.size());
  message.append(body);
  return message;
}

bool DecodeHandOver(const QByteArray& bytes, QStringList& paths) {
  if (bytes.size() < 4) return false;
  QDataStream in(bytes);
  quint32 size = 0;
  in >> size;
  if (size > kMaxMessage || bytes.size() - 4 < qsizetype(size)) return false;
  QDataStream body(bytes.mid(4, size));
  body.setVersion(QDataStream::Qt_6_0);
  quint32 magic = 0;
  QStringList decoded;
  body >> magic >> decoded;
  if (body.status() != QDataStream::Ok || magic != kMagic) return false;
  paths = decoded;
  return true;
}

TSingleInstance::TSingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
}

TSingleInstance::Role TSingleInstance::Claim(const QStringList& paths) {
  QStringList absolute;
  for (const QString& path : paths) absolute << QFileInfo(path).absoluteFilePath();

  QLocalSocket socket;
  socket.connectToServer(name_);
  if (socket.waitForConnected(kTimeoutMs)) {
    socket.write(EncodeHandOver(absolute));
    bool sent = socket.waitForBytesWritten(kTimeoutMs);
    // Wait until the running instance has read the message and let go.
    if (sent && socket.state() == QLocalSocket::ConnectedState)
      socket.waitForDisconnected(kTimeoutMs);
    socket.abort();
    if (sent) return Role::Second;
  }
  // Nobody answers: whatever socket file is there was left by an instance that is gone.
  QLocalServer::removeServer(name_);
  server_.listen(name_);
  return Role::First;
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
