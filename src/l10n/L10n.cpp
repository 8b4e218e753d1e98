// Minimal stand-in until the localization tables land: every key shows itself.
#include "l10n/L10n.h"

#include <memory>

namespace kelvra {

namespace {
std::unique_ptr<L10n>& instance() {
    static std::unique_ptr<L10n> i;
    return i;
}
}  // namespace

L10n::L10n() = default;

L10n& L10n::shared() {
    auto& i = instance();
    if (!i) i.reset(new L10n());
    return *i;
}

void L10n::resetSharedForTesting() { instance().reset(); }

std::string L10n::string(const std::string& key) const { return key; }

void L10n::apply(const std::optional<std::string>&) {}

std::string format(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == '@' || pattern[i + 1] == 'd')) {
            if (next < args.size()) out += args[next++];
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

}  // namespace kelvra
