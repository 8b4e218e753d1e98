#include "backends/wm/XfwmEdgeSnapping.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "backends/wm/SessionBus.h"
#include "port/Platform.h"

namespace kelvra::wm {

namespace {

constexpr const char* service = "org.xfce.Xfconf";
constexpr const char* path = "/org/xfce/Xfconf";
constexpr const char* channel = "xfwm4";
constexpr const char* property = "/general/tile_on_move";

// xfwm4's shipped default, from the first `xfwm4/defaults` among the data folders.
bool shippedDefault() {
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');) {
        std::ifstream in(dir + "/xfwm4/defaults");
        if (!in) continue;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("tile_on_move=", 0) == 0) return line.substr(13) != "false";
        break;
    }
    return true;
}

bool setProperty(bool on) {
    std::string error;
    GVariant* reply =
        callSessionBus(service, path, "org.xfce.Xfconf", "SetProperty",
                       g_variant_new("(ssv)", channel, property, g_variant_new_boolean(on)), error);
    if (!reply) {
        logLine("xfconf refused to set " + std::string(property) + ":" + error);
        return false;
    }
    g_variant_unref(reply);
    return true;
}

}  // namespace

std::optional<std::string> XfwmEdgeSnapping::setValue() {
    std::string error;
    // Read at the start of every drag: a service that hangs costs a second at most.
    GVariant* reply = callSessionBus(service, path, "org.xfce.Xfconf", "GetProperty",
                                     g_variant_new("(ss)", channel, property), error, 1000);
    if (!reply) {
        if (error.find("PropertyNotFound") != std::string::npos) return std::string();
        logLine("cannot read xfwm4's settings from xfconf:" + error);
        return std::nullopt;
    }
    GVariant* boxed = nullptr;
    g_variant_get(reply, "(v)", &boxed);
    g_variant_unref(reply);
    std::string value;
    if (g_variant_is_of_type(boxed, G_VARIANT_TYPE_BOOLEAN))
        value = g_variant_get_boolean(boxed) ? "true" : "false";
    g_variant_unref(boxed);
    return value;
}

std::optional<bool> XfwmEdgeSnapping::isOn() {
    const auto value = setValue();
    if (!value) return std::nullopt;
    return value->empty() ? shippedDefault() : *value == "true";
}

// "true" or "false" as set, "default" when xfconf had no value.
std::optional<std::string> XfwmEdgeSnapping::switchOff() {
    auto value = setValue();
    if (!value || !setProperty(false)) return std::nullopt;
    return value->empty() ? "default" : *value;
}

bool XfwmEdgeSnapping::restore(const std::string& saved) {
    if (saved != "default") return setProperty(saved == "true");
    std::string error;
    GVariant* reply = callSessionBus(service, path, "org.xfce.Xfconf", "ResetProperty",
                                     g_variant_new("(ssb)", channel, property, FALSE), error);
    if (!reply) {
        logLine("xfconf refused to reset " + std::string(property) + ":" + error);
        return false;
    }
    g_variant_unref(reply);
    return true;
}

}  // namespace kelvra::wm
