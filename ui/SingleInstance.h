#pragma once
// At most one running program per user: the first start listens on a local socket; a later
// start connects, hands over its file arguments and a request to come to the front, and ends.
#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QStringList>

namespace pixmira {

// "TQivMainFormMutex" in the user's runtime folder (else in the temporary folder, with the
// user's id).
QString SingleInstanceName();

class TSingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Role { First, Second };

  explicit TSingleInstance(QString name, QObject* parent = nullptr);

  // Second: a running instance took paths and was asked to come to the front. First: this
  // process is the running instance now (a socket left by a crashed one is cleared away).
  Role Claim(const QStringList& paths = {});

  bool Listening() const { return server_.isListening(); }

 signals:
  // In the first instance, for every later start.
  void activationRequested(const QStringList& paths);

 private:
  void OnNewConnection();

  QString name_;
  QLocalServer server_;
};

// The message a later start sends: a version tag and the paths. Exposed for the tests.
QByteArray EncodeHandOver(const QStringList& paths);
// False while the message is incomplete or when it is not ours.
bool DecodeHandOver(const QByteArray& bytes, QStringList& paths);

}  // namespace pixmira
