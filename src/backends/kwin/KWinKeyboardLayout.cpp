#include "backends/kwin/KWinKeyboardLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include "backends/wayland/XkbText.h"

namespace kelvra::kwin {

namespace {

const QString service = QStringLiteral("org.kde.keyboard");
const QString path = QStringLiteral("/Layouts");
const QString interface = QStringLiteral("org.kde.KeyboardLayouts");

// Entry `index` of a comma-separated list of Plasma's settings, empty when absent.
std::string nth(const QSettings& settings, const QString& key, int index) {
    // The INI reader already splits an unquoted comma-separated value into a list.
    const QVariant value = settings.value(key);
    const QStringList list = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList()
                                 : value.toString().split(QLatin1Char(','));
    return index < list.size() ? list[index].trimmed().toStdString() : std::string();
}

}  // namespace

KWinKeyboardLayout::KWinKeyboardLayout() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
    QDBusConnection::sessionBus().connect(service, path, interface, QStringLiteral("layoutChanged"),
                                          this, SLOT(layoutChanged(uint)));
}

KWinKeyboardLayout::~KWinKeyboardLayout() {
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

void KWinKeyboardLayout::layoutChanged(uint index) {
    load(static_cast<int>(index));
}

void KWinKeyboardLayout::load(int index) {
    loaded_ = true;
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    state_ = nullptr;
    keymap_ = nullptr;
    if (!context_) return;
    const QString file =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kxkbrc"));
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Layout"));
    const std::string model = settings.value(QStringLiteral("Model")).toString().toStdString();
    const std::string layout = nth(settings, QStringLiteral("LayoutList"), index);
    const std::string variant = nth(settings, QStringLiteral("VariantList"), index);
    // Empty names are the system's defaults.
    xkb_rule_names names{nullptr, model.empty() ? nullptr : model.c_str(),
                         layout.empty() ? nullptr : layout.c_str(),
                         layout.empty() || variant.empty() ? nullptr : variant.c_str(), nullptr};
    keymap_ = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap_) state_ = xkb_state_new(keymap_);
}

std::optional<std::string> KWinKeyboardLayout::translate(uint16_t virtualKeyCode) {
    if (!loaded_) {
        auto call =
            QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("getLayout"));
        QDBusReply<uint> active = QDBusConnection::sessionBus().call(call, QDBus::Block, 500);
        load(active.isValid() ? static_cast<int>(active.value()) : 0);
    }
    return wayland::typedText(state_, virtualKeyCode);
}

}  // namespace kelvra::kwin
