#include "WindowManagers.h"

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace kelvra::e2e {

namespace {

namespace fs = std::filesystem;

// No key bindings at all: the manager must not take any combination the program wants.
constexpr const char* openboxConfig = R"(<openbox_config xmlns="http://openbox.org/3.4/rc">
  <resistance><strength>0</strength><screen_edge_strength>0</screen_edge_strength></resistance>
  <placement><policy>Smart</policy><center>no</center></placement>
  <desktops><number>1</number></desktops>
  <mouse><dragThreshold>1</dragThreshold><context name="Titlebar">
    <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    <mousebind button="Left" action="Drag"><action name="Move"/></mousebind>
  </context></mouse>
</openbox_config>
)";

// xfwm4 takes its bindings from this channel; a custom set that overrides the defaults
// keeps only keys without Ctrl+Alt or Super.
constexpr const char* xfwm4Shortcuts = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-keyboard-shortcuts" version="1.0">
  <property name="commands" type="empty">
    <property name="custom" type="empty">
      <property name="override" type="bool" value="true"/>
    </property>
  </property>
  <property name="xfwm4" type="empty">
    <property name="custom" type="empty">
      <property name="override" type="bool" value="true"/>
      <property name="Escape" type="string" value="cancel_key"/>
      <property name="Left" type="string" value="left_key"/>
      <property name="Right" type="string" value="right_key"/>
      <property name="Up" type="string" value="up_key"/>
      <property name="Down" type="string" value="down_key"/>
      <property name="&lt;Alt&gt;F4" type="string" value="close_window_key"/>
    </property>
  </property>
</channel>
)";

constexpr const char* xfwm4Settings = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfwm4" version="1.0">
  <property name="general" type="empty">
    <property name="workspace_count" type="int" value="1"/>
    <property name="use_compositing" type="bool" value="false"/>
    <property name="tile_on_move" type="bool" value="false"/>
    <property name="snap_to_border" type="bool" value="false"/>
    <property name="snap_to_windows" type="bool" value="false"/>
    <property name="wrap_windows" type="bool" value="false"/>
  </property>
</channel>
)";

// Mutter reads GSettings; the keyfile backend takes them from a file in the session's
// XDG_CONFIG_HOME instead of dconf. Ctrl+Alt+arrows switch workspaces by default.
constexpr const char* mutterSettings = R"([org/gnome/desktop/wm/keybindings]
switch-to-workspace-left=@as []
switch-to-workspace-right=@as []
switch-to-workspace-up=@as []
switch-to-workspace-down=@as []
move-to-workspace-left=@as []
move-to-workspace-right=@as []
move-to-workspace-up=@as []
move-to-workspace-down=@as []
[org/gnome/desktop/wm/preferences]
num-workspaces=1
[org/gnome/mutter]
dynamic-workspaces=false
edge-tiling=false
overlay-key=''
)";

// Fluxbox's stock keys switch workspaces with Ctrl+Alt+Left/Right; these keep the mouse.
constexpr const char* fluxboxKeys = R"(OnDesktop Mouse1 :HideMenus
OnTitlebar Mouse1 :MacroCmd {Raise} {Focus} {ActivateTab}
OnTitlebar Move1 :StartMoving
OnLeftGrip Move1 :StartResizing bottomleft
OnRightGrip Move1 :StartResizing bottomright
OnWindowBorder Move1 :StartMoving
Mod1 F4 :Close
)";

bool hasCtrlAltOrSuper(const std::string& binding) {
    static const std::regex taken(R"((Alt\+Ctrl|Ctrl\+Alt|Super|Win)\+)", std::regex::icase);
    return std::regex_search(binding, taken);
}

