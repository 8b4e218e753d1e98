#include "backends/wayland/BridgeService.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusServer>
#include <QFile>
#include <chrono>

#include "backends/wayland/BridgeEndpoint.h"
#include "port/Platform.h"

namespace kelvra::wayland {

namespace {
const QString serviceName = QStringLiteral("io.github.kelvra.Bridge");
const QString objectPath = QStringLiteral("/Bridge");
// A connection of its own: its calls are delivered on the service's thread.
const QString connectionName = QStringLiteral("kelvra-bridge");

// The direct connection's socket, in the runtime folder when that is a folder only this
// user may enter (as the session manager makes it); empty otherwise.
QString directSocketPath() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime.isEmpty() || ::lstat(runtime.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 0077) != 0)
        return {};
    return QFile::decodeName(runtime) + QStringLiteral("/kelvra-bridge");
}
}  // namespace

QString BridgeEndpoint::pass(const QString& method) {
    setDelayedReply(true);
    service_.received({method, message(), connection()});
    return {};
}

QString BridgeEndpoint::Hello(const QString&) {
    return pass(QStringLiteral("Hello"));
}
QString BridgeEndpoint::Event(const QString&) {
    return pass(QStringLiteral("Event"));
}
QString BridgeEndpoint::Poll(const QString&) {
    return pass(QStringLiteral("Poll"));
}

BridgeService::BridgeService(bridge::BridgeSession& session)
    : session_(session),
      bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)) {}

BridgeService::~BridgeService() {
    // Closes the direct connections and removes the socket, on the thread it serves.
    if (peerServer_) {
        QMetaObject::invokeMethod(
            endpoint_, [this] { peerServer_.reset(); }, Qt::BlockingQueuedConnection);
    }
    if (registered_) {
        bus_.unregisterObject(objectPath);
        bus_.unregisterService(serviceName);
    }
    thread_.quit();
    thread_.wait();
    delete endpoint_;
    QDBusConnection::disconnectFromBus(connectionName);
}

bool BridgeService::start() {
    if (!bus_.isConnected()) {
        logLine("no session bus: the compositor's bridge cannot reach Kelvra");
        return false;
    }
    endpoint_ = new BridgeEndpoint(*this);
    endpoint_->moveToThread(&thread_);
    thread_.start();
    if (!bus_.registerObject(objectPath, endpoint_, QDBusConnection::ExportAllSlots)) {
        logLine("cannot export the bridge's object on the session bus");
        return false;
    }
    if (!bus_.registerService(serviceName)) {
        bus_.unregisterObject(objectPath);
        logLine("another program holds " + serviceName.toStdString() +
                " on the session bus: is Kelvra running twice?");
        return false;
    }
    registered_ = true;
    return true;
}

void BridgeService::offerDirectConnection() {
    const QString path = directSocketPath();
    if (path.isEmpty()) {
        logLine("no private runtime folder: the bridge reaches Kelvra through the bus only");
        return;
    }
    // Left by an instance that ended without removing it: this one holds the bus name now.
    ::unlink(QFile::encodeName(path).constData());
    // Same-user peers only: the server takes no anonymous clients and checks the peer's
    // user on the socket.
    auto server = std::make_unique<QDBusServer>(QStringLiteral("unix:path=") + path);
    if (!server->isConnected()) {
        logLine("cannot listen on " + path.toStdString() + " (" +
                server->lastError().message().toStdString() + "): the bridge uses the bus");
        return;
    }
    // A new connection is announced on the server's thread and dispatches nothing before
    // that is done: on the bus object's thread, which never waits for the bridge (the main
    // thread may, for results the new connection brings), its object is exported at once.
    server->moveToThread(&thread_);
    connect(server.get(), &QDBusServer::newConnection, this, &BridgeService::peerConnected,
            Qt::DirectConnection);
    session_.offerPeer(server->address().toStdString());
    peerServer_ = std::move(server);
}

void BridgeService::peerConnected(const QDBusConnection& peer) {
    QDBusConnection connection(peer);
    if (!connection.registerObject(objectPath, endpoint_, QDBusConnection::ExportAllSlots)) {
        logLine("cannot export the bridge's object on its direct connection");
        QDBusConnection::disconnectFromPeer(connection.name());
        return;
    }
    // One bridge at a time: a newer connection is a bridge that started over. (Only this
    // thread touches the name.)
    if (!peerName_.isEmpty()) QDBusConnection::disconnectFromPeer(peerName_);
    peerName_ = connection.name();
}

void BridgeService::received(Call call) {
    {
        std::lock_guard lock(mutex_);
        inbox_.push_back(std::move(call));
    }
    arrived_.notify_one();
    QMetaObject::invokeMethod(
        this, [this] { drain(); }, Qt::QueuedConnection);
}

void BridgeService::drain() {
    for (;;) {
        std::unique_lock lock(mutex_);
        if (inbox_.empty()) return;
        const Call call = std::move(inbox_.front());
        inbox_.pop_front();
        lock.unlock();
        answer(call);
    }
}

void BridgeService::answer(const Call& call) {
    const std::string text = call.message.arguments().value(0).toString().toStdString();
    QDBusConnection bus = call.connection;
    QDBusMessage message = call.message;
    auto reply = [bus, message](const std::string& answer) mutable {
        bus.send(message.createReply(QString::fromStdString(answer)));
    };
    if (call.method == QLatin1String("Hello")) {
        reply(session_.hello(text));
    } else if (call.method == QLatin1String("Event")) {
        session_.event(text, reply);
    } else {
        session_.poll(text, reply);
    }
}

bool BridgeService::waitUntil(const std::function<bool()>& done, int ms) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        drain();
        if (done()) return true;
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_until(lock, end, [this] { return !inbox_.empty(); })) return done();
    }
}

}  // namespace kelvra::wayland
