#include "backends/x11/X11ManagerSnapping.h"

#include "backends/wm/ManagerEdgeSnapping.h"
#include "backends/x11/X11Connection.h"

namespace kelvra::x11 {

X11ManagerSnapping::X11ManagerSnapping(X11Connection& connection) : connection_(connection) {}

X11ManagerSnapping::~X11ManagerSnapping() = default;

port::ManagerSnapping& X11ManagerSnapping::current() const {
    static port::NoManagerSnapping none;
    const std::string name = connection_.windowManagerName();
    if (name != name_) {
        name_ = name;
        snapping_ = wm::edgeSnappingOf(name);
    }
    return snapping_ ? *snapping_ : none;
}

std::string X11ManagerSnapping::managerName() const {
    return current().managerName();
}

std::optional<bool> X11ManagerSnapping::isOn() {
    return current().isOn();
}

std::optional<std::string> X11ManagerSnapping::switchOff() {
    return current().switchOff();
}

bool X11ManagerSnapping::restore(const std::string& saved) {
    return current().restore(saved);
}

}  // namespace kelvra::x11
