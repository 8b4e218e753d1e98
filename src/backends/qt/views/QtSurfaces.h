#pragma once

#include <memory>
#include <set>

#include "port/Surfaces.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

// The program's own surfaces as Qt widgets on the desktop the program arranges. Frames
// arrive in the top-left space and are placed in native coordinates through the window
// system's one conversion. Kinds not built yet give no surface and one log line. The
// desktop's own surfaces (`desktopSurfaces`, when given) are asked first.
class QtSurfaces final : public port::Surfaces {
  public:
    explicit QtSurfaces(port::WindowSystem& windowSystem,
                        port::Surfaces* desktopSurfaces = nullptr);
    ~QtSurfaces() override;

    std::unique_ptr<port::Surface> create(const port::SurfaceModel& model) override;

  private:
    port::WindowSystem& windowSystem_;
    port::Surfaces* desktopSurfaces_;
    std::set<port::SurfaceKind> reported_;
};

}  // namespace kelvra::views
