#include "platform/x11/pure/DesktopEntry.h"

#include <sstream>

namespace kelvra::x11 {

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// The escapes every string value may hold.
std::string unescape(const std::string& v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        char c = v[++i];
        switch (c) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:  // not a string escape: Exec's own quoting needs it as written
                out += '\\';
                out += c;
        }
    }
    return out;
}

bool isTrue(const std::string& v) {
    return v == "true" || v == "1";
}

// "de-CH.UTF-8@euro" -> "de_CH".
std::string localeKey(const std::string& tag) {
    std::string key = tag.substr(0, tag.find_first_of(".@"));
    for (char& c : key)
        if (c == '-') c = '_';
    return key;
}

}  // namespace

std::optional<DesktopEntry> DesktopEntry::parse(const std::string& id, const std::string& text) {
    DesktopEntry entry;
    entry.id = id;
    bool inGroup = false, sawGroup = false;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = trim(line.substr(0, eq));
        std::string value = unescape(trim(line.substr(eq + 1)));
        if (key == "Type")
            entry.type = value;
        else if (key == "Name")
            entry.name = value;
        else if (key == "Exec")
            entry.exec = value;
        else if (key == "StartupWMClass")
            entry.startupWMClass = value;
        else if (key == "Hidden")
            entry.hidden = isTrue(value);
        else if (key == "NoDisplay")
            entry.noDisplay = isTrue(value);
        else if (key.rfind("Name[", 0) == 0 && key.back() == ']')
            entry.localizedNames[localeKey(key.substr(5, key.size() - 6))] = value;
    }
    if (!sawGroup) return std::nullopt;
    return entry;
}

std::string DesktopEntry::localizedName(const std::vector<std::string>& languages) const {
    for (const auto& tag : languages) {
        std::string key = localeKey(tag);
        if (auto it = localizedNames.find(key); it != localizedNames.end()) return it->second;
        std::string lang = key.substr(0, key.find('_'));
        if (auto it = localizedNames.find(lang); it != localizedNames.end()) return it->second;
    }
    return name;
}

std::optional<std::vector<std::string>> DesktopEntry::execArguments() const {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false, quoted = false, hadFieldCode = false;
    auto finish = [&] {
        // An argument that was nothing but field codes disappears with them.
        if (inArg && !(current.empty() && hadFieldCode)) args.push_back(current);
        current.clear();
        inArg = hadFieldCode = false;
    };
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string("\"`$\\").find(exec[i + 1]) != std::string::npos) {
                current += exec[++i];
            } else if (c == '%' && i + 1 < exec.size()) {
                if (exec[++i] == '%')
                    current += '%';
                else
                    hadFieldCode = true;
            } else {
                current += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            finish();
        } else if (c == '"') {
            quoted = inArg = true;
        } else if (c == '%' && i + 1 < exec.size()) {
            inArg = true;
            if (exec[++i] == '%')
                current += '%';
            else
                hadFieldCode = true;
        } else {
            inArg = true;
            current += c;
        }
    }
    if (quoted) return std::nullopt;
    finish();
    if (args.empty()) return std::nullopt;
    return args;
}

}  // namespace kelvra::x11
