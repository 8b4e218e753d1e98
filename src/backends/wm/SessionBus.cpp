#include "backends/wm/SessionBus.h"

namespace kelvra::wm {

GVariant* callSessionBus(const char* service, const char* path, const char* interface,
                         const char* method, GVariant* arguments, std::string& error,
                         int timeoutMs) {
    GError* failure = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &failure);
    if (!bus) {
        if (arguments) g_variant_unref(g_variant_ref_sink(arguments));
        error = failure ? failure->message : "no session bus";
        if (failure) g_error_free(failure);
        return nullptr;
    }
    GVariant* reply =
        g_dbus_connection_call_sync(bus, service, path, interface, method, arguments, nullptr,
                                    G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &failure);
    g_object_unref(bus);
    if (!reply) {
        gchar* name = failure ? g_dbus_error_get_remote_error(failure) : nullptr;
        error = std::string(name ? name : "") + " " + (failure ? failure->message : "");
        g_free(name);
        if (failure) g_error_free(failure);
    }
    return reply;
}

}  // namespace kelvra::wm
