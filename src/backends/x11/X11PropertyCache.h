#pragma once

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/Rect.h"
#include "base/Subscription.h"

namespace kelvra::x11 {

class X11Connection;

// Where a window is now: its area in root coordinates, its border, whether it is
// viewable (mapped, and so are its ancestors) and what kind of top-level it can be.
struct WindowArea {
    Rect rect;
    double border = 0;
    bool viewable = false;
    bool overrideRedirect = false;
    bool inputOutput = true;
};

// A property as the server sent it; null when the window does not have it.
using PropertyValue = std::shared_ptr<const xcb_get_property_reply_t>;

// Window properties read in batches and kept until the server says they changed.
// A batch sends every request at once and then collects the replies (XCB cookies), so
// any number of windows and properties costs one round trip; what is cached costs
// none. Every window read here is watched for property changes and for its end, and
// the events that say so (also those received but not yet dispatched) drop exactly
// the entries they concern. Areas are kept the same way: a client's area is dropped
// by a configure, map, unmap or reparent event of the client or of any window that
// holds it (the manager's frame), all of which are watched.
class X11PropertyCache {
  public:
    explicit X11PropertyCache(X11Connection& connection);
    ~X11PropertyCache();
    X11PropertyCache(const X11PropertyCache&) = delete;
    X11PropertyCache& operator=(const X11PropertyCache&) = delete;

    // Makes every listed property of every listed window known, and reads the areas
    // of `areaWindows`, all in one round trip (none when nothing is missing). The
    // areas come back in the order asked; a vanished window's is nothing.
    std::vector<std::optional<WindowArea>> fetch(const std::vector<Window>& windows,
                                                 const std::vector<Atom>& properties,
                                                 const std::vector<Window>& areaWindows = {});
    // A fetched property; null when absent, unreadable or not fetched.
    PropertyValue get(Window w, Atom property) const;

    // The process that owns each window's connection to the server, as the server
    // itself knows it (X-Resource extension): for windows that do not name their
    // process. One round trip for all not yet known; nothing without the extension.
    std::vector<std::optional<int32_t>> ownerPids(const std::vector<Window>& windows);

    // The child of the root that holds the window (the manager's frame, or itself).
    std::optional<Window> topLevel(Window w);
    // Forgets a window's area (its frame is about to change).
    void dropArea(Window w) { areas_.erase(w); }

    // Applies what the events already received say, without waiting for dispatch.
    void absorbQueuedEvents();

  private:
    void onEvent(const XEvent& e);
    void watch(Window w);
    void forget(Window w);
    void forgetAncestry(Window w);
    // Drops the areas of the window and of every client it holds that were read before
    // the event with this serial (all of them without one).
    void dropAreasUnder(Window w, std::optional<unsigned long> serial = std::nullopt);

    X11Connection& c_;
    Subscription listener_;
    bool haveResources_ = false;
    // Each value with the sequence number of the request that read it: an event
    // generated before the server handled that request (a lower serial) is already
    // reflected in it and must not drop it.
    template <typename T>
    struct Read {
        T value;
        uint32_t sequence = 0;
    };
    std::map<std::pair<Window, Atom>, Read<PropertyValue>> values_;
    std::map<Window, std::optional<int32_t>> ownerPids_;
    std::map<Window, Window> topLevels_;
    std::map<Window, std::vector<Window>> ancestors_;  // client -> parent ... top-level
    std::map<Window, std::set<Window>> clientsUnder_;  // ancestor -> clients it holds
    std::map<Window, Read<WindowArea>> areas_;
    std::set<Window> watched_;
};

// Decoders of fetched values. Absent or mistyped values decode as nothing (or empty).
std::vector<uint32_t> cardinals(const PropertyValue& value);
std::optional<std::string> text(const PropertyValue& value);
// The NUL-separated strings of a value such as WM_CLASS.
std::vector<std::string> strings(const PropertyValue& value);

}  // namespace kelvra::x11
