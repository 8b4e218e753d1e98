#include "base/NotificationCenter.h"

namespace kelvra {

NotificationCenter& NotificationCenter::shared() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::post(const std::string& name) {
    auto it = signals_.find(name);
    if (it != signals_.end()) it->second.emit();
}

Subscription NotificationCenter::addObserver(const std::string& name,
                                             std::function<void()> observer) {
    return signals_[name].connect([fn = std::move(observer)] { fn(); });
}

}  // namespace kelvra
