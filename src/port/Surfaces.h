#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/Rect.h"
#include "base/Signal.h"
#include "port/KeyMonitor.h"
#include "port/SurfaceModels.h"
#include "port/Windows.h"

namespace kelvra::port {

// A pointer event on a surface. Positions are in the top-left space.
struct SurfacePointer {
    enum class Phase { entered, exited, pressed, dragged, released };
    Phase phase = Phase::pressed;
    Point position;
    int clickCount = 1;
    friend bool operator==(const SurfacePointer&, const SurfacePointer&) = default;
};

// One of the program's own on-screen surfaces (overlay, picker, divider, cards, tray,
// windows). The core owns the handle and sets what it shows; the platform draws exactly
// that state and nothing more (animation happens in the core, which sets each step).
// A surface never takes the keyboard focus unless its kind needs it (the picker and the
// windows). Destroying the handle removes the surface.
class Surface {
  public:
    virtual ~Surface() = default;

    virtual SurfaceKind kind() const = 0;
    // The frame in the top-left space (origin at the primary screen's top-left, y down).
    // Ignored by kinds the platform places itself (the tray).
    virtual void setFrame(const Rect& frame) = 0;
    // The whole surface's opacity, 0...1.
    virtual void setOpacity(double opacity) = 0;
    // A hidden surface keeps its state and shows it again when made visible.
    virtual void setVisible(bool visible) = 0;
    // Replaces the content; a model of another kind is ignored.
    virtual void setModel(const SurfaceModel& model) = 0;
    // Keeps a panel that belongs over a group of other applications' windows (a
    // divider) directly above the topmost of them, so a window put over the group covers
    // the panel too; empty: above every window. Where a desktop cannot stack so, nothing.
    virtual void stackAbove(const std::vector<WindowRef>& group) { (void)group; }

    // The user's input, for the kinds that take any; a listener hears it for as long
    // as its subscription lives.
    // Dividers, picker cells, cards.
    Subscription onPointer(std::function<void(const SurfacePointer&)> listener) {
        return pointer_.connect(std::move(listener));
    }
    // A menu item, picker cell, card or button, by id.
    Subscription onChosen(std::function<void(const std::string&)> listener) {
        return chosen_.connect(std::move(listener));
    }
    // Keys typed while the picker or a window has focus.
    Subscription onKey(std::function<void(const KeyEvent&)> listener) {
        return key_.connect(std::move(listener));
    }
    // Closed by the user, or the picker lost the focus.
    Subscription onDismissed(std::function<void()> listener) {
        return dismissed_.connect(std::move(listener));
    }
    // A control of the settings window changed.
    Subscription onEdited(std::function<void(const SettingsEdit&)> listener) {
        return edited_.connect(std::move(listener));
    }

  protected:
    // Implementations announce the input through these.
    Signal<SurfacePointer> pointer_;
    Signal<std::string> chosen_;
    Signal<KeyEvent> key_;
    Signal<> dismissed_;
    Signal<SettingsEdit> edited_;
};

// Makes surfaces. Returns nothing for a kind this platform cannot show yet (it says so
// in the log); the caller then goes on without that surface.
class Surfaces {
  public:
    virtual ~Surfaces() = default;
    // Starts hidden, with an empty frame and opacity 1.
    virtual std::unique_ptr<Surface> create(const SurfaceModel& model) = 0;
};

}  // namespace kelvra::port
