#include "backends/bridge/BridgeSession.h"

#include <algorithm>
#include <random>
#include <type_traits>
#include <utility>

#include "backends/bridge/BridgeCodec.h"

namespace kelvra::bridge {

namespace {

// 128 random bits, hex: a message meant for an earlier instance never matches.
std::string freshToken() {
    std::random_device device;
    static constexpr char digits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        auto word = device();
        for (int j = 0; j < 8; ++j, word >>= 4) token += digits[word & 0xf];
    }
    return token;
}

}  // namespace

BridgeSession::BridgeSession(port::RunLoop& runLoop, std::int64_t ownPid)
    : runLoop_(runLoop), ownPid_(ownPid), token_(freshToken()) {}

BridgeSession::~BridgeSession() = default;

std::string BridgeSession::hello(std::string_view text) {
    Decoded decoded = decodeFromBridge(text, token_);
    if (!decoded.message || !std::holds_alternative<Hello>(*decoded.message))
        return encodeToBridge(Rejected{decoded.message ? "not a hello" : decoded.error}, token_);
    // A bridge that starts over has dropped its poll and the commands it was sent.
    connected_ = true;
    if (heldPoll_) answerPoll({});
    welcomed.emit();
    return encodeToBridge(Welcome{ownPid_, peer_}, token_);
}

std::string BridgeSession::event(std::string_view text) {
    Decoded decoded = decodeFromBridge(text, token_);
    if (!decoded.message) return encodeToBridge(Rejected{decoded.error}, token_);
    const FromBridge& message = *decoded.message;
    if (std::holds_alternative<Hello>(message) || std::holds_alternative<Poll>(message))
        return encodeToBridge(Rejected{"not an event"}, token_);
    // A window the mirror does not know means it missed something: a fresh snapshot
    // after the next hello puts it right.
    if (!mirror_.apply(message)) return encodeToBridge(Rejected{"unknown window"}, token_);
    if (auto* activated = std::get_if<WindowActivated>(&message))
        std::erase_if(activations_, [&](const auto& a) { return a.first == activated->window; });
    changed.emit(message);

    std::optional<CommandResult> result;
    if (auto* r = std::get_if<CommandResult>(&message)) result = *r;
    if (auto* s = std::get_if<Snapshot>(&message); s && s->commandId)
        result = CommandResult{*s->commandId, ResultStatus::done, {}, {}, {}};
    if (result) {
        auto it = waiting_.find(result->id);
        if (it != waiting_.end()) {
            ResultHandler handler = std::move(it->second);
            waiting_.erase(it);
            if (handler) handler(*result);
        }
    }
    return encodeToBridge(Ack{}, token_);
}

void BridgeSession::event(std::string_view text, std::function<void(std::string)> answer) {
    acks_.emplace_back(event(text), std::move(answer));
    if (acks_.size() == 1) ackTimer_.once(runLoop_, ackSeconds, [this] { sendAcks(); });
}

void BridgeSession::sendAcks() {
    ackTimer_.cancel();
    for (auto& [ack, answer] : std::exchange(acks_, {})) answer(ack);
}

void BridgeSession::poll(std::string_view text, std::function<void(std::string)> answer) {
    Decoded decoded = decodeFromBridge(text, token_);
    if (!decoded.message || !std::holds_alternative<Poll>(*decoded.message)) {
        answer(encodeToBridge(Rejected{decoded.message ? "not a poll" : decoded.error}, token_));
        return;
    }
    if (heldPoll_) answerPoll({});
    heldPoll_ = std::move(answer);
    if (!queued_.empty()) {
        flush();
        return;
    }
    pollTimer_.once(runLoop_, pollSeconds, [this] { answerPoll({}); });
}

std::int64_t BridgeSession::send(Command command, ResultHandler onResult) {
    const std::int64_t id = nextId_++;
    std::visit([id](auto& c) { c.id = id; }, command);
    if (auto* activate = std::get_if<Activate>(&command)) {
        activationsUnderway();  // drops those too old to matter: the list stays short
        activations_.emplace_back(activate->window, runLoop_.now());
    }
    queued_.push_back(std::move(command));
    if (onResult) waiting_.emplace(id, std::move(onResult));
    // After the caller's other commands of this turn: one answer carries them all.
    runLoop_.post(lifetime_.guard([this] { flush(); }));
    return id;
}

std::vector<std::string> BridgeSession::activationsUnderway() {
    const double since = runLoop_.now() - activationSeconds;
    std::erase_if(activations_, [since](const auto& a) { return a.second < since; });
    std::vector<std::string> windows;
    for (const auto& a : activations_) windows.push_back(a.first);
    return windows;
}

void BridgeSession::forget(std::int64_t commandId) {
    waiting_.erase(commandId);
}

void BridgeSession::flush() {
    if (!heldPoll_ || queued_.empty()) return;
    std::vector<Command> commands;
    commands.swap(queued_);
    answerPoll(std::move(commands));
}

void BridgeSession::answerPoll(std::vector<Command> commands) {
    pollTimer_.cancel();
    auto answer = std::move(heldPoll_);
    heldPoll_ = nullptr;
    answer(encodeToBridge(Commands{std::move(commands)}, token_));
    sendAcks();
}

}  // namespace kelvra::bridge
