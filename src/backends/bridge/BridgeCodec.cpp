#include "backends/bridge/BridgeCodec.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace kelvra::bridge {

namespace {

using nlohmann::json;

// Thrown inside the decoder only; decodeFromBridge turns it into an error text.
struct Malformed {
    std::string what;
};

[[noreturn]] void fail(std::string what) {
    throw Malformed{std::move(what)};
}

const json& field(const json& object, const char* name) {
    auto it = object.find(name);
    if (it == object.end()) fail(std::string("missing ") + name);
    return *it;
}

std::string text(const json& object, const char* name) {
    const json& value = field(object, name);
    if (!value.is_string()) fail(std::string(name) + " is not a string");
    return value.get<std::string>();
}

bool flag(const json& object, const char* name) {
    const json& value = field(object, name);
    if (!value.is_boolean()) fail(std::string(name) + " is not a boolean");
    return value.get<bool>();
}

double number(const json& object, const char* name) {
    const json& value = field(object, name);
    if (!value.is_number()) fail(std::string(name) + " is not a number");
    double result = value.get<double>();
    if (!std::isfinite(result)) fail(std::string(name) + " is not finite");
    return result;
}

std::int64_t integer(const json& object, const char* name) {
    const json& value = field(object, name);
    if (!value.is_number_integer()) fail(std::string(name) + " is not an integer");
    return value.get<std::int64_t>();
}

const json& array(const json& object, const char* name) {
    const json& value = field(object, name);
    if (!value.is_array()) fail(std::string(name) + " is not an array");
    return value;
}

const json& object(const json& parent, const char* name) {
    const json& value = field(parent, name);
    if (!value.is_object()) fail(std::string(name) + " is not an object");
    return value;
}

Point point(const json& parent, const char* name) {
    const json& p = object(parent, name);
    return {number(p, "x"), number(p, "y")};
}

Rect rect(const json& parent, const char* name) {
    const json& r = object(parent, name);
    Rect result(number(r, "x"), number(r, "y"), number(r, "w"), number(r, "h"));
    if (result.width < 0 || result.height < 0) fail(std::string(name) + " has a negative size");
    return result;
}

WindowKind windowKind(const std::string& name) {
    if (name == "normal") return WindowKind::normal;
    if (name == "dialog") return WindowKind::dialog;
    if (name == "utility") return WindowKind::utility;
    // A later bridge may tell more kinds apart; they are all "other" to this version.
    return WindowKind::other;
}

WindowSnapshot windowSnapshot(const json& w) {
    if (!w.is_object()) fail("a window is not an object");
    WindowSnapshot s;
    s.id = text(w, "id");
    if (s.id.empty()) fail("a window has an empty id");
    s.pid = integer(w, "pid");
    s.appId = text(w, "appId");
    s.kind = windowKind(text(w, "kind"));
    s.minimized = flag(w, "minimized");
    s.title = text(w, "title");
    s.frame = rect(w, "frame");
    return s;
}

std::vector<ScreenSnapshot> screens(const json& parent) {
    std::vector<ScreenSnapshot> result;
    for (const json& s : array(parent, "screens")) {
        if (!s.is_object()) fail("a screen is not an object");
        result.push_back({text(s, "name"), rect(s, "geometry"), rect(s, "workArea")});
    }
    return result;
}

ResultStatus resultStatus(const std::string& name) {
    if (name == "done") return ResultStatus::done;
    if (name == "settled") return ResultStatus::settled;
    if (name == "timedOut") return ResultStatus::timedOut;
    if (name == "noWindow") return ResultStatus::noWindow;
    if (name == "failed") return ResultStatus::failed;
    fail("unknown status " + name);
}

FromBridge event(const std::string& type, const json& m) {
    if (type == "poll") return Poll{};
    if (type == "snapshot") {
        Snapshot s;
        for (const json& w : array(m, "windows")) s.windows.push_back(windowSnapshot(w));
        s.screens = screens(m);
        s.active = text(m, "active");
        s.pointer = point(m, "pointer");
        if (m.contains("id")) s.commandId = integer(m, "id");
        return s;
    }
    if (type == "windowAdded") return WindowAdded{windowSnapshot(field(m, "window"))};
    if (type == "windowRemoved") return WindowRemoved{text(m, "window")};
    if (type == "windowActivated") return WindowActivated{text(m, "window")};
    if (type == "windowMoved" || type == "windowResized") {
        return WindowFrameChanged{text(m, "window"), rect(m, "frame"), type == "windowResized"};
    }
    if (type == "windowMinimized") return WindowMinimized{text(m, "window"), flag(m, "minimized")};
    if (type == "screensChanged") return ScreensChanged{screens(m)};
    if (type == "moveStarted" || type == "moveStepped" || type == "moveFinished") {
        MovePhase phase = type == "moveStarted"   ? MovePhase::started
                          : type == "moveStepped" ? MovePhase::stepped
                                                  : MovePhase::finished;
        return InteractiveMove{phase, text(m, "window"), rect(m, "frame"), point(m, "pointer")};
    }
    if (type == "keyPressed") return KeyPressed{text(m, "name")};
    if (type == "menuChosen") return MenuChosen{text(m, "item")};
    if (type == "result") {
        CommandResult r;
        r.id = integer(m, "id");
        r.status = resultStatus(text(m, "status"));
        if (m.contains("frame")) r.frame = rect(m, "frame");
        if (m.contains("pointer")) r.pointer = point(m, "pointer");
        if (m.contains("window")) r.window = text(m, "window");
        return r;
    }
    fail("unknown type " + type);
}

FromBridge message(const json& m, std::string_view token) {
    if (!m.is_object()) fail("not a JSON object");
    const json& v = field(m, "v");
    if (!v.is_number_integer() || v.get<std::int64_t>() != protocolVersion) {
        fail("protocol version " + v.dump() + ", expected " + std::to_string(protocolVersion));
    }
    std::string type = text(m, "type");
    // Hello is the only message sent before the bridge knows the token.
    if (type == "hello") {
        Hello h{text(m, "bridge"), text(m, "bridgeVersion"), 0};
        std::int64_t api = integer(m, "api");
        if (api < 0 || api > 1000) fail("api generation out of range");
        h.api = static_cast<int>(api);
        return h;
    }
    if (!m.contains("token")) fail("missing token");
    if (text(m, "token") != token) fail("wrong token");
    return event(type, m);
}

json rectJson(const Rect& r) {
    return {{"x", r.x}, {"y", r.y}, {"w", r.width}, {"h", r.height}};
}

json menuJson(const std::vector<port::MenuItem>& entries) {
    json list = json::array();
    for (const port::MenuItem& e : entries) {
        json item = {{"id", e.id},
                     {"title", e.title},
                     {"shortcut", e.shortcut},
                     {"separator", e.separator},
                     {"checked", e.checked},
                     {"enabled", e.enabled}};
        if (!e.submenu.empty()) item["submenu"] = menuJson(e.submenu);
        list.push_back(std::move(item));
    }
    return list;
}

json commandJson(const Command& command) {
    return std::visit(
        [](const auto& c) -> json {
            using T = std::decay_t<decltype(c)>;
            json j = {{"id", c.id}};
            if constexpr (std::is_same_v<T, SetFrame>) {
                j["cmd"] = "setFrame";
                j["window"] = c.window;
                j["frame"] = rectJson(c.frame);
            } else if constexpr (std::is_same_v<T, Raise>) {
                j["cmd"] = "raise";
                j["window"] = c.window;
            } else if constexpr (std::is_same_v<T, Activate>) {
                j["cmd"] = "activate";
                j["window"] = c.window;
                if (!c.ifActive.empty()) j["ifActive"] = c.ifActive;
            } else if constexpr (std::is_same_v<T, GetPointer>) {
                j["cmd"] = "getPointer";
            } else if constexpr (std::is_same_v<T, ListWindows>) {
                j["cmd"] = "list";
            } else if constexpr (std::is_same_v<T, GrabKey>) {
                j["cmd"] = "grabKey";
                j["name"] = c.name;
                j["accelerator"] = c.accelerator;
            } else if constexpr (std::is_same_v<T, ReleaseKey>) {
                j["cmd"] = "releaseKey";
                j["name"] = c.name;
            } else if constexpr (std::is_same_v<T, Forecast>) {
                j["cmd"] = "forecast";
                j["window"] = c.window;
                if (!c.window.empty()) {
                    j["from"] = rectJson(c.from);
                    j["keys"] = json::array();
                    for (const auto& [name, frame] : c.keys)
                        j["keys"].push_back({{"name", name}, {"frame", rectJson(frame)}});
                    if (c.validMs) j["validMs"] = *c.validMs;
                }
            } else if constexpr (std::is_same_v<T, SetMenu>) {
                j["cmd"] = "setMenu";
                j["menu"] = nullptr;
                if (c.menu) {
                    j["menu"] = {{"icon", c.menu->icon},
                                 {"toolTip", c.menu->toolTip},
                                 {"items", menuJson(c.menu->items)}};
                }
            } else {
                static_assert(std::is_same_v<T, PlaceOwn>);
                j["cmd"] = "placeOwn";
                j["pid"] = c.pid;
                j["title"] = c.title;
                j["keepAbove"] = c.keepAbove;
                j["skipTaskbar"] = c.skipTaskbar;
                j["skipSwitcher"] = c.skipSwitcher;
                if (c.frame) j["frame"] = rectJson(*c.frame);
                if (!c.style) j["style"] = false;
                if (c.activate) j["activate"] = true;
            }
            return j;
        },
        command);
}

}  // namespace

