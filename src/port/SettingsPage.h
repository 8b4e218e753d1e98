#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/Rect.h"

namespace kelvra::port {

// The pages of the settings window as rows of typed controls. The core decides what
// each row shows and what a change writes; a platform draws the rows in order and
// reports each gesture back as a SettingsEdit naming the row.

enum class SettingsControl {
    none,        // a title and subtitle only (notes, headings, summaries)
    toggle,      // `on`
    choice,      // a drop-down of `options`, `selected`
    segmented,   // the same as buttons side by side; `icons` when given, `options` as tips
    slider,      // a slider and a stepper pill: `value` in minimum...maximum, `valueText`
    stepper,     // the stepper pill alone
    button,      // `text` is the button's title
    shortcut,    // `text` the combination shown (or the unset text), `recording`, `taken`
    text,        // an editable line: `text`, `placeholder`; committed with Enter
    appChooser,  // a button (`text`) that lets the user pick an installed or running app
    grid         // the layout grid editor: `grid`
};

struct SettingsGrid {
    int columns = 4;
    int rows = 2;
    struct Zone {
        int col = 0, row = 0, colSpan = 1, rowSpan = 1;
        friend bool operator==(const Zone&, const Zone&) = default;
    };
    std::vector<Zone> zones;
    bool hasPending = false;
    Zone pending;
    double inset = 10;      // around the cells, in points
    double gap = 6;         // between cells
    std::string emptyHint;  // written across the cells while there is no zone
    // Each zone's remove control: a square of this side in the zone's top-right corner.
    double removeSize = 16;
    friend bool operator==(const SettingsGrid&, const SettingsGrid&) = default;
};

// Where a zone and its remove control lie on a canvas of `canvas` points: the view draws
// with these and the core hit-tests the pointer with the same numbers.
Rect gridZoneFrame(const SettingsGrid& grid, const SettingsGrid::Zone& zone, Size canvas);
Rect gridRemoveFrame(const SettingsGrid& grid, const SettingsGrid::Zone& zone, Size canvas);
// The index of the zone whose remove control lies under a point: the topmost one, as
// later zones are drawn over earlier ones.
std::optional<size_t> gridRemoveControlAt(const SettingsGrid& grid, Point point, Size canvas);

// A small picture of rectangles (a layout's zones, a workspace's windows), each in 0...1
// of the picture's width and height, later ones over earlier ones.
struct Thumbnail {
    double aspect = 1.6;  // width over height
    std::vector<Rect> rects;
    friend bool operator==(const Thumbnail&, const Thumbnail&) = default;
};

// The extra buttons a row may carry at its end.
enum class RowButton { save, cancel, clear, edit, apply, commit, deleteItem, remove, checkNow };

struct SettingsRow {
    std::string id;  // reported back with each edit
    std::string title;
    std::string subtitle;
    std::string icon;     // an application id or a freedesktop icon name; empty for none
    Thumbnail thumbnail;  // drawn instead of the icon when it has rectangles
    std::string badge;    // a small label beside the title
    bool heading = false;
    SettingsControl control = SettingsControl::none;
    bool on = false;
    std::vector<std::string> options;
    std::vector<std::string> icons;
    int selected = -1;
    double value = 0;
    double minimum = 0;
    double maximum = 1;
    std::string valueText;
    std::string text;
    std::string placeholder;
    bool recording = false;
    bool taken = false;
    bool enabled = true;
    bool focus = false;  // takes the keyboard focus when it appears
    // What the view says on its own: a shortcut's reason when another program holds
    // it; an application chooser's mark of a running application (`placeholder` is
    // then its search field's).
    std::string note;
    // Extra buttons at the row's end (which, title); a click reports buttonPressed.
    std::vector<std::pair<RowButton, std::string>> buttons;
    SettingsGrid grid;
    friend bool operator==(const SettingsRow&, const SettingsRow&) = default;
};

struct SettingsPage {
    std::string id;  // the tab
    std::string title;
    std::string intro;
    std::vector<SettingsRow> rows;
    std::string footer;
    friend bool operator==(const SettingsPage&, const SettingsPage&) = default;
};

// What the user did to a row's control.
enum class SettingsGesture {
    toggled,      // value 0/1
    selected,     // value: the option's index
    sliderMoved,  // value
    stepperMinus,
    stepperPlus,
    stepperReset,   // a double click on the stepper's value
    clicked,        // the row's own button
    recordPressed,  // the shortcut field asks to record
    textEdited,     // text, at each keystroke
    textCommitted,  // text, with Enter
    appChosen,      // text: the application id, detail: its name
    dragged,        // point on a canvas of size canvas
    dragEnded,
    buttonPressed  // one of the row's extra buttons: button
};

// A gesture on a row.
struct SettingsEdit {
    std::string row;
    SettingsGesture gesture = SettingsGesture::clicked;
    RowButton button = RowButton::save;  // for buttonPressed
    double value = 0;
    std::string text;
    std::string detail;
    Point point;
    Size canvas;
    friend bool operator==(const SettingsEdit&, const SettingsEdit&) = default;

    bool pressed(RowButton which) const {
        return gesture == SettingsGesture::buttonPressed && button == which;
    }
};

}  // namespace kelvra::port
