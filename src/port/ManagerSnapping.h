#pragma once

#include <optional>
#include <string>

namespace kelvra::port {

// The window manager's own edge snapping: a window dragged to a screen edge tiled or
// maximized by the manager itself. With it on, the manager and Kelvra would both answer
// the same drag, so Kelvra offers to switch it off and puts it back when asked.
class ManagerSnapping {
  public:
    virtual ~ManagerSnapping() = default;

    // The manager as users know it ("KWin"); empty when this desktop's manager has no
    // such setting the program knows.
    virtual std::string managerName() const = 0;
    // Whether the manager snaps dragged windows itself; absent when its settings cannot
    // be read.
    virtual std::optional<bool> isOn() = 0;
    // Switches it off. Returns what restore() needs to put back the values found, or
    // nothing when the settings could not be written (nothing changed then).
    virtual std::optional<std::string> switchOff() = 0;
    // Puts back what switchOff() returned; false when the settings could not be written.
    virtual bool restore(const std::string& saved) = 0;
};

// A desktop whose manager has no edge snapping the program knows of.
class NoManagerSnapping final : public ManagerSnapping {
  public:
    std::string managerName() const override { return {}; }
    std::optional<bool> isOn() override { return false; }
    std::optional<std::string> switchOff() override { return std::nullopt; }
    bool restore(const std::string&) override { return false; }
};

}  // namespace kelvra::port
