#pragma once

#include <QLocalSocket>
#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

namespace kelvra::qt {

// One running instance per user session. The first instance holds a lock on a file
// (flock: the kernel lets go of it when the process ends, however it ends, so neither
// a crash nor a lock file left empty or garbled keeps a later start out) and listens
// on a local socket in the user's runtime folder; a later start hands its arguments
// over that socket and exits. The socket is reachable by the user only.
class SingleInstance final : public QObject {
    Q_OBJECT
  public:
    enum class Role {
        primary,    // this process is the instance; arguments of later starts arrive
        secondary,  // another instance runs and received the arguments: exit
        failed,     // another instance holds the lock but did not take the arguments (or
                    // they were too long to hand over)
    };

    // Handed-over arguments larger than this (encoded) are refused by both sides.
    static constexpr qint64 maxMessageSize = 64 * 1024;
    // Connections served at once; more wait in the kernel's backlog.
    static constexpr qsizetype maxPeers = 8;
    // A connection that has not sent its arguments by then is closed.
    static constexpr int defaultIdleTimeoutMs = 3000;

    // `runtimeDir` empty: $XDG_RUNTIME_DIR, or a private per-user folder in the temp
    // folder (see RuntimeFolder).
    explicit SingleInstance(QString runtimeDir = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Decides the role; `arguments` are the ones to hand over (without the program).
    Role claim(const QStringList& arguments);
    // Why claim() failed, or why the primary instance could not listen.
    const QString& error() const { return error_; }
    // Why the usual runtime folder was refused, for the user to see; empty when not.
    const QString& warning() const { return warning_; }

    // Receives the arguments of every later start, on the main thread.
    std::function<void(const QStringList&)> onArguments;

    // The arguments that are URLs of our own scheme ("kelvra:..."), in order.
    static QStringList urlsIn(const QStringList& arguments);

    QString socketPath() const;
    void setIdleTimeout(int ms) { idleTimeoutMs_ = ms; }

  private:
    bool handOver(const QStringList& arguments);
    bool listen();
    void stopListening();
    void acceptPending();
    // After a shortage or a broken socket: listen anew if needed and accept again.
    void resume();
    void adopt(int fd);
    void read(QLocalSocket* socket);
    void finish(QLocalSocket* socket);

    QString dir_;
    int lockFd_ = -1;
    // Our own listening socket rather than QLocalServer's, which closes and deletes
    // the socket file for good when an accept fails (out of descriptors).
    int listenFd_ = -1;
    std::unique_ptr<QSocketNotifier> acceptor_;
    QSet<QLocalSocket*> peers_;
    QTimer retry_;
    int idleTimeoutMs_ = defaultIdleTimeoutMs;
    // One log line per spell of trouble (a shortage, a socket that cannot listen).
    bool troubleLogged_ = false;
    QString error_;
    QString warning_;
};

}  // namespace kelvra::qt
