#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backends/bridge/BridgeMessages.h"

namespace kelvra::bridge {

// Kelvra's copy of what the bridge has told it about the desktop: windows, screens, the
// active window, the pointer and a move in progress. Messages are applied in the order
// they arrive; a snapshot replaces everything. Lookups answer from memory, without a
// round trip to the compositor.
class BridgeMirror {
  public:
    // Applies one message. Returns false when it named a window the mirror does not know
    // (a message that raced the window's removal, or came before the snapshot), which
    // then changes nothing. Messages that carry no desktop state are accepted as they are.
    bool apply(const FromBridge& message);

    const WindowSnapshot* window(std::string_view id) const;
    // Bottom to top: as the bridge listed and added them, an activated or moved window
    // raised to the top as the compositor raises it.
    std::vector<const WindowSnapshot*> windows() const;
    const std::vector<ScreenSnapshot>& screens() const { return screens_; }
    // The screen whose geometry holds `p`, or nullptr.
    const ScreenSnapshot* screenAt(Point p) const;
    // The active window, or nullptr when none is (or the active one is unknown).
    const WindowSnapshot* activeWindow() const;
    Point pointer() const { return pointer_; }
    // The move the user is driving with the pointer, started and not yet finished.
    const std::optional<InteractiveMove>& move() const { return move_; }
    // True once a snapshot arrived: before it the mirror knows nothing reliable.
    bool synced() const { return synced_; }

  private:
    bool applySnapshot(const Snapshot& s);
    WindowSnapshot* find(std::string_view id);
    void remove(std::string_view id);
    void raise(std::string_view id);  // to the top of the stack

    std::map<std::string, WindowSnapshot, std::less<>> windows_;
    std::vector<std::string> order_;  // ids bottom to top
    std::vector<ScreenSnapshot> screens_;
    std::string active_;
    Point pointer_;
    std::optional<InteractiveMove> move_;
    bool synced_ = false;
};

}  // namespace kelvra::bridge
