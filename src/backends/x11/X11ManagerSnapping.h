#pragma once

#include <memory>
#include <optional>
#include <string>

#include "port/ManagerSnapping.h"

namespace kelvra::x11 {

class X11Connection;

// The edge snapping of whichever window manager runs now, found by the name it gives
// (EWMH): asked again on every call, so a manager replaced while the program runs is
// the one whose settings are read and changed.
class X11ManagerSnapping final : public port::ManagerSnapping {
  public:
    explicit X11ManagerSnapping(X11Connection& connection);
    ~X11ManagerSnapping() override;

    std::string managerName() const override;
    std::optional<bool> isOn() override;
    std::optional<std::string> switchOff() override;
    bool restore(const std::string& saved) override;

  private:
    // The running manager's snapping; NoManagerSnapping's answers for an unknown one.
    port::ManagerSnapping& current() const;

    X11Connection& connection_;
    mutable std::string name_;
    mutable std::unique_ptr<port::ManagerSnapping> snapping_;
};

}  // namespace kelvra::x11
