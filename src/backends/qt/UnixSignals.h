#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace kelvra::qt {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the main thread (through a self-pipe), so
// that the program can end its event loop and clean up as on an ordinary quit.
class UnixSignals final : public QObject {
    Q_OBJECT
  public:
    explicit UnixSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~UnixSignals() override;

    // False when the pipe or the handlers could not be set up.
    bool active() const { return notifier_ != nullptr; }

    // A peer that closes a socket or pipe we write to must not end the program: the
    // write fails with EPIPE instead, which the writer handles. Process-wide.
    static void ignoreBrokenPipes();

  private:
    void drain();

    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kelvra::qt
