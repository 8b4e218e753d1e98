#include "backends/wm/KWinEdgeSnapping.h"

#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "backends/wm/SessionBus.h"
#include "backends/xdg/AtomicFile.h"
#include "backends/xdg/ConfigFileEdit.h"
#include "backends/xdg/XdgPaths.h"
#include "port/Platform.h"

namespace kelvra::wm {

namespace {

constexpr const char* group = "Windows";
constexpr std::array<const char*, 2> keys{"ElectricBorderTiling", "ElectricBorderMaximize"};

std::filesystem::path kwinrcPath() {
    return xdg::configHome() / "kwinrc";
}

// The file's text; absent when it exists but cannot be read (a missing file is empty).
std::optional<std::string> readKwinrc() {
    const auto path = kwinrcPath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::string();
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool writeKwinrc(const std::string& text) {
    const auto path = kwinrcPath();
    std::error_code ec;
    // A file the user made read-only stays as it is, though its folder would let a
    // replacement in (and the superuser may write anything).
    if (std::filesystem::exists(path, ec)) {
        const auto perms = std::filesystem::status(path, ec).permissions();
        if (access(path.c_str(), W_OK) != 0 ||
            (perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
            logLine("kwinrc is read-only: KWin's settings stay as they are");
            return false;
        }
    }
    std::string error;
    if (!xdg::writeFileAtomically(path, text, error)) {
        logLine("cannot write kwinrc: " + error);
        return false;
    }
    // KWin reads its settings again; without a running KWin the file is still right.
    if (GVariant* reply =
            callSessionBus("org.kde.KWin", "/KWin", "org.kde.KWin", "reconfigure", nullptr, error))
        g_variant_unref(reply);
    return true;
}

}  // namespace

std::optional<bool> KWinEdgeSnapping::isOn() {
    const auto text = readKwinrc();
    if (!text) return std::nullopt;
    for (const char* key : keys)
        if (xdg::configKey(*text, group, key).value_or("true") != "false") return true;
    return false;
}

// The values found, one "Key=value" per line (an unset key as "Key=").
std::optional<std::string> KWinEdgeSnapping::switchOff() {
    auto text = readKwinrc();
    if (!text) return std::nullopt;
    std::string saved;
    std::string edited = *text;
    for (const char* key : keys) {
        saved += std::string(key) + "=" + xdg::configKey(*text, group, key).value_or("") + "\n";
        edited = xdg::withConfigKey(edited, group, key, "false");
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
        edited = xdg::withConfigKey(edited, group, key, value);
    }
    return writeKwinrc(edited);
}

}  // namespace kelvra::wm
