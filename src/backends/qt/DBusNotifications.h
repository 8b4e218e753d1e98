#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include "base/Signal.h"
#include "port/Notifications.h"

namespace kelvra::qt {

// Notifications through the desktop's notification server (org.freedesktop.Notifications
// on the session bus). An action chosen on one of this program's notifications is told;
// those of other programs are not.
class DBusNotifications final : public QObject, public port::Notifications {
    Q_OBJECT

  public:
    DBusNotifications();

    bool show(const port::Notification& notification) override;
    Subscription onAction(std::function<void(const std::string&)> listener) override;

  private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);

  private:
    bool listening_ = false;
    QSet<uint> ours_;
    Signal<std::string> chosen_;
};

}  // namespace kelvra::qt
