#include "backends/wayland/BridgeService.h"

#include <QDBusConnectionInterface>
#include <chrono>

#include "backends/wayland/BridgeEndpoint.h"
#include "port/Platform.h"

namespace kelvra::wayland {

namespace {
const QString serviceName = QStringLiteral("io.github.kelvra.Bridge");
const QString objectPath = QStringLiteral("/Bridge");
// A connection of its own: its calls are delivered on the service's thread.
const QString connectionName = QStringLiteral("kelvra-bridge");
}  // namespace

QString BridgeEndpoint::pass(const QString& method) {
    setDelayedReply(true);
    service_.received({method, message()});
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
        Call call;
        {
            std::lock_guard lock(mutex_);
            if (inbox_.empty()) return;
            call = std::move(inbox_.front());
            inbox_.pop_front();
        }
        answer(call);
    }
}

void BridgeService::answer(const Call& call) {
    const std::string text = call.message.arguments().value(0).toString().toStdString();
    QDBusConnection bus = bus_;
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
