#include "app/ProcessEntry.h"

#include <string>
#include <variant>

#include "app/ZonePreviewCommand.h"
#include "l10n/L10n.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

constexpr const char* usage =
    "Usage: kelvra [OPTION] [kelvra:LINK]\n"
    "\n"
    "Arranges the windows of an X11 desktop, or of a KDE Plasma or GNOME Wayland\n"
    "session, with keyboard shortcuts, drags and a zone picker. One Kelvra runs\n"
    "per session: starting it again hands its arguments (such as a kelvra: sign-in\n"
    "link) to the running one and exits.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "      --settings[=TAB]  open the settings window, on TAB when given (general, snap,\n"
    "                 tiling, shortcuts, layout, workspaces, autoPlace, exclude, account)\n"
    "      --remove-desktop-bridge  stop and remove what Kelvra installed into the\n"
    "                 compositor for a Wayland session (KWin's script, GNOME Shell's\n"
    "                 extension), and exit\n";

}  // namespace

ProcessEntry::CommandLineAnswer ProcessEntry::readCommandLine(
    const std::vector<std::string>& arguments, const std::string& version) {
    for (const auto& a : arguments) {
        if (a == "--") break;
        if (a == "-h" || a == "--help") return {false, 0, usage, {}};
        if (a == "--version") return {false, 0, "Kelvra " + version + "\n", {}};
        if (a == removeDesktopBridgeOption) return {false, 0, {}, {}, true};
        // The zone preview is for checks and tests, so the help leaves it out.
        if (a.starts_with(ZonePreviewCommand::option)) continue;
        if (a == settingsOption || a.starts_with(std::string(settingsOption) + "=")) continue;
        if (a.size() > 1 && a[0] == '-') {
            return {
                false,
                2,
                {},
                "kelvra: unknown option '" + a + "'\nTry 'kelvra --help' for more information.\n"};
        }
    }
    return {};
}

void ProcessEntry::prepareLanguage() {
    auto code = L10n::storedCode(*platform().defaults);
    // The same rule as every later language switch: only a code we have a table for
    // is written back as the preferred language and forced on the toolkit, so a damaged
    // value cannot follow the user into the next start.
    L10n::syncSystemOverride(code && !code->empty() ? std::optional<std::string>(*code)
                                                    : std::nullopt);
}

}  // namespace kelvra
