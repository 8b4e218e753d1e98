#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "backends/bridge/BridgeSession.h"
#include "backends/wayland/BridgeWait.h"

class QDBusServer;

namespace kelvra::wayland {

class BridgeEndpoint;

// The session-bus service the compositor's bridge calls (docs/bridge-protocol.md). The
// bus object lives on a thread of its own and only passes each call on; the session
// answers them on the main thread, from the run loop or while a port waits for the
// bridge. Every answer is a delayed reply, a poll's possibly much later, on the connection
// the call came over. Besides the bus, the same object is offered on a direct connection
// (a private socket named in the welcome): the bridge's calls and Kelvra's answers then
// skip the bus daemon, a hop each way on every shortcut.
class BridgeService final : public QObject, public BridgeWait {
    Q_OBJECT

  public:
    explicit BridgeService(bridge::BridgeSession& session);
    ~BridgeService() override;

    // Claims the bus name and exports the object; false, after a log line, when another
    // program (another Kelvra, say) holds the name or there is no session bus.
    bool start();
    // After start(), for a bridge that can connect directly (GNOME's; KWin's scripts can
    // only call the bus): listens on a socket in the runtime folder, which only its user
    // may enter, and names it in every welcome. The bus alone serves when that fails.
    void offerDirectConnection();
    bool waitUntil(const std::function<bool()>& done, int ms) override;

  private:
    friend class BridgeEndpoint;
    struct Call {
        QString method;
        QDBusMessage message;
        QDBusConnection connection;  // the answer goes back over it
    };
    // From the bus thread.
    void received(Call call);
    // Answers every call received so far, in order.
    void drain();
    void answer(const Call& call);
    void peerConnected(const QDBusConnection& peer);

    bridge::BridgeSession& session_;
    QDBusConnection bus_;
    QThread thread_;
    BridgeEndpoint* endpoint_ = nullptr;
    bool registered_ = false;
    std::unique_ptr<QDBusServer> peerServer_;
    QString peerName_;  // the bridge's direct connection, the latest one
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Call> inbox_;
};

}  // namespace kelvra::wayland
