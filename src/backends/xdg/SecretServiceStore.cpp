#include "backends/xdg/SecretServiceStore.h"

#include <libsecret/secret.h>

namespace kelvra::xdg {

namespace {

const SecretSchema* schema() {
    static const SecretSchema kelvraSchema = {
        "org.kelvra.Kelvra",
        SECRET_SCHEMA_NONE,
        {{"account", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    return &kelvraSchema;
}

std::string messageOf(GError* error) {
    std::string text = error && error->message ? error->message : "unknown error";
    if (error) g_error_free(error);
    return text;
}

}  // namespace

SecretServiceStore::~SecretServiceStore() {
    if (service_) g_object_unref(static_cast<SecretService*>(service_));
}

bool SecretServiceStore::available() {
    if (service_) return true;
    // Opening a session is a round trip to the service, so this fails when nothing
    // answers (no session bus, or no keyring on it that D-Bus could start). A refusal
    // is not remembered: a keyring started later is found on the next call.
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (!service) {
        if (error) g_error_free(error);
        return false;
    }
    service_ = service;
    return true;
}

std::optional<std::string> SecretServiceStore::load(const std::string& key) {
    if (!available()) return std::nullopt;
    GError* error = nullptr;
    gchar* value =
        secret_password_lookup_sync(schema(), nullptr, &error, "account", key.c_str(), nullptr);
    if (error) g_error_free(error);
    if (!value) return std::nullopt;
    std::string text = value;
    secret_password_free(value);
    return text;
}

bool SecretServiceStore::store(const std::string& key, const std::string& value,
                               std::string& error) {
    if (!available()) {
        error = "no Secret Service answers on this session";
        return false;
    }
    GError* failure = nullptr;
    std::string label = "Kelvra: " + key;
    bool ok = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                         value.c_str(), nullptr, &failure, "account", key.c_str(),
                                         nullptr);
    if (!ok) error = messageOf(failure);
    return ok;
}

bool SecretServiceStore::remove(const std::string& key) {
    if (!available()) return false;
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "account", key.c_str(), nullptr);
    if (error) {
        g_error_free(error);
        return false;
    }
    return true;  // also when there was nothing to remove
}

}  // namespace kelvra::xdg
