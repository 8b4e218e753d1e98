#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

#include "port/RunLoop.h"

namespace kelvra::qt {

// The main run loop on Qt's event loop. Create it on the main thread; post() may be
// called from any thread, everything else from the main thread.
class QtRunLoop final : public QObject, public port::RunLoop {
    Q_OBJECT
  public:
    explicit QtRunLoop(QObject* parent = nullptr);
    ~QtRunLoop() override;

    void post(std::function<void()> work) override;
    port::TimerId scheduleTimer(double intervalSeconds, bool repeats,
                                std::function<void()> fire) override;
    void cancelTimer(port::TimerId timer) override;
    double now() override;
    void quit() override;

    size_t activeTimers() const { return timers_.size(); }

  private:
    void fired(port::TimerId id);

    port::TimerId nextTimer_ = 1;
    struct Entry {
        QTimer* timer;
        std::function<void()> fire;
    };
    std::map<port::TimerId, Entry> timers_;
};

}  // namespace kelvra::qt
