#include "backends/kwin/KWinEdgeSnapping.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QStandardPaths>

#include <array>

#include "backends/bridge/ConfigFileEdit.h"

namespace kelvra::kwin {

namespace {

constexpr const char* group = "Windows";
constexpr std::array<const char*, 2> keys{"ElectricBorderTiling", "ElectricBorderMaximize"};

QString kwinrcPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/kwinrc";
}

// The file's text; absent when it exists but cannot be read (a missing file is empty).
std::optional<std::string> readKwinrc() {
    QFile file(kwinrcPath());
    if (!file.exists()) return std::string();
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll().toStdString();
}

bool writeKwinrc(const std::string& text) {
    QFile file(kwinrcPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    if (file.write(text.data(), qint64(text.size())) != qint64(text.size())) return false;
    file.close();
    // KWin reads its settings again; without a running KWin the file is still right.
    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/KWin"),
                                       QStringLiteral("org.kde.KWin"),
                                       QStringLiteral("reconfigure")),
        QDBus::Block, 3000);
    return true;
}

}  // namespace

std::optional<bool> KWinEdgeSnapping::isOn() {
    const auto text = readKwinrc();
    if (!text) return std::nullopt;
    for (const char* key : keys)
        if (bridge::configKey(*text, group, key).value_or("true") != "false") return true;
    return false;
}

// The values found, one "Key=value" per line (an unset key as "Key=").
std::optional<std::string> KWinEdgeSnapping::switchOff() {
    auto text = readKwinrc();
    if (!text) return std::nullopt;
    std::string saved;
    std::string edited = *text;
    for (const char* key : keys) {
        saved += std::string(key) + "=" + bridge::configKey(*text, group, key).value_or("") + "\n";
        edited = bridge::withConfigKey(edited, group, key, "false");
    }
    if (!writeKwinrc(edited)) return std::nullopt;
    return saved;
}

bool KWinEdgeSnapping::restore(const std::string& saved) {
    auto text = readKwinrc();
    if (!text) return false;
    std::string edited = *text;
    for (const char* key : keys) {
        const std::string prefix = std::string(key) + "=";
        const auto at = saved.find(prefix);
        if (at == std::string::npos) continue;
        const auto end = saved.find('\n', at);
        const std::string value = saved.substr(at + prefix.size(), end - at - prefix.size());
        edited = bridge::withConfigKey(edited, group, key, value);
    }
    return writeKwinrc(edited);
}

}  // namespace kelvra::kwin
