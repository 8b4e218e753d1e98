#include "backends/x11/X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "backends/x11/X11Properties.h"
#include "backends/x11/pure/WindowKind.h"

namespace kelvra::x11 {

namespace {

// Everything the backend asks a client window about itself, read together.
const std::vector<const char*>& factNames() {
    static const std::vector<const char*> names = {"_NET_WM_PID",
                                                   "_NET_WM_WINDOW_TYPE",
                                                   "WM_TRANSIENT_FOR",
                                                   "_NET_WM_STATE",
                                                   "WM_STATE",
                                                   "_NET_FRAME_EXTENTS",
                                                   "_GTK_FRAME_EXTENTS",
                                                   "WM_CLASS",
                                                   "_GTK_APPLICATION_ID",
                                                   "_NET_STARTUP_ID",
                                                   "WM_NORMAL_HINTS",
                                                   "_NET_WM_NAME",
                                                   "WM_NAME"};
    return names;
}

// Other atoms the backend names, interned with the facts in one round trip.
const std::vector<const char*>& otherNames() {
    static const std::vector<const char*> names = {"_NET_CLIENT_LIST",
                                                   "_NET_CLIENT_LIST_STACKING",
                                                   "_NET_ACTIVE_WINDOW",
                                                   "_NET_SUPPORTING_WM_CHECK",
                                                   "_NET_WM_STATE_HIDDEN",
                                                   "_NET_WM_STATE_MAXIMIZED_VERT",
                                                   "_NET_WM_STATE_MAXIMIZED_HORZ",
                                                   "_NET_WM_STATE_FULLSCREEN",
                                                   "_NET_WM_STATE_SKIP_TASKBAR",
                                                   "_NET_MOVERESIZE_WINDOW",
                                                   "UTF8_STRING"};
    return names;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

}  // namespace

X11Windows::X11Windows(X11Connection& connection)
    : c_(connection), cache_(connection.properties()) {
    if (!c_.isOpen()) return;
    std::vector<const char*> all = factNames();
    all.insert(all.end(), otherNames().begin(), otherNames().end());
    c_.preloadAtoms(all);
    for (const char* name : factNames()) facts_.push_back(c_.atom(name));
}

PropertyValue X11Windows::value(Window w, const char* property) {
    if (w == c_.root())
        cache_.fetch({w}, {c_.atom(property)});
    else
        prefetch({w});
    return cache_.get(w, c_.atom(property));
}

void X11Windows::prefetch(const std::vector<Window>& windows) {
    cache_.fetch(windows, facts_);
}

std::vector<Window> X11Windows::rootWindows(const char* property) {
    std::vector<Window> list;
    auto v = value(c_.root(), property);
    if (!v || v->type != XA_WINDOW) return list;
    for (uint32_t w : cardinals(v)) list.push_back(w);
    return list;
}

std::vector<Window> X11Windows::scanTopLevels() {
    std::vector<Window> result;
    if (!c_.isOpen()) return result;
    xcb_connection_t* x = c_.xcb();
    std::unique_ptr<xcb_query_tree_reply_t, FreeDeleter> tree(
        xcb_query_tree_reply(x, xcb_query_tree(x, static_cast<xcb_window_t>(c_.root())), nullptr));
    if (!tree) return result;
    auto* first = xcb_query_tree_children(tree.get());
    std::vector<Window> children(first, first + xcb_query_tree_children_length(tree.get()));
    Atom wmState = c_.atom("WM_STATE");
    auto areas = cache_.fetch(children, {wmState}, children);

    // A window manager that speaks only the older conventions marks its clients
    // inside its frames (up to two levels down); with no manager at all the mapped
    // top-levels are the clients. Each level is one round trip for all windows.
    std::vector<Window> client(children.size(), None);
    std::vector<std::vector<Window>> level(children.size());
    for (size_t i = 0; i < children.size(); ++i) {
        if (cache_.get(children[i], wmState))
            client[i] = children[i];
        else
            level[i] = {children[i]};
    }
    for (int depth = 0; depth < 2; ++depth) {
        std::vector<std::pair<size_t, xcb_query_tree_cookie_t>> asked;
        for (size_t i = 0; i < children.size(); ++i)
            if (client[i] == None)
                for (Window w : level[i])
                    asked.emplace_back(i, xcb_query_tree(x, static_cast<xcb_window_t>(w)));
        if (asked.empty()) break;
        std::vector<std::vector<Window>> next(children.size());
        for (auto& [i, cookie] : asked) {
            std::unique_ptr<xcb_query_tree_reply_t, FreeDeleter> sub(
                xcb_query_tree_reply(x, cookie, nullptr));
            if (!sub) continue;
            auto* c = xcb_query_tree_children(sub.get());
            next[i].insert(next[i].end(), c, c + xcb_query_tree_children_length(sub.get()));
        }
        std::vector<Window> all;
        for (auto& n : next) all.insert(all.end(), n.begin(), n.end());
        cache_.fetch(all, {wmState});
        for (size_t i = 0; i < children.size(); ++i)
            for (auto it = next[i].rbegin(); it != next[i].rend() && client[i] == None; ++it)
                if (cache_.get(*it, wmState)) client[i] = *it;
        level = std::move(next);
    }
    for (size_t i = 0; i < children.size(); ++i) {
        if (client[i] != None) {
            result.push_back(client[i]);
        } else if (areas[i] && areas[i]->viewable && !areas[i]->overrideRedirect &&
                   areas[i]->inputOutput) {
            result.push_back(children[i]);
        }
    }
    return result;
}

std::vector<Window> X11Windows::stacking() {
    if (c_.hasWindowManager()) {
        auto list = rootWindows("_NET_CLIENT_LIST_STACKING");
        if (!list.empty()) return list;
        return rootWindows("_NET_CLIENT_LIST");
    }
    return scanTopLevels();
}

std::vector<Window> X11Windows::clients() {
    if (c_.hasWindowManager()) {
        auto list = rootWindows("_NET_CLIENT_LIST");
        if (!list.empty()) return list;
        return rootWindows("_NET_CLIENT_LIST_STACKING");
    }
    return scanTopLevels();
}

std::optional<Window> X11Windows::activeWindow() {
    if (c_.hasWindowManager()) {
        auto list = rootWindows("_NET_ACTIVE_WINDOW");
        if (list.empty() || list.front() == None) return std::nullopt;
        return list.front();
    }
    // Without a manager the keyboard focus tells which window is in front.
    xcb_connection_t* x = c_.xcb();
    std::unique_ptr<xcb_get_input_focus_reply_t, FreeDeleter> focus(
        xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    if (!focus) return std::nullopt;
    Window f = focus->focus;
    if (f == None || f == PointerRoot || f == c_.root()) return std::nullopt;
    auto top = topLevel(f);
    for (Window w : clients())
        if (w == f || (top && topLevel(w) == top)) return w;
    return std::nullopt;
}

std::vector<std::optional<int32_t>> X11Windows::pids(const std::vector<Window>& windows) {
    prefetch(windows);
    std::vector<std::optional<int32_t>> result(windows.size());
    std::vector<Window> unnamed;
    std::vector<size_t> unnamedAt;
    for (size_t i = 0; i < windows.size(); ++i) {
        auto v = cardinals(cache_.get(windows[i], c_.atom("_NET_WM_PID")));
        if (!v.empty() && v[0] > 0 && v[0] <= INT32_MAX) {
            result[i] = static_cast<int32_t>(v[0]);
        } else {
            unnamed.push_back(windows[i]);
            unnamedAt.push_back(i);
        }
    }
    if (unnamed.empty()) return result;
    auto owners = cache_.ownerPids(unnamed);
    for (size_t k = 0; k < unnamed.size(); ++k) result[unnamedAt[k]] = owners[k];
    return result;
}

std::optional<int32_t> X11Windows::pid(Window w) {
    if (w == None) return std::nullopt;
    return pids({w}).front();
}

Extents X11Windows::extents(Window w, const char* property) {
    auto v = cardinals(cache_.get(w, c_.atom(property)));
    if (v.size() < 4) return {};
    return Extents{static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2]),
                   static_cast<double>(v[3])};
}

Placement X11Windows::placed(Window w, const WindowArea& area) {
    Placement p;
    p.area = area;
    if (c_.hasWindowManager()) {
        p.decorations = extents(w, "_NET_FRAME_EXTENTS");
    } else {
        // Without a manager nobody draws decorations, whatever a stale property says;
        // the window's own border is all there is around it.
        p.decorations = Extents{area.border, area.border, area.border, area.border};
    }
    p.shadows = extents(w, "_GTK_FRAME_EXTENTS");
    p.frame = outerFrame(area.rect, p.decorations, p.shadows);
    return p;
}

std::vector<std::optional<Placement>> X11Windows::placements(const std::vector<Window>& windows) {
    std::vector<std::optional<Placement>> result(windows.size());
    if (!c_.isOpen()) return result;
    c_.hasWindowManager();  // known before the batch, so that it adds no round trip later
    // Known holders let the cache keep the areas until a configure event drops them.
    for (Window w : windows) cache_.topLevel(w);
    auto areas = cache_.fetch(windows, facts_, windows);
    for (size_t i = 0; i < windows.size(); ++i)
        if (areas[i]) result[i] = placed(windows[i], *areas[i]);
    return result;
}

std::optional<Placement> X11Windows::placement(Window w) {
    if (w == None) return std::nullopt;
    return placements({w}).front();
}

std::optional<Rect> X11Windows::frame(Window w) {
    auto p = placement(w);
    if (!p) return std::nullopt;
    return p->frame;
}

bool X11Windows::exists(Window w) {
    if (w == None || !c_.isOpen()) return false;
    if (c_.hasWindowManager()) {
        auto list = clients();
        return std::find(list.begin(), list.end(), w) != list.end();
    }
    return cache_.fetch({}, {}, {w}).front().has_value();
}

std::optional<Window> X11Windows::topLevel(Window w) {
    return cache_.topLevel(w);
}

std::vector<std::string> X11Windows::types(Window w) {
    std::vector<std::string> names;
    auto v = value(w, "_NET_WM_WINDOW_TYPE");
    if (!v || v->type != XA_ATOM) return names;
    for (uint32_t a : cardinals(v)) names.push_back(c_.atomName(a));
    return names;
}

bool X11Windows::isTransient(Window w) {
    auto v = value(w, "WM_TRANSIENT_FOR");
    xcb_window_t owner = XCB_NONE;
    return v && xcb_icccm_get_wm_transient_for_from_reply(
                    &owner, const_cast<xcb_get_property_reply_t*>(v.get()));
}

port::WindowKind X11Windows::kind(Window w) {
    return windowKindFor(types(w), isTransient(w));
}

bool X11Windows::hasState(Window w, const char* state) {
    auto v = value(w, "_NET_WM_STATE");
    if (!v || v->type != XA_ATOM) return false;
    auto states = cardinals(v);
    return std::find(states.begin(), states.end(), c_.atom(state)) != states.end();
}

bool X11Windows::isMinimized(Window w) {
    if (hasState(w, "_NET_WM_STATE_HIDDEN")) return true;
    auto v = cardinals(value(w, "WM_STATE"));
    return !v.empty() && v[0] == IconicState;
}

std::optional<std::string> X11Windows::title(Window w) {
    auto name = value(w, "_NET_WM_NAME");
    if (name && name->type == c_.atom("UTF8_STRING")) return text(name);
    auto legacy = value(w, "WM_NAME");
    auto t = text(legacy);
    if (!t) return std::nullopt;
    if (legacy->type != XA_STRING) return t;  // compound text: as it is
    return latin1ToUtf8(*t);
}

std::optional<std::pair<std::string, std::string>> X11Windows::wmClass(Window w) {
    auto parts = strings(value(w, "WM_CLASS"));
    if (parts.empty()) return std::nullopt;
    return std::make_pair(parts[0], parts.size() > 1 ? parts[1] : std::string());
}

std::optional<std::string> X11Windows::gtkApplicationId(Window w) {
    return text(value(w, "_GTK_APPLICATION_ID"));
}

std::optional<std::string> X11Windows::startupId(Window w) {
    return text(value(w, "_NET_STARTUP_ID"));
}

SizeHints X11Windows::sizeHints(Window w) {
    SizeHints result;
    auto v = value(w, "WM_NORMAL_HINTS");
    xcb_size_hints_t hints{};
    if (!v || !xcb_icccm_get_wm_size_hints_from_reply(
                  &hints, const_cast<xcb_get_property_reply_t*>(v.get())))
        return result;
    if (hints.flags & XCB_ICCCM_SIZE_HINT_P_MIN_SIZE) {
        result.minWidth = hints.min_width;
        result.minHeight = hints.min_height;
    }
    if ((hints.flags & XCB_ICCCM_SIZE_HINT_P_MAX_SIZE) && hints.max_width > 0 &&
        hints.max_height > 0) {
        result.maxWidth = hints.max_width;
        result.maxHeight = hints.max_height;
    }
    if (hints.flags & XCB_ICCCM_SIZE_HINT_BASE_SIZE) {
        result.baseWidth = hints.base_width;
        result.baseHeight = hints.base_height;
    }
    if ((hints.flags & XCB_ICCCM_SIZE_HINT_P_RESIZE_INC) && hints.width_inc > 0 &&
        hints.height_inc > 0) {
        result.widthIncrement = hints.width_inc;
        result.heightIncrement = hints.height_inc;
    }
    return result;
}

}  // namespace kelvra::x11
