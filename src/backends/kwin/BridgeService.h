#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <functional>

#include "backends/bridge/BridgeSession.h"

namespace kelvra::kwin {

// The session-bus service the compositor's bridge calls (docs/bridge-protocol.md): owns
// the protocol's bus name and object, and hands each call to the session. Polls get
// their answer later, through a delayed reply. Thin on purpose: the conversation's logic
// is the session's.
class BridgeService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.kelvra.Bridge")

  public:
    explicit BridgeService(bridge::BridgeSession& session);
    ~BridgeService() override;

    // Claims the bus name and exports the object; false, after a log line, when another
    // program (another Kelvra, say) holds the name or there is no session bus.
    bool start();
    // Runs the toolkit's event loop, the bus included, until `done` says so or `ms`
    // pass: for the port's calls that answer with what the compositor did. True when
    // `done` came true.
    static bool waitUntil(const std::function<bool()>& done, int ms);

  public Q_SLOTS:
    QString Hello(const QString& message);
    QString Event(const QString& message);
    QString Poll(const QString& message);

  private:
    bridge::BridgeSession& session_;
    bool registered_ = false;
};

}  // namespace kelvra::kwin
