#include "backends/x11/X11PropertyCache.h"

#include <xcb/res.h>

#include <cstdlib>

#include "backends/x11/X11Connection.h"

namespace kelvra::x11 {

namespace {

// Longer values (icons, say) are never asked for; lists and names fit easily.
constexpr uint32_t maxPropertyWords = 1 << 16;

// Whether an event with this serial may tell of a change after the read with this
// sequence number (sequence numbers wrap around at 32 bits).
bool notOlder(unsigned long serial, uint32_t sequence) {
    return static_cast<int32_t>(static_cast<uint32_t>(serial) - sequence) >= 0;
}

template <typename T>
struct Freed {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Freed<T>>;

}  // namespace

X11PropertyCache::X11PropertyCache(X11Connection& connection) : c_(connection) {
    if (!c_.isOpen()) return;
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(c_.xcb(), &xcb_res_id);
    haveResources_ = res && res->present;
    c_.addEventMask(c_.root(), PropertyChangeMask);
    listener_ = c_.addListener([this](const XEvent& e) { onEvent(e); });
}

X11PropertyCache::~X11PropertyCache() {
    listener_.cancel();
}

void X11PropertyCache::watch(Window w) {
    if (w == c_.root() || !watched_.insert(w).second) return;
    // Selected before the first read goes out, so no change after it can go unheard.
    c_.addEventMask(w, PropertyChangeMask | StructureNotifyMask);
}

void X11PropertyCache::forget(Window w) {
    values_.erase(values_.lower_bound({w, 0}), values_.lower_bound({w + 1, 0}));
    ownerPids_.erase(w);
    dropAreasUnder(w);
    forgetAncestry(w);
    watched_.erase(w);
}

void X11PropertyCache::forgetAncestry(Window w) {
    topLevels_.erase(w);
    areas_.erase(w);
    auto it = ancestors_.find(w);
    if (it == ancestors_.end()) return;
    for (Window a : it->second) {
        auto under = clientsUnder_.find(a);
        if (under == clientsUnder_.end()) continue;
        under->second.erase(w);
        if (under->second.empty()) clientsUnder_.erase(under);
    }
    ancestors_.erase(it);
}

void X11PropertyCache::dropAreasUnder(Window w, std::optional<unsigned long> serial) {
    auto drop = [&](Window client) {
        auto it = areas_.find(client);
        if (it != areas_.end() && (!serial || notOlder(*serial, it->second.sequence)))
            areas_.erase(it);
    };
    drop(w);
    if (auto under = clientsUnder_.find(w); under != clientsUnder_.end())
        for (Window client : under->second) drop(client);
}

void X11PropertyCache::onEvent(const XEvent& e) {
    switch (e.type) {
        case PropertyNotify:
            if (auto it = values_.find({e.xproperty.window, e.xproperty.atom});
                it != values_.end() && notOlder(e.xproperty.serial, it->second.sequence))
                values_.erase(it);
            break;
        case DestroyNotify:
            forget(e.xdestroywindow.window);
            break;
        case ReparentNotify:
            dropAreasUnder(e.xreparent.window);
            forgetAncestry(e.xreparent.window);
            break;
        case ConfigureNotify:
            dropAreasUnder(e.xconfigure.window, e.xconfigure.serial);
            break;
        case MapNotify:
            dropAreasUnder(e.xmap.window, e.xmap.serial);
            break;
        case UnmapNotify:
            dropAreasUnder(e.xunmap.window, e.xunmap.serial);
            break;
        default:
            break;
    }
}

void X11PropertyCache::absorbQueuedEvents() {
    if (!c_.isOpen()) return;
    // The predicate sees every queued event (reading what the socket holds, without
    // waiting) and takes none: the listeners still get them all.
    struct Scan {
        static Bool each(Display*, XEvent* e, XPointer self) {
            reinterpret_cast<X11PropertyCache*>(self)->onEvent(*e);
            return False;
        }
    };
    XEvent unused;
    XCheckIfEvent(c_.display(), &unused, &Scan::each, reinterpret_cast<XPointer>(this));
}

std::vector<std::optional<WindowArea>> X11PropertyCache::fetch(
    const std::vector<Window>& windows, const std::vector<Atom>& properties,
    const std::vector<Window>& areaWindows) {
    std::vector<std::optional<WindowArea>> areas(areaWindows.size());
    if (!c_.isOpen()) return areas;
    absorbQueuedEvents();
    xcb_connection_t* x = c_.xcb();

    struct Asked {
        std::pair<Window, Atom> key;
        xcb_get_property_cookie_t cookie;
    };
    std::vector<Asked> asked;
    for (Window w : windows) {
        if (w == None) continue;
        bool watchedBefore = false;
        for (Atom a : properties) {
            if (a == None || values_.count({w, a})) continue;
            if (!watchedBefore) watch(w);
            watchedBefore = true;
            asked.push_back(
                {{w, a},
                 xcb_get_property(x, 0, static_cast<xcb_window_t>(w), static_cast<xcb_atom_t>(a),
                                  XCB_ATOM_ANY, 0, maxPropertyWords)});
        }
    }
    struct AreaCookies {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t position;
    };
    std::vector<AreaCookies> areaCookies;
    std::vector<size_t> areaAsked;
    for (size_t i = 0; i < areaWindows.size(); ++i) {
        Window w = areaWindows[i];
        if (auto it = areas_.find(w); it != areas_.end()) {
            areas[i] = it->second.value;
            continue;
        }
        auto id = static_cast<xcb_window_t>(w);
        areaAsked.push_back(i);
        areaCookies.push_back(
            {xcb_get_window_attributes(x, id), xcb_get_geometry(x, id),
             xcb_translate_coordinates(x, id, static_cast<xcb_window_t>(c_.root()), 0, 0)});
    }

    for (auto& a : asked) {
        xcb_generic_error_t* error = nullptr;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(x, a.cookie, &error);
        if (error) {
            // The window is gone: nothing to remember about it.
            std::free(error);
            std::free(reply);
            continue;
        }
        if (!reply) continue;
        if (reply->type == XCB_NONE) {
            std::free(reply);
            values_[a.key] = {nullptr, a.cookie.sequence};
        } else {
            values_[a.key] = {PropertyValue(reply, Freed<xcb_get_property_reply_t>()),
                              a.cookie.sequence};
        }
    }
    for (size_t i = 0; i < areaCookies.size(); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(x, areaCookies[i].attributes, nullptr));
        Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(x, areaCookies[i].geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(x, areaCookies[i].position, nullptr));
        if (!attributes || !geometry || !position) continue;
        areas[areaAsked[i]] = WindowArea{
            Rect(position->dst_x, position->dst_y, geometry->width, geometry->height),
            static_cast<double>(geometry->border_width),
            attributes->map_state == XCB_MAP_STATE_VIEWABLE, attributes->override_redirect != 0,
            attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT};
        // Kept only while every window that holds it is watched for changes.
        Window w = areaWindows[areaAsked[i]];
        if (topLevels_.count(w))
            areas_[w] = {*areas[areaAsked[i]], areaCookies[i].attributes.sequence};
    }
    return areas;
}

PropertyValue X11PropertyCache::get(Window w, Atom property) const {
    auto it = values_.find({w, property});
    return it == values_.end() ? nullptr : it->second.value;
}

std::vector<std::optional<int32_t>> X11PropertyCache::ownerPids(
    const std::vector<Window>& windows) {
    std::vector<std::optional<int32_t>> result(windows.size());
    if (!c_.isOpen() || !haveResources_) return result;
    absorbQueuedEvents();
    xcb_connection_t* x = c_.xcb();
    std::vector<std::pair<size_t, xcb_res_query_client_ids_cookie_t>> asked;
    for (size_t i = 0; i < windows.size(); ++i) {
        if (auto it = ownerPids_.find(windows[i]); it != ownerPids_.end()) {
            result[i] = it->second;
            continue;
        }
        watch(windows[i]);
        // Any resource id names the client that created it: the window's own will do.
        xcb_res_client_id_spec_t spec{static_cast<uint32_t>(windows[i]),
                                      XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        asked.emplace_back(i, xcb_res_query_client_ids(x, 1, &spec));
    }
    for (auto& [i, cookie] : asked) {
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_res_query_client_ids_reply_t> reply(
            xcb_res_query_client_ids_reply(x, cookie, &error));
        if (error) {
            std::free(error);
            continue;
        }
        if (!reply) continue;
        std::optional<int32_t> pid;
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
             xcb_res_client_id_value_next(&it)) {
            if (!(it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) ||
                xcb_res_client_id_value_value_length(it.data) < 1)
                continue;
            uint32_t value = *xcb_res_client_id_value_value(it.data);
            if (value > 0) pid = static_cast<int32_t>(value);
        }
        // Remote clients have no local process: that answer is kept too.
        ownerPids_[windows[i]] = pid;
        result[i] = pid;
    }
    return result;
}

std::optional<Window> X11PropertyCache::topLevel(Window w) {
    if (!c_.isOpen() || w == None) return std::nullopt;
    absorbQueuedEvents();
    if (auto it = topLevels_.find(w); it != topLevels_.end()) return it->second;
    watch(w);
    Window current = w;
    std::vector<Window> ancestors;
    for (int depth = 0; depth < 16; ++depth) {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(
            c_.xcb(), xcb_query_tree(c_.xcb(), static_cast<xcb_window_t>(current)), nullptr));
        if (!tree) return std::nullopt;
        if (tree->parent == c_.root() || tree->parent == XCB_NONE) {
            // A move of any window that holds the client moves the client.
            for (Window a : ancestors) {
                c_.addEventMask(a, StructureNotifyMask);
                clientsUnder_[a].insert(w);
            }
            ancestors_[w] = ancestors;
            topLevels_[w] = current;
            return current;
        }
        current = tree->parent;
        ancestors.push_back(current);
    }
    return std::nullopt;
}

std::vector<uint32_t> cardinals(const PropertyValue& value) {
    if (!value || value->format != 32) return {};
    auto* data = static_cast<const uint32_t*>(xcb_get_property_value(value.get()));
    int bytes = xcb_get_property_value_length(value.get());
    return std::vector<uint32_t>(data, data + bytes / 4);
}

std::optional<std::string> text(const PropertyValue& value) {
    if (!value || value->format != 8) return std::nullopt;
    auto* data = static_cast<const char*>(xcb_get_property_value(value.get()));
    return std::string(data, static_cast<size_t>(xcb_get_property_value_length(value.get())));
}

std::vector<std::string> strings(const PropertyValue& value) {
    std::vector<std::string> result;
    auto all = text(value);
    if (!all) return result;
    size_t start = 0;
    while (start < all->size()) {
        size_t end = all->find('\0', start);
        if (end == std::string::npos) end = all->size();
        result.push_back(all->substr(start, end - start));
        start = end + 1;
    }
    return result;
}

}  // namespace kelvra::x11
