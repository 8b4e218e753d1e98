#include "backends/qt/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include "backends/qt/RuntimeFolder.h"
#include "port/Platform.h"

namespace kelvra::qt {

namespace {
constexpr int handOverTimeoutMs = 2000;
constexpr int connectAttempts = 10;
constexpr int streamVersion = QDataStream::Qt_6_0;
constexpr int backlog = 16;
// After a descriptor shortage, and after a failed listen.
constexpr int retryMs = 500;
constexpr int relistenMs = 5000;

}  // namespace

SingleInstance::SingleInstance(QString runtimeDir, QObject* parent)
    : QObject(parent), dir_(std::move(runtimeDir)) {
    if (dir_.isEmpty()) {
        const QString cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        auto folder =
            RuntimeFolder::choose(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(),
                                  cache.isEmpty() ? QString() : cache + "/kelvra/instance");
        dir_ = folder.path;
        warning_ = folder.warning;
    }
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &SingleInstance::resume);
}

SingleInstance::~SingleInstance() {
    // Taken out first: deleting a peer reports its disconnection to finish().
    qDeleteAll(std::exchange(peers_, {}));
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(QFile::encodeName(socketPath()).constData());
    }
    // Closing lets go of the lock. The file stays: removing it could let a later start
    // lock a fresh file while another still waits on the old one.
    if (lockFd_ >= 0) ::close(lockFd_);
}

QString SingleInstance::socketPath() const {
    return QDir(dir_).filePath("kelvra.sock");
}

SingleInstance::Role SingleInstance::claim(const QStringList& arguments) {
    if (dir_.isEmpty()) {
        error_ = QStringLiteral("no private folder for the instance lock and socket");
        return Role::primary;
    }
    const QByteArray path = QFile::encodeName(QDir(dir_).filePath("kelvra.lock"));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && errno == EACCES) {
        // A lock file we may not open (its mode was changed): the folder is ours, so
        // make a new one rather than be kept out by it.
        ::unlink(path.constData());
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (fd < 0) {
        error_ = QStringLiteral("cannot open the instance lock %1: %2")
                     .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
        // Better a second instance than none at all.
        return Role::primary;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return handOver(arguments) ? Role::secondary : Role::failed;
        error_ = QStringLiteral("cannot take the instance lock %1: %2")
                     .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(err)));
        return Role::primary;
    }
    lockFd_ = fd;
    // The process id is for people looking; the kernel's lock is what counts.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] auto written = ::write(fd, pid.constData(), pid.size());
    }
    if (!listen()) {
        // error() says why; the retries stay quiet until the trouble is over.
        troubleLogged_ = true;
        retry_.start(relistenMs);
    }
    return Role::primary;
}

bool SingleInstance::listen() {
    const QByteArray path = QFile::encodeName(socketPath());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<size_t>(path.size()) >= sizeof address.sun_path) {
        error_ = QStringLiteral("cannot listen on %1: the path is too long").arg(socketPath());
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // A socket file of a crashed instance would make bind() fail; we hold the lock,
    // so nobody else is using it. The folder is private, so the moment between
    // bind() and chmod() lets nobody else in.
    ::unlink(path.constData());
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), 0600) != 0 || ::listen(fd, backlog) != 0) {
        error_ = QStringLiteral("cannot listen on %1: %2")
                     .arg(socketPath(), QString::fromLocal8Bit(std::strerror(errno)));
        if (fd >= 0) ::close(fd);
        return false;
    }
    listenFd_ = fd;
    acceptor_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(acceptor_.get(), &QSocketNotifier::activated, this, &SingleInstance::acceptPending);
    return true;
}

void SingleInstance::acceptPending() {
    while (peers_.size() < maxPeers) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            adopt(fd);
            continue;
        }
        const int err = errno;
        if (err == EINTR || err == ECONNABORTED) continue;
        if (err == EAGAIN || err == EWOULDBLOCK) return;
        acceptor_->setEnabled(false);
        retry_.start(retryMs);
        if (err == EMFILE || err == ENFILE || err == ENOBUFS || err == ENOMEM) {
            // The connection waits in the backlog; try again once something is freed.
            if (!troubleLogged_) {
                logLine("cannot accept a later start's connection (" +
                        std::string(std::strerror(err)) + "); trying again");
            }
            troubleLogged_ = true;
            return;
        }
        // Anything else means the listening socket itself is broken: make a new one.
        logLine("the instance socket failed (" + std::string(std::strerror(err)) +
                "); listening anew");
        stopListening();
        return;
    }
    // At the bound: later connections wait in the kernel's backlog until a peer is done.
    acceptor_->setEnabled(false);
}

