#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "port/Surfaces.h"

namespace kelvra::sim {

// The program's own surfaces on the simulated desktop: it records what each one shows
// (frame, opacity, visibility, content) for tests to inspect, and lets tests act as the
// user on them. Every kind can be made.
class SimSurfaces final : public port::Surfaces {
  public:
    struct State {
        uint64_t id = 0;
        port::SurfaceKind kind = port::SurfaceKind::overlay;
        Rect frame;
        double opacity = 1;
        bool visible = false;
        port::SurfaceModel model;
        bool alive = true;  // false once the program destroyed the handle
        int frameChanges = 0;
        int opacityChanges = 0;
        std::vector<port::WindowRef> stackedAbove;  // the group it is kept above
    };

    SimSurfaces();
    ~SimSurfaces() override;

    std::unique_ptr<port::Surface> create(const port::SurfaceModel& model) override;

    // Every surface made so far, alive or not, in the order made.
    std::vector<State> all() const;
    // The newest living surface of the kind.
    std::optional<State> find(port::SurfaceKind kind) const;
    size_t count(port::SurfaceKind kind) const;  // living ones

    // Acting as the user on a living surface; false when it is gone.
    bool sendPointer(uint64_t id, const port::SurfacePointer& event);
    bool choose(uint64_t id, const std::string& itemId);
    bool sendKey(uint64_t id, const port::KeyEvent& event);
    bool dismiss(uint64_t id);
    bool edit(uint64_t id, const port::SettingsEdit& edit);

  private:
    class Surface;
    struct Records;
    std::shared_ptr<Records> records_;
};

}  // namespace kelvra::sim
