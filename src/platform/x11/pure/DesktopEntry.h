#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kelvra::x11 {

// The "[Desktop Entry]" group of an application's desktop file.
struct DesktopEntry {
    std::string id;  // the file's desktop id without the ".desktop" suffix
    std::string type;
    std::string name;
    std::map<std::string, std::string> localizedNames;  // locale ("de_CH", "de") -> name
    std::string exec;
    std::string startupWMClass;
    bool hidden = false;
    bool noDisplay = false;

    // Parses the text of a desktop file; nothing when it has no "[Desktop Entry]" group.
    static std::optional<DesktopEntry> parse(const std::string& id, const std::string& text);

    // The name for the first of the languages (tags such as "de-CH" or "pt_BR") that the
    // entry translates, trying each tag with and then without its country; else Name.
    std::string localizedName(const std::vector<std::string>& languages) const;

    // The command line of Exec split into arguments, with the field codes removed.
    // Nothing when Exec is empty or its quoting is broken.
    std::optional<std::vector<std::string>> execArguments() const;
};

}  // namespace kelvra::x11
