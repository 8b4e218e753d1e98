#include "platform/qt/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include "platform/qt/RuntimeFolder.h"

namespace kelvra::qt {

namespace {
constexpr int handOverTimeoutMs = 2000;
constexpr int connectAttempts = 10;
constexpr int streamVersion = QDataStream::Qt_6_0;

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
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() {
    server_.close();
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
    listen();
    return Role::primary;
}

void SingleInstance::listen() {
    // A socket file of a crashed instance would make listen() fail; we hold the lock,
    // so nobody else is using it.
    QLocalServer::removeServer(socketPath());
    if (!server_.listen(socketPath())) {
        error_ = QStringLiteral("cannot listen on %1: %2").arg(socketPath(), server_.errorString());
    }
}

bool SingleInstance::handOver(const QStringList& arguments) {
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
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << arguments;
    socket.write(message);
    if (!socket.waitForBytesWritten(handOverTimeoutMs)) {
        error_ = QStringLiteral("could not hand the arguments over: %1").arg(socket.errorString());
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            if (socket->bytesAvailable() > maxMessageSize) {
                socket->abort();
                return;
            }
            QDataStream in(socket);
            in.setVersion(streamVersion);
            in.startTransaction();
            QStringList arguments;
            in >> arguments;
            // Incomplete: wait for the rest. Garbage: drop the connection.
            if (!in.commitTransaction()) {
                if (in.status() == QDataStream::ReadCorruptData) socket->abort();
                return;
            }
            socket->disconnectFromServer();
            if (onArguments) onArguments(arguments);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) read();
    }
}

QStringList SingleInstance::urlsIn(const QStringList& arguments) {
    QStringList urls;
    for (const auto& a : arguments) {
        if (a.startsWith(QLatin1String("kelvra:"), Qt::CaseInsensitive)) urls << a;
    }
    return urls;
}

}  // namespace kelvra::qt
