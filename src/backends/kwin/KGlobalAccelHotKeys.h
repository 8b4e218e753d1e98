#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <optional>

#include "port/HotKeys.h"

namespace kelvra::kwin {

// Hot keys through KDE's global shortcut service on the session bus: each one is an
// action of Kelvra's component there, bound to its key. A combination another
// component holds is not given to Kelvra, and is reported as unavailable.
class KGlobalAccelHotKeys final : public QObject, public port::HotKeys {
    Q_OBJECT

  public:
    KGlobalAccelHotKeys();
    ~KGlobalAccelHotKeys() override;

    void installHandler(std::function<void(uint32_t signature, uint32_t id)> handler) override;
    std::optional<port::HotKeyRef> registerHotKey(uint32_t keyCode, uint32_t carbonModifiers,
                                                  uint32_t signature, uint32_t id) override;
    void unregisterHotKey(port::HotKeyRef ref) override;

    // The toolkit's key code of a combination, as the service stores it; nothing for a
    // key without a position.
    static std::optional<int> qtKeyFor(uint16_t virtualKey, uint32_t carbonModifiers);

  private Q_SLOTS:
    void pressed(const QString& component, const QString& action, qlonglong timestamp);

  private:
    struct HotKey {
        QString action;
        uint32_t signature;
        uint32_t id;
    };
    bool listening_ = false;
    std::function<void(uint32_t, uint32_t)> handler_;
    std::map<port::HotKeyRef, HotKey> hotKeys_;
    port::HotKeyRef next_ = 1;
};

}  // namespace kelvra::kwin
