#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

namespace kelvra::wayland {

class BridgeService;

// The bus object of the protocol, on the service's own thread: hands each call to the
// service and leaves the answer to it.
class BridgeEndpoint final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.kelvra.Bridge")

  public:
    explicit BridgeEndpoint(BridgeService& service) : service_(service) {}

  public Q_SLOTS:
    QString Hello(const QString& message);
    QString Event(const QString& message);
    QString Poll(const QString& message);

  private:
    QString pass(const QString& method);

    BridgeService& service_;
};

}  // namespace kelvra::wayland
