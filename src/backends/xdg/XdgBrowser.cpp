#include "backends/xdg/XdgBrowser.h"

#include <gio/gio.h>

namespace kelvra::xdg {

bool XdgBrowser::open(const std::string& url) {
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) return true;
    if (error) g_error_free(error);
    // The address is one argument: no shell ever sees it. GLib reaps the child.
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(url.c_str()), nullptr};
    bool started = g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                 nullptr, &error);
    if (error) g_error_free(error);
    return started;
}

}  // namespace kelvra::xdg
