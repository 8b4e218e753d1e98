#include "backends/wm/GSettingsEdgeSnapping.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstring>
#include <memory>
#include <utility>

#include "port/Platform.h"

namespace kelvra::wm {

namespace {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, Unref>;

// The schema's settings, or null when the key cannot be kept: looked up first, since
// GSettings aborts the program on a schema it does not have. Why is logged once (`told`):
// the settings are read at the start of every drag.
Settings open(const std::string& schemaId, const std::string& key, bool& told) {
    const auto refuse = [&told](const std::string& why) {
        if (!std::exchange(told, true)) logLine(why);
        return nullptr;
    };
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, schemaId.c_str(), TRUE) : nullptr;
    if (!schema) return refuse("the settings schema " + schemaId + " is not installed");
    const bool hasKey = g_settings_schema_has_key(schema, key.c_str());
    g_settings_schema_unref(schema);
    if (!hasKey) return refuse("the settings schema " + schemaId + " has no key " + key);
    // Settings kept in memory would change nothing the window manager sees.
    GSettingsBackend* backend = g_settings_backend_get_default();
    const bool inMemory = std::strcmp(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend") == 0;
    g_object_unref(backend);
    if (inMemory) return refuse("no settings service (dconf) keeps " + schemaId);
    return Settings(g_settings_new(schemaId.c_str()));
}

bool write(GSettings* settings, const std::string& key, std::optional<bool> value) {
    const bool done = value ? g_settings_set_boolean(settings, key.c_str(), *value)
                            : (g_settings_reset(settings, key.c_str()), true);
    // Written to the settings service before the program goes on (or ends).
    g_settings_sync();
    return done;
}

}  // namespace

GSettingsEdgeSnapping::GSettingsEdgeSnapping(std::string managerName, std::string schema,
                                             std::string key)
    : managerName_(std::move(managerName)), schema_(std::move(schema)), key_(std::move(key)) {}

std::optional<bool> GSettingsEdgeSnapping::isOn() {
    auto settings = open(schema_, key_, told_);
    if (!settings) return std::nullopt;
    return g_settings_get_boolean(settings.get(), key_.c_str()) != FALSE;
}

// "true" or "false" as the user set it, "default" when the key was never set.
std::optional<std::string> GSettingsEdgeSnapping::switchOff() {
    auto settings = open(schema_, key_, told_);
    if (!settings) return std::nullopt;
    GVariant* user = g_settings_get_user_value(settings.get(), key_.c_str());
    std::string saved = "default";
    if (user) {
        saved = g_variant_get_boolean(user) ? "true" : "false";
        g_variant_unref(user);
    }
    if (!write(settings.get(), key_, false)) return std::nullopt;
    return saved;
}

bool GSettingsEdgeSnapping::restore(const std::string& saved) {
    auto settings = open(schema_, key_, told_);
    if (!settings) return false;
    return write(settings.get(), key_,
                 saved == "default" ? std::nullopt : std::optional<bool>(saved == "true"));
}

}  // namespace kelvra::wm
