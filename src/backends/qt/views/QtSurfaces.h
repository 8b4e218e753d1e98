#pragma once

#include <memory>
#include <set>

#include "port/Surfaces.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

// The program's own surfaces as Qt widgets on the desktop the program arranges. Frames
// arrive in the top-left space and are placed in native coordinates through the window
// system's one conversion. Kinds not built yet give no surface and one log line.
class QtSurfaces final : public port::Surfaces {
  public:
    explicit QtSurfaces(port::WindowSystem& windowSystem);
    ~QtSurfaces() override;

    std::unique_ptr<port::Surface> create(const port::SurfaceModel& model) override;

  private:
    port::WindowSystem& windowSystem_;
    std::set<port::SurfaceKind> reported_;
};

}  // namespace kelvra::views
