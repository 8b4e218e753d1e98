#include "backends/xdg/DesktopApps.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <ctime>

#include "port/Platform.h"

namespace kelvra::xdg {

DesktopApps::DesktopApps() {
    reload();
}

void DesktopApps::reload() {
    entries_.clear();
    keys_.clear();
    GList* all = g_app_info_get_all();
    for (GList* l = all; l; l = l->next) {
        auto* info = G_APP_INFO(l->data);
        const char* id = g_app_info_get_id(info);
        if (!id || !G_IS_DESKTOP_APP_INFO(info)) continue;
        Entry e;
        e.id = withoutDesktopSuffix(id);
        const char* name = g_app_info_get_name(info);
        e.name = name ? name : e.id;
        const char* wmClass = g_desktop_app_info_get_startup_wm_class(G_DESKTOP_APP_INFO(info));
        e.startupWMClass = wmClass ? wmClass : "";
        if (GIcon* icon = g_app_info_get_icon(info)) {
            gchar* text = g_icon_to_string(icon);
            if (text) e.icon = text;
            g_free(text);
        }
        e.shown = g_app_info_should_show(info);
        keys_.push_back({e.id, e.startupWMClass});
        entries_.push_back(std::move(e));
    }
    g_list_free_full(all, g_object_unref);
}

const DesktopApps::Entry* DesktopApps::byId(const std::string& id) const {
    std::string wanted = withoutDesktopSuffix(id);
    for (const auto& e : entries_)
        if (e.id == wanted) return &e;
    return nullptr;
}

const DesktopApps::Entry* DesktopApps::match(const std::string& instance,
                                             const std::string& windowClass,
                                             const std::string& gtkApplicationId) const {
    int i = matchAppEntry(keys_, instance, windowClass, gtkApplicationId);
    return i < 0 ? nullptr : &entries_[static_cast<size_t>(i)];
}

namespace {

void rememberPid(GDesktopAppInfo*, GPid pid, gpointer data) {
    *static_cast<std::optional<pid_t>*>(data) = pid;
}

}  // namespace

std::optional<DesktopApps::Launched> DesktopApps::launch(const std::string& id) {
    std::string file = withoutDesktopSuffix(id) + ".desktop";
    GDesktopAppInfo* info = g_desktop_app_info_new(file.c_str());
    if (!info) {
        logLine("cannot launch " + id + ": no application entry has that id");
        return std::nullopt;
    }
    Launched launched;
    // The id the launched client puts on its windows (_NET_STARTUP_ID), so they are
    // known as this application's whatever their class says.
    launched.startupId = "kelvra-" + std::to_string(getpid()) + "-" + std::to_string(++launches_) +
                         "_TIME" + std::to_string(static_cast<long>(time(nullptr)));
    GAppLaunchContext* context = g_app_launch_context_new();
    if (g_desktop_app_info_get_boolean(info, "StartupNotify"))
        g_app_launch_context_setenv(context, "DESKTOP_STARTUP_ID", launched.startupId.c_str());
    GError* error = nullptr;
    gboolean ok = g_desktop_app_info_launch_uris_as_manager(info, nullptr, context,
                                                            G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                                            rememberPid, &launched.pid, &error);
    if (!ok) {
        logLine("cannot launch " + id + ": " + (error ? error->message : "starting it failed"));
        if (error) g_error_free(error);
    }
    g_object_unref(context);
    g_object_unref(info);
    if (!ok) return std::nullopt;
    return launched;
}

}  // namespace kelvra::xdg
