#pragma once

#include <memory>
#include <set>

#include "port/Surfaces.h"

namespace kelvra::x11 {
class X11Connection;
class VirtualKeyCodes;
}  // namespace kelvra::x11

namespace kelvra::views {

// The program's own surfaces as Qt widgets on the X server the program arranges.
// Frames arrive in the top-left space and are placed in root coordinates through the
// X11 backend's one conversion. Kinds not built yet give no surface and one log line.
class QtSurfaces final : public port::Surfaces {
  public:
    // `keys` gives typed keys their platform-neutral codes (see ZonePickerSurface).
    explicit QtSurfaces(x11::X11Connection& connection, const x11::VirtualKeyCodes* keys = nullptr);
    ~QtSurfaces() override;

    std::unique_ptr<port::Surface> create(const port::SurfaceModel& model) override;

  private:
    x11::X11Connection& connection_;
    const x11::VirtualKeyCodes* keys_;
    std::set<port::SurfaceKind> reported_;
};

}  // namespace kelvra::views
