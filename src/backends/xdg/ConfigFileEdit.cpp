#include "backends/xdg/ConfigFileEdit.h"

#include <vector>

namespace kelvra::xdg {

namespace {

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool isGroup(const std::string& line) {
    return !line.empty() && line.front() == '[';
}

// "Key=value" and "Key = value" both name Key; localized "Key[de]=" does not.
bool setsKey(const std::string& line, std::string_view key) {
    if (line.compare(0, key.size(), key) != 0) return false;
    auto rest = line.find_first_not_of(" \t", key.size());
    return rest != std::string::npos && line[rest] == '=';
}

}  // namespace

std::optional<std::string> configKey(std::string_view text, std::string_view group,
                                     std::string_view key) {
    const std::string header = "[" + std::string(group) + "]";
    bool inGroup = false;
    std::optional<std::string> value;
    for (const auto& line : linesOf(text)) {
        if (isGroup(line)) {
            inGroup = line == header;
        } else if (inGroup && setsKey(line, key)) {
            std::string v = line.substr(line.find('=') + 1);
            const auto first = v.find_first_not_of(" \t");
            const auto last = v.find_last_not_of(" \t\r");
            // The last one counts, as when the file is read by the desktop.
            value = first == std::string::npos ? "" : v.substr(first, last - first + 1);
        }
    }
    return value;
}

std::string withConfigKey(std::string_view text, std::string_view group, std::string_view key,
                          std::string_view value) {
    const std::string header = "[" + std::string(group) + "]";
    const std::string entry = std::string(key) + "=" + std::string(value);
    std::vector<std::string> lines = linesOf(text);
    bool inGroup = false, found = false, done = false;
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (isGroup(line)) {
            // Leaving the group without having met the key: it goes at its end.
            if (inGroup && !done && !value.empty()) {
                while (!out.empty() && out.back().empty()) out.pop_back();
                out.push_back(entry);
                out.emplace_back();
                done = true;
            }
            inGroup = line == header;
            found = found || inGroup;
        } else if (inGroup && setsKey(line, key)) {
            if (!done && !value.empty()) out.push_back(entry);
            done = true;
            continue;
        }
        out.push_back(line);
    }
    if (!done && !value.empty()) {
        if (!found) {
            if (!out.empty() && !out.back().empty()) out.emplace_back();
            out.push_back(header);
        }
        out.push_back(entry);
    }
    std::string result;
    for (const auto& line : out) result += line + "\n";
    return result;
}

}  // namespace kelvra::xdg
