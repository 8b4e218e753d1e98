#include "backends/gnome/GnomeKeyboardLayout.h"

#include <gio/gio.h>
#include <xkbcommon/xkbcommon.h>

#include "backends/wayland/XkbText.h"

namespace kelvra::gnome {

namespace {

// The id of the first XKB input source, empty when the settings have none.
std::string firstSource() {
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        schemas ? g_settings_schema_source_lookup(schemas, "org.gnome.desktop.input-sources", TRUE)
                : nullptr;
    if (!schema) return {};
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new("org.gnome.desktop.input-sources");
    GVariant* sources = g_settings_get_value(settings, "sources");
    std::string found;
    GVariantIter iter;
    const char* type = nullptr;
    const char* id = nullptr;
    g_variant_iter_init(&iter, sources);
    while (found.empty() && g_variant_iter_next(&iter, "(&s&s)", &type, &id)) {
        if (std::string(type) == "xkb") found = id;
    }
    g_variant_unref(sources);
    g_object_unref(settings);
    return found;
}

}  // namespace

GnomeKeyboardLayout::~GnomeKeyboardLayout() {
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::pair<std::string, std::string> GnomeKeyboardLayout::layoutOf(const std::string& source) {
    auto plus = source.find('+');
    if (plus == std::string::npos) return {source, {}};
    return {source.substr(0, plus), source.substr(plus + 1)};
}

void GnomeKeyboardLayout::load() {
    loaded_ = true;
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context_) return;
    auto [layout, variant] = layoutOf(firstSource());
    // Empty names are the system's defaults.
    xkb_rule_names names{nullptr, nullptr, layout.empty() ? nullptr : layout.c_str(),
                         variant.empty() ? nullptr : variant.c_str(), nullptr};
    keymap_ = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap_) state_ = xkb_state_new(keymap_);
}

std::optional<std::string> GnomeKeyboardLayout::translate(uint16_t virtualKeyCode) {
    if (!loaded_) load();
    return wayland::typedText(state_, virtualKeyCode);
}

}  // namespace kelvra::gnome
