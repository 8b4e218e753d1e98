#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Animator.h"
#include "base/Rect.h"
#include "base/Signal.h"
#include "base/ZoneID.h"
#include "port/Screens.h"
#include "port/Surfaces.h"

namespace kelvra {

class L10n;

// The keyboard zone picker's state: which of the cells (five columns, two rows) is
// selected.
struct ZonePickerState {
    static constexpr int columns = 5;
    static constexpr int rows = 2;

    int selection = 0;

    // Moves the selection by whole cells; both directions wrap around.
    void move(int dx, int dy);
};

// The keyboard zone picker: a small floating panel of ten zone miniatures. The user
// picks one with the arrows and Return, a digit or the pointer; the zone goes to
// `onApply`, whose listener snaps the frontmost window. The panel takes the keyboard
// without becoming the active window, so that window stays frontmost.
class ZonePickerController {
  public:
    struct Zone {
        ZoneID zone;
        std::string label;
    };
    // The cells, in order, with their labels in the current language.
    std::vector<Zone> zones() const;
    static constexpr int zoneCount = 10;
    static constexpr double fadeInDuration = 0.22;
    // The highlight glides to a new selection in this time.
    static constexpr double highlightDuration = 0.16;

    explicit ZonePickerController(const L10n& l10n);
    ~ZonePickerController();
    ZonePickerController(const ZonePickerController&) = delete;
    ZonePickerController& operator=(const ZonePickerController&) = delete;

    // Opens the panel afresh with the first cell selected (an open one is replaced),
    // centred on the monitor under the pointer.
    void show();
    // Closes the panel, if open, without applying anything.
    void close();
    bool hasVisiblePanel() const { return panel_ != nullptr; }

    // A key typed while the panel is open; true when it meant something to the picker.
    bool handleKey(const port::KeyEvent& event);

    // The panel's size for the layout the surface is given.
    static Size panelSize(const port::ZonePickerModel& layout);
    // The frame the panel gets on screens like these with the pointer there.
    static Rect placement(const std::vector<port::PlatformScreen>& screens,
                          std::optional<Point> pointer, Size size);

    ZonePickerState model;
    Signal<ZoneID> onApply;

  private:
    port::ZonePickerModel surfaceModel() const;
    void select(int index);
    // Closes first, then tells the listeners: they act on the window that was frontmost.
    void apply(int index);
    // The cell under a point in the top-left space.
    std::optional<int> cellAt(Point point) const;

    const L10n& l10n_;
    Animator animator_;
    std::unique_ptr<port::Surface> panel_;
    std::vector<Subscription> panelSubscriptions_;
    Rect frame_;
    Point highlight_;  // in cells: column, row
    std::optional<Animator::Id> fade_;
    std::optional<Animator::Id> glide_;
};

}  // namespace kelvra
