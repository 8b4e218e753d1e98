#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "port/KeyMonitor.h"
#include "port/WindowSystem.h"

class QKeyEvent;

namespace kelvra::qt {

// Key presses to the program's own windows, seen through an application-wide event
// filter before any widget handles them.
class QtKeyMonitor final : public QObject, public port::KeyMonitor {
    Q_OBJECT
  public:
    // `windowSystem` translates the events' native scan codes, so a key keeps its
    // position whatever the layout, and a key it does not know gives nothing; without
    // it, or without a scan code, the key's US-layout meaning decides.
    explicit QtKeyMonitor(const port::WindowSystem* windowSystem = nullptr,
                          QObject* parent = nullptr);
    ~QtKeyMonitor() override;

    Subscription onKeyDown(std::function<bool(const port::KeyEvent&)> listener) override;

    // The platform-neutral form of a key press; nothing for keys without a virtual code.
    std::optional<port::KeyEvent> translate(const QKeyEvent& event) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    const port::WindowSystem* windowSystem_;
    using Handlers = std::map<port::KeyMonitorId, std::function<bool(const port::KeyEvent&)>>;
    port::KeyMonitorId nextId_ = 1;
    // Shared with the subscriptions, which may outlive the monitor.
    std::shared_ptr<Handlers> handlers_ = std::make_shared<Handlers>();
    bool installed_ = false;
};

}  // namespace kelvra::qt