// IceWM's preferences with every default binding that uses Ctrl+Alt or Super cleared,
// read from the installed defaults so that a new release's bindings are cleared too.
std::string icewmPreferences() {
    std::ostringstream out;
    out << "Win95Keys=0\nModSuperIsCtrlAlt=0\nWorkspaceNames=\" 1 \"\nTaskBarShowWorkspaces=0\n";
    std::ifstream defaults("/usr/share/icewm/preferences");
    static const std::regex key(R"(^#\s*(Key\w+)=\"(.*)\")");
    std::smatch m;
    for (std::string line; std::getline(defaults, line);)
        if (std::regex_search(line, m, key) && hasCtrlAltOrSuper(m[2].str()))
            out << m[1].str() << "=\"\"\n";
    return out.str();
}

fs::path write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
    return file;
}

}  // namespace

std::string chosenWindowManager() {
    const char* name = std::getenv("KELVRA_E2E_WM");
    return name && *name ? name : "openbox";
}

WindowManagerLaunch windowManagerLaunch(const std::string& name, const fs::path& home, bool stock) {
    const fs::path config = home / ".config";
    if (name == "openbox") {
        // Without a file of its own openbox reads the system's stock rc.xml.
        if (stock) return {{"openbox", "--sm-disable"}, {}};
        return {{"openbox", "--sm-disable", "--config-file",
                 write(home / "openbox-rc.xml", openboxConfig).string()},
                {}};
    }
    if (name == "xfwm4") {
        // Its settings daemon (xfconfd) and xfwm4 itself want a session bus.
        if (!stock) {
            const fs::path channels = config / "xfce4/xfconf/xfce-perchannel-xml";
            write(channels / "xfce4-keyboard-shortcuts.xml", xfwm4Shortcuts);
            write(channels / "xfwm4.xml", xfwm4Settings);
        }
        return {{"dbus-run-session", "--", "xfwm4", "--compositor=off", "--sm-client-disable"}, {}};
    }
    if (name == "icewm") {
        const fs::path dir = home / "icewm";
        fs::create_directories(dir);
        if (!stock) {
            write(dir / "preferences", icewmPreferences());
            write(dir / "keys", "");
        }
        return {{"icewm"}, {{"ICEWM_PRIVCFG", dir.string()}}};
    }
    if (name == "fluxbox") {
        // It reads ~/.fluxbox, filling in from the stock files what is missing there (a
        // file given with -rc is overwritten with the stock one). Its style's wallpaper
        // would otherwise open an xmessage window (no wallpaper setter) that takes the
        // focus: the overlay drops it, in the stock setup too.
        write(home / ".fluxbox/overlay", "background: none\n");
        if (!stock) {
            write(home / ".fluxbox/keys", fluxboxKeys);
            write(home / ".fluxbox/init",
                  "session.keyFile: ~/.fluxbox/keys\n"
                  "session.configVersion: 13\n"
                  "session.screen0.workspaces: 1\n"
                  "session.screen0.toolbar.visible: true\n");
        }
        return {{"fluxbox"}, {}};
    }
    if (name == "mutter") {
        std::map<std::string, std::string> environment;
        if (!stock) {
            write(config / "glib-2.0/settings/keyfile", mutterSettings);
            environment["GSETTINGS_BACKEND"] = "keyfile";
        } else {
            // As a GNOME session starts it: with GNOME's defaults over Mutter's own.
            environment["XDG_CURRENT_DESKTOP"] = "GNOME";
        }
        return {{"dbus-run-session", "--", "mutter", "--x11", "--replace", "--sm-disable"},
                environment};
    }
    if (name == "kwin") {
        // No OpenGL under Xvfb: compositing stays off. Its global shortcuts live in a
        // daemon on the session bus, which the tests do not run, so it takes none.
        // Its own tiling of windows dragged to an edge would take over from Kelvra's.
        if (!stock)
            write(config / "kwinrc",
                  "[Windows]\nElectricBorderMaximize=false\n"
                  "ElectricBorderTiling=false\n");
        return {{"kwin_x11", "--replace"}, {{"KWIN_COMPOSE", "N"}}};
    }
    return {};
}

}  // namespace kelvra::e2e
