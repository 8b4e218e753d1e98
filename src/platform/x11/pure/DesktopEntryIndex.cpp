#include "platform/x11/pure/DesktopEntryIndex.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace kelvra::x11 {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return !a.empty() && lower(a) == lower(b);
}

std::string stripSuffix(const std::string& id) {
    const std::string suffix = ".desktop";
    if (id.size() > suffix.size() &&
        id.compare(id.size() - suffix.size(), suffix.size(), suffix) == 0)
        return id.substr(0, id.size() - suffix.size());
    return id;
}

}  // namespace

DesktopEntryIndex::DesktopEntryIndex(const std::vector<std::string>& dataDirs) {
    std::set<std::string> seen;
    for (const auto& dir : dataDirs) {
        fs::path apps = fs::path(dir) / "applications";
        std::error_code ec;
        if (!fs::is_directory(apps, ec)) continue;
        std::vector<fs::path> files;
        for (auto it = fs::recursive_directory_iterator(
                 apps, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->path().extension() == ".desktop") files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            // Sub-folders become part of the id: applications/kde/konsole -> kde-konsole.
            std::string id = fs::relative(file, apps, ec).replace_extension().string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (!seen.insert(id).second) continue;  // hidden by a more important folder
            std::ifstream in(file);
            std::stringstream text;
            text << in.rdbuf();
            auto entry = DesktopEntry::parse(id, text.str());
            // A hidden entry still shadows the ones below it: it counts as deleted.
            if (!entry || entry->hidden || entry->type != "Application") continue;
            entries_.push_back(std::move(*entry));
        }
    }
}

std::vector<std::string> DesktopEntryIndex::environmentDataDirs() {
    std::vector<std::string> dirs;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome)
        dirs.emplace_back(dataHome);
    else if (home && *home)
        dirs.push_back(std::string(home) + "/.local/share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    std::stringstream in(list);
    std::string dir;
    while (std::getline(in, dir, ':'))
        if (!dir.empty()) dirs.push_back(dir);
    return dirs;
}

const DesktopEntry* DesktopEntryIndex::byId(const std::string& id) const {
    std::string wanted = stripSuffix(id);
    for (const auto& e : entries_)
        if (e.id == wanted) return &e;
    return nullptr;
}

const DesktopEntry* DesktopEntryIndex::match(const std::string& instance,
                                             const std::string& windowClass,
                                             const std::string& gtkApplicationId) const {
    auto find = [&](auto&& pred) -> const DesktopEntry* {
        for (const auto& e : entries_)
            if (pred(e)) return &e;
        return nullptr;
    };
    auto isClass = [&](const std::string& s) {
        return equalsIgnoringCase(s, windowClass) || equalsIgnoringCase(s, instance);
    };
    if (!gtkApplicationId.empty())
        if (auto e = find(
                [&](const DesktopEntry& e) { return equalsIgnoringCase(e.id, gtkApplicationId); }))
            return e;
    if (auto e = find([&](const DesktopEntry& e) { return isClass(e.startupWMClass); })) return e;
    if (auto e = find([&](const DesktopEntry& e) { return isClass(e.id); })) return e;
    return find([&](const DesktopEntry& e) {
        size_t dot = e.id.rfind('.');
        return dot != std::string::npos && isClass(e.id.substr(dot + 1));
    });
}

}  // namespace kelvra::x11