void SingleInstance::stopListening() {
    acceptor_.reset();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
}

void SingleInstance::resume() {
    if (listenFd_ < 0) {
        if (!listen()) {
            if (!troubleLogged_) logLine(error_.toStdString() + "; trying again");
            troubleLogged_ = true;
            retry_.start(relistenMs);
            return;
        }
        error_.clear();
        troubleLogged_ = false;
    }
    acceptor_->setEnabled(true);
    acceptPending();
}

void SingleInstance::adopt(int fd) {
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
        ::close(fd);
        delete socket;
        return;
    }
    peers_.insert(socket);
    // A peer that connects and sends nothing must not hold a descriptor for ever.
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, this, [this, socket] { finish(socket); });
    idle->start(idleTimeoutMs_);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { finish(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    if (socket->bytesAvailable() > 0) read(socket);
}

void SingleInstance::finish(QLocalSocket* socket) {
    if (!peers_.remove(socket)) return;
    socket->abort();
    socket->deleteLater();
    // A place is free again (unless we are waiting out a shortage).
    if (acceptor_ && !retry_.isActive()) {
        acceptor_->setEnabled(true);
        acceptPending();
    }
}

void SingleInstance::read(QLocalSocket* socket) {
    if (socket->bytesAvailable() > maxMessageSize) {
        logLine("refused a later start's arguments: more than " + std::to_string(maxMessageSize) +
                " bytes");
        finish(socket);
        return;
    }
    // The list's length comes first and each string takes four bytes at least: a length
    // no allowed message can hold is garbage, dropped before QDataStream reserves room
    // for it (four bytes sent would otherwise ask for up to a hundred gigabytes).
    const QByteArray head = socket->peek(sizeof(quint32));
    if (head.size() == sizeof(quint32) &&
        qFromBigEndian<quint32>(head.constData()) > maxMessageSize / sizeof(quint32)) {
        finish(socket);
        return;
    }
    QDataStream in(socket);
    in.setVersion(streamVersion);
    in.startTransaction();
    QStringList arguments;
    in >> arguments;
    // Incomplete: wait for the rest. Garbage: drop the connection.
    if (!in.commitTransaction()) {
        if (in.status() == QDataStream::ReadCorruptData) finish(socket);
        return;
    }
    troubleLogged_ = false;
    finish(socket);
    if (onArguments) onArguments(arguments);
}

bool SingleInstance::handOver(const QStringList& arguments) {
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << arguments;
    // The running instance would refuse it: say so here rather than pass in silence.
    if (message.size() > maxMessageSize) {
        error_ = QStringLiteral(
                     "the arguments are too long to hand to the running instance "
                     "(%1 bytes encoded, at most %2)")
                     .arg(message.size())
                     .arg(maxMessageSize);
        return false;
    }
    QLocalSocket socket;
    // The first instance may have taken the lock but not be listening yet.
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(handOverTimeoutMs / connectAttempts)) break;
        QThread::msleep(handOverTimeoutMs / connectAttempts);
    }
    if (socket.state() != QLocalSocket::ConnectedState) {
        error_ = QStringLiteral("another instance is running but does not answer on %1")
                     .arg(socketPath());
        return false;
    }
    socket.write(message);
    if (!socket.waitForBytesWritten(handOverTimeoutMs)) {
        error_ = QStringLiteral("could not hand the arguments over: %1").arg(socket.errorString());
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

QStringList SingleInstance::urlsIn(const QStringList& arguments) {
    QStringList urls;
    for (const auto& a : arguments) {
        if (a.startsWith(QLatin1String("kelvra:"), Qt::CaseInsensitive)) urls << a;
    }
    return urls;
}

}  // namespace kelvra::qt