Decoded decodeFromBridge(std::string_view text, std::string_view token) {
    json parsed = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) return {std::nullopt, "not JSON"};
    try {
        return {message(parsed, token), {}};
    } catch (const Malformed& e) {
        return {std::nullopt, e.what};
    } catch (const json::exception& e) {
        // The checks above should leave nothing for the library to object to; this is a
        // safety net so that no message can ever throw out of the decoder.
        return {std::nullopt, e.what()};
    }
}

std::string encodeToBridge(const ToBridge& message, std::string_view token) {
    json j = {{"v", protocolVersion}};
    std::visit(
        [&](const auto& m) {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, Rejected>) {
                j["type"] = "rejected";
                j["reason"] = m.reason;
                return;
            } else {
                j["token"] = std::string(token);
                if constexpr (std::is_same_v<T, Welcome>) {
                    j["type"] = "welcome";
                    j["pid"] = m.pid;
                    if (!m.peer.empty()) j["peer"] = m.peer;
                } else if constexpr (std::is_same_v<T, Ack>) {
                    j["type"] = "ack";
                } else {
                    static_assert(std::is_same_v<T, Commands>);
                    j["type"] = "commands";
                    j["commands"] = json::array();
                    for (const Command& c : m.commands) j["commands"].push_back(commandJson(c));
                }
            }
        },
        message);
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace kelvra::bridge
