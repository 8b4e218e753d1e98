#include "l10n/FrameworkLanguage.h"

#include <utility>

#include "base/Published.h"

namespace kelvra {

namespace {
struct State {
    std::optional<std::string> code;
    Signal<std::optional<std::string>> changed;
};

State& state() {
    static State s;
    return s;
}
}  // namespace

std::optional<std::string> FrameworkLanguage::code() {
    return state().code;
}

void FrameworkLanguage::setCode(std::optional<std::string> code) {
    auto& s = state();
    if (s.code == code) return;
    s.code = std::move(code);
    s.changed.emit(s.code);
}

Subscription FrameworkLanguage::onChange(Listener listener) {
    return state().changed.connect(std::move(listener));
}

}  // namespace kelvra
