#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backends/bridge/BridgeMessages.h"
#include "backends/bridge/BridgeMirror.h"
#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "base/Timer.h"
#include "port/RunLoop.h"

namespace kelvra::bridge {

// Kelvra's end of the conversation with the bridge (docs/bridge-protocol.md), free of
// the bus that carries it: hands out this instance's token, keeps the mirror up to date,
// holds the bridge's long poll until commands are queued or the poll time passes, and
// hands each command's result to the caller that sent it. Runs on the main run loop.
class BridgeSession {
  public:
    // How long a poll is held when nothing is queued; the bridge's watchdog allows more.
    // Under the bus's default reply timeout (25 s): a later answer never reaches the
    // compositor's script, which then takes Kelvra for gone and says hello again.
    static constexpr double pollSeconds = 20.0;

    BridgeSession(port::RunLoop& runLoop, std::int64_t ownPid);
    ~BridgeSession();
    BridgeSession(const BridgeSession&) = delete;
    BridgeSession& operator=(const BridgeSession&) = delete;

    const std::string& token() const { return token_; }
    // The address of a direct connection the bridge may use instead of the bus; named in
    // every welcome from now on.
    void offerPeer(std::string address) { peer_ = std::move(address); }
    const BridgeMirror& mirror() const { return mirror_; }
    // True from a welcome on, until a later hello says the bridge started over.
    bool connected() const { return connected_; }

    // The answers to the bridge's three calls. A poll is answered through `answer`, now
    // or later; a poll still held is answered (empty) when a newer one comes.
    std::string hello(std::string_view text);
    std::string event(std::string_view text);
    void poll(std::string_view text, std::function<void(std::string)> answer);
    // An event answered through `answer` with the poll's next answer, just after it, or
    // `ackSeconds` later: the commands it causes (a shortcut's press is handled a few posts
    // later) reach the bridge first, which reads its answers in order.
    void event(std::string_view text, std::function<void(std::string)> answer);
    static constexpr double ackSeconds = 0.002;

    using ResultHandler = std::function<void(const CommandResult&)>;
    // Queues a command (its id is filled in) for the next poll; `onResult`, when given,
    // receives the bridge's result. Results of commands a restarted bridge never saw do
    // not come: callers bound their wait.
    std::int64_t send(Command command, ResultHandler onResult = {});
    // Forgets the handler of a command whose result is no longer awaited.
    void forget(std::int64_t commandId);
    // Answers a held poll with the queued commands now, not after the caller's turn: for
    // a caller that waits for the result before it returns.
    void flush();

    // The windows this instance asked the compositor to activate in the last
    // `activationSeconds` that it has not reported active since, oldest first. A
    // compositor may give one the focus only after a window activated later (an X11 client
    // takes it when its server says so): that focus change is Kelvra's, not the user's.
    std::vector<std::string> activationsUnderway();
    static constexpr double activationSeconds = 1.0;

    // Every message that changed the mirror, after it was applied.
    Signal<FromBridge> changed;
    // A bridge said hello (again): ports refresh what they hold.
    Signal<> welcomed;

  private:
    void answerPoll(std::vector<Command> commands);
    void sendAcks();

    port::RunLoop& runLoop_;
    std::int64_t ownPid_;
    std::string token_;
    std::string peer_;
    BridgeMirror mirror_;
    bool connected_ = false;
    std::int64_t nextId_ = 1;
    std::vector<Command> queued_;
    std::map<std::int64_t, ResultHandler> waiting_;
    std::function<void(std::string)> heldPoll_;
    Timer pollTimer_;
    std::vector<std::pair<std::string, std::function<void(std::string)>>> acks_;
    Timer ackTimer_;
    std::vector<std::pair<std::string, double>> activations_;  // window, when asked
    LifetimeGuard lifetime_;  // last: posted flushes end before the rest goes
};

}  // namespace kelvra::bridge
