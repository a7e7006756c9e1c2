#pragma once
// At most one running program per user. A lock file is the mutex: the start that takes it is
// the running instance and listens on a local socket; a later start connects, hands over its
// file arguments and a request to come to the front, and ends.
#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

namespace pixmira {

// "TQivMainFormMutex" in the user's runtime folder (else in the temporary folder, with the
// user's id).
QString SingleInstanceName();
// The lock file beside the socket of that name.
QString SingleInstanceLockFile(const QString& name);

class TSingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Role { First, Second };

  explicit TSingleInstance(QString name, QObject* parent = nullptr);

  // First: this process holds the lock and listens (a socket or lock left by a crashed
  // instance is cleared away). Second: another holds it; the paths were handed over when it
  // answered within a few seconds (it may still be starting), and this start ends either way.
  Role Claim(const QStringList& paths = {});

  bool Listening() const { return server_.isListening(); }

 signals:
  // In the first instance, for every later start.
  void activationRequested(const QStringList& paths);

 private:
  void OnNewConnection();

  bool HandOver(const QStringList& paths);

  QString name_;
  QLockFile lock_;
  QLocalServer server_;
};

// The message a later start sends: a version tag and the paths. Exposed for the tests.
QByteArray EncodeHandOver(const QStringList& paths);
// False while the message is incomplete or when it is not ours.
bool DecodeHandOver(const QByteArray& bytes, QStringList& paths);

}  // namespace pixmira
