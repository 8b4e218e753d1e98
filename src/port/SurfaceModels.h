#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/ZoneID.h"
#include "port/SettingsPage.h"
#include "port/Windows.h"

namespace kelvra::port {

// An sRGB colour with straight (not premultiplied) alpha, each component in 0...1.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const Color&, const Color&) = default;
};

// What each of the program's own surfaces shows. The core computes these; a platform
// only draws them. Frames, opacity and visibility are set on the surface itself.

// The translucent preview of the zone a dragged window will land in: a rounded
// rectangle filling the surface.
struct OverlayModel {
    Color fill;         // the zone's tint
    Color border;       // the outer edge
    Color innerBorder;  // a faint inner edge that separates the tint from bright windows
    double cornerRadius = 10;
    double borderWidth = 1.5;
    double innerBorderWidth = 1;
    friend bool operator==(const OverlayModel&, const OverlayModel&) = default;
};

// The keyboard zone picker: a grid of zone miniatures with labels and a footer.
struct ZonePickerCell {
    ZoneID zone = ZoneID::leftHalf;
    std::string label;
    friend bool operator==(const ZonePickerCell&, const ZonePickerCell&) = default;
};
struct ZonePickerModel {
    std::vector<ZonePickerCell> cells;
    int columns = 5;
    int selection = 0;
    std::vector<std::string> hints;  // footer hints, left to right
    // The layout, in points: the core hit-tests the pointer with the same numbers.
    double cellWidth = 76;
    double cellHeight = 92;
    double gap = 8;            // between cells, both ways
    double padding = 16;       // around the grid and the footer
    double footerHeight = 30;  // below the grid: the selected label and the hints
    // Where the selection highlight sits, in cells (column, row); between two cells
    // while it moves to the selection.
    double highlightColumn = 0;
    double highlightRow = 0;
    friend bool operator==(const ZonePickerModel&, const ZonePickerModel&) = default;
};

// A strip over the gap between two linked windows; its grip and the ratio chip.
enum class DividerOrientation { vertical, horizontal };
struct DividerModel {
    DividerOrientation orientation = DividerOrientation::vertical;
    double gripAlpha = 0;                 // the grip fades in while hovered
    bool gripLong = false;                // hovered and not dragging
    bool accent = false;                  // being dragged
    double glow = 0;                      // the grip's shadow flaring up after a double click
    std::optional<std::string> chipText;  // shown while dragging
    friend bool operator==(const DividerModel&, const DividerModel&) = default;
};

// The cards offering windows for an empty zone after a snap. The surface covers the zone;
// when the cards do not all fit it, they scroll.
struct AssistCard {
    std::string id;  // reported back when the card is chosen
    std::string title;
    std::string appName;
    std::optional<WindowIcon> icon;
    friend bool operator==(const AssistCard&, const AssistCard&) = default;
};
struct AssistCardsModel {
    std::string title;
    std::string hint;
    std::vector<AssistCard> cards;
    friend bool operator==(const AssistCardsModel&, const AssistCardsModel&) = default;
};

// The tray icon and its menu.
// The icon's states; the last four are drawn as a warning.
enum class TrayIcon {
    normal,
    paused,
    noPermission,
    noWindowManager,
    settingsNotSaved,
    shortcutsHeldElsewhere
};
inline bool isWarning(TrayIcon icon) {
    return icon != TrayIcon::normal && icon != TrayIcon::paused;
}
struct MenuItem {
    std::string id;  // reported back when chosen; empty for separators and submenus
    std::string title;
    std::string shortcut;  // as shown, e.g. "Ctrl+Alt+Left"
    bool separator = false;
    bool checked = false;
    bool enabled = true;
    std::vector<MenuItem> submenu;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};
struct TrayModel {
    TrayIcon icon = TrayIcon::normal;
    std::string toolTip;
    std::vector<MenuItem> menu;
    friend bool operator==(const TrayModel&, const TrayModel&) = default;
};

// The settings window: its sidebar of tabs and the selected tab's page.
struct SettingsTabItem {
    std::string id;
    std::string title;
    std::string subtitle;
    std::string icon;            // a freedesktop icon name
    bool dividerBefore = false;  // a line above this tab in the sidebar
    friend bool operator==(const SettingsTabItem&, const SettingsTabItem&) = default;
};
struct SettingsWindowModel {
    std::string title;
    std::vector<SettingsTabItem> tabs;
    std::string selectedTab;
    SettingsPage page;
    std::string appName;  // the sidebar's foot
    std::string version;
    friend bool operator==(const SettingsWindowModel&, const SettingsWindowModel&) = default;
};

// The welcome window: one page at a time.
struct OnboardingModel {
    int page = 0;
    int pageCount = 3;
    std::string title;
    std::string body;
    std::vector<MenuItem> buttons;  // id and title of each button
    // Lines of help under the body, each with an optional button (id, title).
    std::vector<MenuItem> help;
    std::optional<std::string> waiting;  // a "waiting" line with animated dots
    // The keyboard examples: key chips and what they do.
    std::vector<std::pair<std::string, std::string>> examples;
    // The crash-report choice: title, body and the switch.
    std::optional<std::string> crashTitle;
    std::string crashBody;
    bool crashOn = false;
    friend bool operator==(const OnboardingModel&, const OnboardingModel&) = default;
};

// The alternative held is the surface's kind (see SurfaceKind).
using SurfaceModel = std::variant<OverlayModel, ZonePickerModel, DividerModel, AssistCardsModel,
                                  TrayModel, SettingsWindowModel, OnboardingModel>;

enum class SurfaceKind {
    overlay,
    zonePicker,
    divider,
    assistCards,
    tray,
    settingsWindow,
    onboarding
};

inline SurfaceKind kindOf(const SurfaceModel& model) {
    return static_cast<SurfaceKind>(model.index());
}

const char* kindName(SurfaceKind kind);

}  // namespace kelvra::port
