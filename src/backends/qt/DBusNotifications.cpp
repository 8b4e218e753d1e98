#include "backends/qt/DBusNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

#include "port/Platform.h"

namespace kelvra::qt {

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// A server that does not answer within this leaves the telling to the tray.
constexpr int answerTimeoutMs = 2000;
}  // namespace

DBusNotifications::DBusNotifications() = default;

bool DBusNotifications::show(const port::Notification& notification) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    // Neither running nor startable: no waiting on an activation that cannot happen.
    auto* names = bus.interface();
    if (!names) return false;
    const QDBusReply<QStringList> startable = names->call(QStringLiteral("ListActivatableNames"));
    if (!names->isServiceRegistered(service).value() &&
        !(startable.isValid() && startable.value().contains(service)))
        return false;
    if (!listening_) {
        listening_ = bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                                 SLOT(actionInvoked(uint, QString)));
    }
    QStringList actions;
    for (const auto& [id, label] : notification.actions)
        actions << QString::fromStdString(id) << QString::fromStdString(label);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("kelvra"));
    auto call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Kelvra") << uint(0) << QStringLiteral("kelvra")
         << QString::fromStdString(notification.title) << QString::fromStdString(notification.body)
         << actions << hints << int(-1);
    const QDBusReply<uint> id = bus.call(call, QDBus::Block, answerTimeoutMs);
    if (!id.isValid()) {
        logLine("the notification server refused: " + id.error().message().toStdString());
        return false;
    }
    ours_.insert(id.value());
    return true;
}

Subscription DBusNotifications::onAction(std::function<void(const std::string&)> listener) {
    return chosen_.connect(std::move(listener));
}

void DBusNotifications::actionInvoked(uint id, const QString& action) {
    if (ours_.contains(id)) chosen_.emit(action.toStdString());
}

}  // namespace kelvra::qt
