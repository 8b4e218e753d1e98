#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Animator.h"
#include "base/Signal.h"
#include "port/Surfaces.h"
#include "tiling/SharedEdge.h"

namespace kelvra {

// The handle over one shared edge: a thin strip over the gap between the linked
// windows, with a grip that fades in under the pointer. Dragging it reports the new
// edge position (snapped to halves and thirds near them) and shows the split in a
// ratio chip; a double click asks for the split to be reset. It never takes the
// keyboard: the surface kind does not.
class Divider {
  public:
    static constexpr double thickness = 16;
    static constexpr double gripFade = 0.14;  // seconds
    static constexpr double snapTolerance = 0.015;
    static constexpr double pulseDuration = 0.34;  // the grip's answer to a double click

    explicit Divider(const SharedEdge& edge);
    ~Divider();
    Divider(const Divider&) = delete;
    Divider& operator=(const Divider&) = delete;

    // Follows the edge: its new position, span and direction.
    void update(const SharedEdge& edge);
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }
    // Kept directly above the topmost of its group's windows, not above everything.
    void stackAbove(const std::vector<port::WindowRef>& group);
    const SharedEdge& edge() const { return edge_; }
    bool isDragging() const { return dragging_; }

    // The strip for an edge: `thickness` across the line, centred on it, as long as
    // the span (top-left space).
    static Rect frameFor(const SharedEdge& edge);
    // A drag coordinate within 1.5 % of a half or a third of the range lands on it.
    static double snapToRatios(double coordinate, Span range);
    // "33 : 67" for 33.
    static std::string ratioText(int percent);

    // The dragged-to position (already snapped); the button went up after a drag; a
    // double click.
    Signal<double> onDrag;
    Signal<> onDragEnd;
    Signal<> onDoubleClick;

  private:
    void handle(const port::SurfacePointer& event);
    void fadeGripTo(double alpha);
    void pulse();
    void publish();

    SharedEdge edge_;
    std::unique_ptr<port::Surface> surface_;
    port::DividerModel model_;
    std::string chipLabel_ = "50 : 50";
    Subscription pointerHook_;
    Animator animator_;
    std::optional<Animator::Id> fade_;
    std::optional<Animator::Id> pulse_;
    bool hovering_ = false;
    bool dragging_ = false;
    bool visible_ = true;
};

}  // namespace kelvra
