#include "backends/x11/X11WindowService.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "backends/x11/X11WindowObservers.h"

namespace kelvra::x11 {

namespace {

// A hung manager gives no answer: the frame is then read as it is.
constexpr double managerAnswerSeconds = 0.25;

port::WindowRef ref(Window w) {
    return {static_cast<uint64_t>(w)};
}

}  // namespace

X11WindowService::X11WindowService(X11Connection& connection, X11Applications& applications)
    : c_(connection),
      applications_(applications),
      windows_(connection),
      mover_(connection, windows_),
      commands_(connection, windows_),
      observers_(std::make_unique<X11WindowObservers>(connection, windows_)) {}

X11WindowService::~X11WindowService() = default;

port::WindowCapabilities X11WindowService::capabilities() {
    return {.needsPermission = false, .hasWindowManager = c_.hasWindowManager()};
}

bool X11WindowService::canControlWindows() {
    return true;
}

void X11WindowService::promptForTrust() {}

void X11WindowService::openPermissionSettings() {}

std::optional<Window> X11WindowService::client(port::WindowRef window) {
    auto w = static_cast<Window>(window.id);
    if (window.id == 0 || window.id > 0xffffffffULL || !windows_.exists(w)) return std::nullopt;
    return w;
}

std::optional<port::WindowRef> X11WindowService::focusedWindow() {
    auto active = windows_.activeWindow();
    if (!active) return std::nullopt;
    // Our own windows are not another application's.
    if (windows_.pid(*active) == static_cast<int32_t>(getpid())) return std::nullopt;
    return ref(*active);
}

std::optional<port::WindowRef> X11WindowService::windowAt(Point point) {
    if (!c_.isOpen()) return std::nullopt;
    Point rootPoint = c_.toRoot(point);
    auto stack = windows_.stacking();
    auto placements = windows_.placements(stack);
    for (size_t i = stack.size(); i-- > 0;) {
        const auto& p = placements[i];
        if (!p || !p->area.viewable || !p->frame.contains(rootPoint)) continue;
        if (windows_.isMinimized(stack[i])) continue;
        // The desktop window lies under everything: pointing at it is pointing at no window.
        auto types = windows_.types(stack[i]);
        if (std::find(types.begin(), types.end(), "_NET_WM_WINDOW_TYPE_DESKTOP") != types.end())
            return std::nullopt;
        return ref(stack[i]);
    }
    return std::nullopt;
}

std::vector<port::WindowRef> X11WindowService::windowsOf(int32_t pid) {
    std::vector<port::WindowRef> result;
    auto stack = windows_.stacking();
    auto pids = windows_.pids(stack);
    // Frontmost first, as applications list their windows.
    for (size_t i = stack.size(); i-- > 0;)
        if (pids[i] == pid) result.push_back(ref(stack[i]));
    return result;
}

bool X11WindowService::exists(port::WindowRef window) {
    return client(window).has_value();
}

std::optional<int32_t> X11WindowService::pid(port::WindowRef window) {
    auto w = client(window);
    return w ? windows_.pid(*w) : std::nullopt;
}

std::optional<std::string> X11WindowService::appId(port::WindowRef window) {
    auto w = client(window);
    return w ? applications_.appIdOf(*w) : std::nullopt;
}

std::optional<Rect> X11WindowService::frame(port::WindowRef window) {
    auto w = client(window);
    if (!w) return std::nullopt;
    auto f = windows_.frame(*w);
    if (!f) return std::nullopt;
    return c_.toPort(*f);
}

std::optional<port::WindowKind> X11WindowService::kind(port::WindowRef window) {
    auto w = client(window);
    if (!w) return std::nullopt;
    return windows_.kind(*w);
}

std::optional<bool> X11WindowService::isMinimized(port::WindowRef window) {
    auto w = client(window);
    if (!w) return std::nullopt;
    return windows_.isMinimized(*w);
}

std::optional<std::string> X11WindowService::title(port::WindowRef window) {
    auto w = client(window);
    return w ? windows_.title(*w) : std::nullopt;
}

namespace {

// Icons larger than this are not worth their transfer: cards draw them at 32 pixels.
constexpr uint32_t maxIconWords = 256 * 256 + 2;

// The image of _NET_WM_ICON (width, height, then ARGB rows, repeated per size) closest
// to 48 pixels, preferring a larger one to a smaller; nothing when the data is malformed.
std::optional<port::WindowIcon> bestIcon(const uint32_t* data, size_t words) {
    std::optional<port::WindowIcon> best;
    auto score = [](int size) { return size >= 48 ? size - 48 : 2 * (48 - size); };
    size_t i = 0;
    while (i + 2 <= words) {
        uint32_t w = data[i], h = data[i + 1];
        if (w == 0 || h == 0 || w > 1024 || h > 1024 || i + 2 + size_t(w) * h > words) break;
        int size = int(std::max(w, h));
        if (!best || score(size) < score(std::max(best->width, best->height))) {
            best = port::WindowIcon{int(w), int(h),
                                    std::vector<uint32_t>(data + i + 2, data + i + 2 + w * h), ""};
        }
        i += 2 + size_t(w) * h;
    }
    return best;
}

}  // namespace

std::optional<port::WindowIcon> X11WindowService::icon(port::WindowRef window) {
    auto w = client(window);
    if (!w) return std::nullopt;
    // Read directly, not through the property cache: icons are large and read rarely.
    xcb_connection_t* x = c_.xcb();
    auto cookie = xcb_get_property(x, 0, static_cast<xcb_window_t>(*w),
                                   static_cast<xcb_atom_t>(c_.atom("_NET_WM_ICON")),
                                   XCB_ATOM_CARDINAL, 0, maxIconWords);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(x, cookie, nullptr), &free);
    if (reply && reply->format == 32) {
        auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        size_t words = size_t(xcb_get_property_value_length(reply.get())) / 4;
        if (auto image = bestIcon(data, words)) return image;
    }
    std::string name = applications_.entryIconOf(*w);
    if (name.empty()) return std::nullopt;
    return port::WindowIcon{0, 0, {}, name};
}

void X11WindowService::raise(port::WindowRef window) {
    if (auto w = client(window)) commands_.activate(*w);
}

std::optional<Rect> X11WindowService::setFrame(port::WindowRef window, const Rect& frame) {
    auto w = client(window);
    if (!w) return std::nullopt;
    auto applied = mover_.setFrame(*w, c_.toRoot(frame), managerAnswerSeconds);
    if (!applied) return std::nullopt;
    return c_.toPort(*applied);
}

std::optional<Rect> X11WindowService::setFrameDuringMove(port::WindowRef window,
                                                         const Rect& frame) {
    auto w = client(window);
    if (!w) return std::nullopt;
    if (!commands_.interruptMove(*w)) return setFrame(window, frame);
    auto applied = mover_.setFrame(*w, c_.toRoot(frame), managerAnswerSeconds);
    commands_.resumeMove(*w);
    if (!applied) return std::nullopt;
    return c_.toPort(*applied);
}

Subscription X11WindowService::onWindowEvent(port::WindowRef window,
                                             std::function<void(port::WindowEvent)> callback) {
    auto w = client(window);
    if (!w) return {};
    return observers_->observe(*w, std::move(callback));
}

Subscription X11WindowService::onWindowCreated(int32_t pid,
                                               std::function<void(port::WindowRef)> callback) {
    return observers_->observeCreated(pid, std::move(callback));
}

}  // namespace kelvra::x11
