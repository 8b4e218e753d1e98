#include "backends/kwin/BridgeInstaller.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

#include "backends/wayland/BridgePackage.h"
#include "backends/xdg/ConfigFileEdit.h"
#include "port/Platform.h"

namespace kelvra::kwin {

namespace {

const QString packageId = QStringLiteral("kelvra-bridge");

QString userPackage() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/kwin/scripts/") + packageId;
}

QString versionOf(const QString& package) {
    QFile file(package + QStringLiteral("/metadata.json"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    auto plugin = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("KPlugin"));
    return plugin.toObject().value(QStringLiteral("Version")).toString();
}

// "true" enables the bridge, "" takes the key out.
bool setEnabled(const QString& value) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("kwriteconfig5"));
    if (!tool.isEmpty() && !value.isEmpty()) {
        return QProcess::execute(tool, {QStringLiteral("--file"), QStringLiteral("kwinrc"),
                                        QStringLiteral("--group"), QStringLiteral("Plugins"),
                                        QStringLiteral("--key"), packageId + "Enabled", value}) ==
               0;
    }
    const QString path =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/kwinrc";
    QFile file(path);
    std::string text;
    if (file.open(QIODevice::ReadOnly)) text = file.readAll().toStdString();
    file.close();
    const std::string edited = xdg::withConfigKey(
        text, "Plugins", (packageId + "Enabled").toStdString(), value.toStdString());
    if (edited == text) return true;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(edited.data(), qint64(edited.size())) == qint64(edited.size());
}

QDBusMessage scripting(const QString& method, const QVariantList& arguments) {
    auto call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                                       QStringLiteral("org.kde.kwin.Scripting"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
}

bool running() {
    QDBusReply<bool> loaded = scripting(QStringLiteral("isScriptLoaded"), {packageId});
    return loaded.isValid() && loaded.value();
}

}  // namespace

void installBridge() {
    const QString shipped = wayland::shippedBridge(QStringLiteral("kwin"));
    if (shipped.isEmpty()) {
        logLine("the KWin bridge is not installed with Kelvra: windows cannot be arranged");
        return;
    }
    const QString target = userPackage();
    const QString version = versionOf(shipped);
    if (versionOf(target) != version) {
        QDir(target).removeRecursively();
        if (!wayland::copyTree(shipped, target)) {
            logLine("cannot copy the KWin bridge to " + target.toStdString());
            return;
        }
        logLine("installed the KWin bridge " + version.toStdString());
    }
    if (!setEnabled(QStringLiteral("true"))) logLine("cannot enable the KWin bridge in kwinrc");
    // A running KWin does not see a package added after it started: load it by path.
    // One that runs already is started again: an older copy is replaced, and a fresh one
    // says hello at once instead of after the back-off its failed hellos built up.
    if (running()) scripting(QStringLiteral("unloadScript"), {packageId});
    QDBusReply<int> id = scripting(QStringLiteral("loadScript"),
                                   {target + QStringLiteral("/contents/code/main.js"), packageId});
    if (!id.isValid() || id.value() < 0) {
        logLine("KWin did not load the bridge; it starts with the next login");
        return;
    }
    scripting(QStringLiteral("start"), {});
}

int removeBridge() {
    int status = 0;
    if (running()) scripting(QStringLiteral("unloadScript"), {packageId});
    if (!setEnabled(QString())) {
        std::fputs("kelvra: cannot disable the KWin bridge in kwinrc\n", stderr);
        status = 1;
    }
    if (!wayland::removeCopy(userPackage())) status = 1;
    return status;
}

}  // namespace kelvra::kwin
