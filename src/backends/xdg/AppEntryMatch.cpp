#include "backends/xdg/AppEntryMatch.h"

#include <algorithm>

namespace kelvra::xdg {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return !a.empty() && lower(a) == lower(b);
}

}  // namespace

std::string withoutDesktopSuffix(const std::string& id) {
    const std::string suffix = ".desktop";
    if (id.size() > suffix.size() &&
        id.compare(id.size() - suffix.size(), suffix.size(), suffix) == 0)
        return id.substr(0, id.size() - suffix.size());
    return id;
}

int matchAppEntry(const std::vector<AppEntryKey>& entries, const std::string& instance,
                  const std::string& windowClass, const std::string& gtkApplicationId) {
    auto find = [&](auto&& pred) -> int {
        for (size_t i = 0; i < entries.size(); ++i)
            if (pred(entries[i])) return static_cast<int>(i);
        return -1;
    };
    auto isClass = [&](const std::string& s) {
        return equalsIgnoringCase(s, windowClass) || equalsIgnoringCase(s, instance);
    };
    int found = -1;
    if (!gtkApplicationId.empty())
        found =
            find([&](const AppEntryKey& e) { return equalsIgnoringCase(e.id, gtkApplicationId); });
    if (found < 0) found = find([&](const AppEntryKey& e) { return isClass(e.startupWMClass); });
    if (found < 0) found = find([&](const AppEntryKey& e) { return isClass(e.id); });
    if (found < 0)
        found = find([&](const AppEntryKey& e) {
            size_t dot = e.id.rfind('.');
            return dot != std::string::npos && isClass(e.id.substr(dot + 1));
        });
    return found;
}

}  // namespace kelvra::xdg
