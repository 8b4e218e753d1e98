#pragma once

#include <optional>

#include "geometry/Rect.h"

namespace kelvra {

class AppSettings;

// The translucent preview of the target zone during a drag. For now it keeps the
// frame it would show; drawing arrives with the program's own panels.
class PreviewOverlay {
public:
    explicit PreviewOverlay(AppSettings& settings);

    // The frame is in the top-left space.
    void show(const Rect& frameCG);
    void hide();

    const std::optional<Rect>& shownFrame() const { return shownFrame_; }

private:
    [[maybe_unused]] AppSettings& settings_;
    std::optional<Rect> shownFrame_;
};

}  // namespace kelvra
