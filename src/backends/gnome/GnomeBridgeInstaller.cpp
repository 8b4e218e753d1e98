#include "backends/gnome/GnomeBridgeInstaller.h"

#include <gio/gio.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <string>
#include <vector>

#include "backends/wayland/BridgePackage.h"
#include "port/Platform.h"

namespace kelvra::gnome {

namespace {

const char* const uuid = "kelvra-bridge@orvane.com";

QDBusMessage shellCall(const QString& interface, const QString& method,
                       const QVariantList& arguments) {
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"), interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
}

// The running shell's major version; 0 when it does not say.
int shellMajor() {
    auto reply = shellCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                           {QStringLiteral("org.gnome.Shell"), QStringLiteral("ShellVersion")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
    const QString version = reply.arguments().first().value<QDBusVariant>().variant().toString();
    return version.section(QLatin1Char('.'), 0, 0).toInt();
}

QString userPackage() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/gnome-shell/extensions/") + QLatin1String(uuid);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True when `to` holds every file of `from` as it is (a new version or the other format
// differs in some file).
bool sameFiles(const QString& from, const QString& to) {
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files)) {
        const QString copy = to + QLatin1Char('/') + entry.fileName();
        if (!QFileInfo::exists(copy) || contents(entry.filePath()) != contents(copy)) return false;
    }
    return true;
}

// Adds the extension to, or takes it out of, org.gnome.shell's list of enabled ones;
// false when the shell's settings are not there.
bool setEnabled(bool enabled) {
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        schemas ? g_settings_schema_source_lookup(schemas, "org.gnome.shell", TRUE) : nullptr;
    if (!schema) return false;
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new("org.gnome.shell");
    gchar** names = g_settings_get_strv(settings, "enabled-extensions");
    std::vector<const gchar*> kept;
    bool listed = false;
    for (gchar** name = names; *name; ++name) {
        if (std::string(*name) == uuid) {
            listed = true;
        } else {
            kept.push_back(*name);
        }
    }
    bool ok = true;
    if (listed != enabled) {
        if (enabled) kept.push_back(uuid);
        kept.push_back(nullptr);
        ok = g_settings_set_strv(settings, "enabled-extensions", kept.data());
        g_settings_sync();
    }
    g_strfreev(names);
    g_object_unref(settings);
    return ok;
}

}  // namespace

void installBridge() {
    const int major = shellMajor();
    // The package built for the shell's generation (scripts/bridge-package.sh).
    const QString shipped = wayland::shippedBridge(major >= 45 ? QStringLiteral("gnome-45")
                                                               : QStringLiteral("gnome-43"));
    if (shipped.isEmpty()) {
        logLine(
            "the GNOME Shell extension is not installed with Kelvra: windows cannot be "
            "arranged");
        return;
    }
    const QString target = userPackage();
    const bool fresh = !QFileInfo::exists(target);
    if (!sameFiles(shipped, target)) {
        QDir(target).removeRecursively();
        if (!wayland::copyTree(shipped, target)) {
            logLine("cannot copy the GNOME Shell extension to " + target.toStdString());
            return;
        }
        logLine("installed the GNOME Shell extension for GNOME " + std::to_string(major));
    }
    if (!setEnabled(true)) logLine("cannot enable the GNOME Shell extension in GSettings");
    // A shell that knows the extension (it was there when the session started) takes it
    // up again at once; a new one is loaded only by the next session.
    if (fresh) {
        logLine("the GNOME Shell extension works from the next login: log out and in once");
    } else {
        shellCall(QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("EnableExtension"),
                  {QLatin1String(uuid)});
    }
}

int removeBridge() {
    int status = 0;
    if (!setEnabled(false) && QFileInfo::exists(userPackage())) {
        std::fputs("kelvra: cannot disable the GNOME Shell extension in GSettings\n", stderr);
        status = 1;
    }
    if (!wayland::removeCopy(userPackage())) status = 1;
    return status;
}

}  // namespace kelvra::gnome
