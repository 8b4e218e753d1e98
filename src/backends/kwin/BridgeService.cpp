#include "backends/kwin/BridgeService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "port/Platform.h"

namespace kelvra::kwin {

namespace {
const QString serviceName = QStringLiteral("io.github.kelvra.Bridge");
const QString objectPath = QStringLiteral("/Bridge");
}  // namespace

BridgeService::BridgeService(bridge::BridgeSession& session) : session_(session) {}

BridgeService::~BridgeService() {
    if (!registered_) return;
    auto bus = QDBusConnection::sessionBus();
    bus.unregisterObject(objectPath);
    bus.unregisterService(serviceName);
}

bool BridgeService::start() {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        logLine("no session bus: the compositor's bridge cannot reach Kelvra");
        return false;
    }
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots)) {
        logLine("cannot export the bridge's object on the session bus");
        return false;
    }
    if (!bus.registerService(serviceName)) {
        bus.unregisterObject(objectPath);
        logLine("another program holds " + serviceName.toStdString() +
                " on the session bus: is Kelvra running twice?");
        return false;
    }
    registered_ = true;
    return true;
}

bool BridgeService::waitUntil(const std::function<bool()>& done, int ms) {
    if (done()) return true;
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer check;
    // The bus delivers the bridge's answer as an ordinary call into this object; the
    // check notices it within a millisecond without the caller having to signal.
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() >= ms) loop.quit();
    });
    check.start(1);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

QString BridgeService::Hello(const QString& message) {
    return QString::fromStdString(session_.hello(message.toStdString()));
}

QString BridgeService::Event(const QString& message) {
    return QString::fromStdString(session_.event(message.toStdString()));
}

QString BridgeService::Poll(const QString& message) {
    setDelayedReply(true);
    // Copied: the call's context is gone by the time the answer is ready.
    QDBusMessage call = this->message();
    QDBusConnection bus = connection();
    session_.poll(message.toStdString(), [call, bus](std::string answer) {
        bus.send(call.createReply(QString::fromStdString(answer)));
    });
    return {};
}

}  // namespace kelvra::kwin
