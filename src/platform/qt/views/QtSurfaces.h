#pragma once

#include <memory>
#include <set>

#include "platform/port/Surfaces.h"

namespace kelvra::x11 {
class X11Connection;
}

namespace kelvra::views {

// The program's own surfaces as Qt widgets on the X server the program arranges.
// Frames arrive in the top-left space and are placed in root coordinates through the
// X11 backend's one conversion. Kinds not built yet give no surface and one log line.
class QtSurfaces final : public port::Surfaces {
  public:
    explicit QtSurfaces(x11::X11Connection& connection);
    ~QtSurfaces() override;

    std::unique_ptr<port::Surface> create(const port::SurfaceModel& model) override;

  private:
    x11::X11Connection& connection_;
    std::set<port::SurfaceKind> reported_;
};

}  // namespace kelvra::views
