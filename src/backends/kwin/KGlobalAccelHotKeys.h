#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <optional>

#include "base/Signal.h"
#include "port/HotKeys.h"
#include "port/KeyboardLayout.h"

namespace kelvra::kwin {

// Hot keys through KDE's global shortcut service on the session bus: each one is an
// action of Kelvra's component there, bound to its key. A combination another
// component holds is not given to Kelvra, and is reported as unavailable. The service
// names keys by what they type, so a key position is bound to what it types in the
// active layout (Z for the US Y position on a German keyboard).
class KGlobalAccelHotKeys final : public QObject, public port::HotKeys {
    Q_OBJECT

  public:
    explicit KGlobalAccelHotKeys(port::KeyboardLayout& layout);
    ~KGlobalAccelHotKeys() override;

    Subscription onPressed(std::function<void(uint32_t signature, uint32_t id)> listener) override;
    std::optional<port::HotKeyRef> registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                  uint32_t signature, uint32_t id) override;
    void unregisterHotKey(port::HotKeyRef ref) override;

    // The toolkit's key code of a combination, as the service stores it; nothing for a
    // key without a position. `typed` is what the key types in the active layout.
    static std::optional<int> qtKeyFor(uint16_t virtualKey, uint32_t modifiers,
                                       const std::optional<std::string>& typed);

  private Q_SLOTS:
    void pressed(const QString& component, const QString& action, qlonglong timestamp);

  private:
    struct HotKey {
        QString action;
        uint32_t signature;
        uint32_t id;
    };
    port::KeyboardLayout& layout_;
    bool listening_ = false;
    Signal<uint32_t, uint32_t> pressed_;
    std::map<port::HotKeyRef, HotKey> hotKeys_;
    port::HotKeyRef next_ = 1;
};

}  // namespace kelvra::kwin
