#include "backends/kwin/KGlobalAccelHotKeys.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QList>
#include <QStringList>

#include "port/Platform.h"
#include "settings/KeyCombo.h"

namespace kelvra::kwin {

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString component = QStringLiteral("kelvra");
const QString componentName = QStringLiteral("Kelvra");

// The service's flags: the key is the one in use now, and is not replaced by one the
// service remembers from an earlier run.
constexpr uint setPresent = 2;
constexpr uint noAutoloading = 4;

// What each key position types on a US keyboard, as the toolkit names the key.
// clang-format off
constexpr std::pair<uint16_t, int> keys[] = {
    {0, Qt::Key_A}, {1, Qt::Key_S}, {2, Qt::Key_D}, {3, Qt::Key_F}, {4, Qt::Key_H},
    {5, Qt::Key_G}, {6, Qt::Key_Z}, {7, Qt::Key_X}, {8, Qt::Key_C}, {9, Qt::Key_V},
    {11, Qt::Key_B}, {12, Qt::Key_Q}, {13, Qt::Key_W}, {14, Qt::Key_E}, {15, Qt::Key_R},
    {16, Qt::Key_Y}, {17, Qt::Key_T}, {18, Qt::Key_1}, {19, Qt::Key_2}, {20, Qt::Key_3},
    {21, Qt::Key_4}, {22, Qt::Key_6}, {23, Qt::Key_5}, {24, Qt::Key_Equal}, {25, Qt::Key_9},
    {26, Qt::Key_7}, {27, Qt::Key_Minus}, {28, Qt::Key_8}, {29, Qt::Key_0},
    {30, Qt::Key_BracketRight}, {31, Qt::Key_O}, {32, Qt::Key_U}, {33, Qt::Key_BracketLeft},
    {34, Qt::Key_I}, {35, Qt::Key_P}, {36, Qt::Key_Return}, {37, Qt::Key_L}, {38, Qt::Key_J},
    {39, Qt::Key_Apostrophe}, {40, Qt::Key_K}, {41, Qt::Key_Semicolon},
    {42, Qt::Key_Backslash}, {43, Qt::Key_Comma}, {44, Qt::Key_Slash}, {45, Qt::Key_N},
    {46, Qt::Key_M}, {47, Qt::Key_Period}, {48, Qt::Key_Tab}, {49, Qt::Key_Space},
    {50, Qt::Key_QuoteLeft}, {51, Qt::Key_Backspace}, {53, Qt::Key_Escape},
    {96, Qt::Key_F5}, {97, Qt::Key_F6}, {98, Qt::Key_F7}, {99, Qt::Key_F3}, {100, Qt::Key_F8},
    {101, Qt::Key_F9}, {103, Qt::Key_F11}, {109, Qt::Key_F10}, {111, Qt::Key_F12},
    {114, Qt::Key_Insert}, {115, Qt::Key_Home}, {116, Qt::Key_PageUp}, {117, Qt::Key_Delete},
    {118, Qt::Key_F4}, {119, Qt::Key_End}, {120, Qt::Key_F2}, {121, Qt::Key_PageDown},
    {122, Qt::Key_F1}, {123, Qt::Key_Left}, {124, Qt::Key_Right}, {125, Qt::Key_Down},
    {126, Qt::Key_Up},
};
// clang-format on

QDBusMessage call(const QString& method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(service, QStringLiteral("/kglobalaccel"),
                                                  QStringLiteral("org.kde.KGlobalAccel"), method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 2000);
}

QStringList actionId(const QString& action) {
    return {component, action, componentName, action};
}

}  // namespace

std::optional<int> KGlobalAccelHotKeys::qtKeyFor(uint16_t virtualKey, uint32_t modifiers,
                                                 const std::optional<std::string>& typed) {
    for (const auto& [position, usKey] : keys) {
        if (position != virtualKey) continue;
        int combined = usKey;
        // The toolkit's code of a printable Latin-1 key is its upper-case character.
        if (typed) {
            const QString upper = QString::fromStdString(*typed).toUpper();
            if (upper.size() == 1 && upper[0].unicode() > 0x20 && upper[0].unicode() <= 0xff &&
                upper[0].unicode() != 0x7f)
                combined = upper[0].unicode();
        }
        if (modifiers & modifierBits::control) combined |= Qt::CTRL;
        if (modifiers & modifierBits::alt) combined |= Qt::ALT;
        if (modifiers & modifierBits::shift) combined |= Qt::SHIFT;
        if (modifiers & modifierBits::super) combined |= Qt::META;
        return combined;
    }
    return std::nullopt;
}

KGlobalAccelHotKeys::KGlobalAccelHotKeys(port::KeyboardLayout& layout) : layout_(layout) {}

KGlobalAccelHotKeys::~KGlobalAccelHotKeys() {
    for (auto& [ref, hotKey] : hotKeys_) {
        call(QStringLiteral("unRegister"), {actionId(hotKey.action)});
    }
}

Subscription KGlobalAccelHotKeys::onPressed(std::function<void(uint32_t, uint32_t)> listener) {
    return pressed_.connect(std::move(listener));
}

std::optional<port::HotKeyRef> KGlobalAccelHotKeys::registerHotKey(uint32_t keyCode,
                                                                   uint32_t modifiers,
                                                                   uint32_t signature,
                                                                   uint32_t id) {
    if (keyCode > 0xffff) return std::nullopt;
    const auto virtualKey = static_cast<uint16_t>(keyCode);
    auto key = qtKeyFor(virtualKey, modifiers, layout_.translate(virtualKey));
    if (!key) return std::nullopt;
    for (const auto& [ref, hotKey] : hotKeys_) {
        if (hotKey.signature == signature && hotKey.id == id) return std::nullopt;
    }
    const QString action = QStringLiteral("hotkey-%1-%2").arg(signature).arg(id);
    const QStringList actionIds = actionId(action);
    QDBusMessage registered = call(QStringLiteral("doRegister"), {actionIds});
    if (registered.type() == QDBusMessage::ErrorMessage) {
        logLine("the global shortcut service does not answer: " +
                registered.errorMessage().toStdString());
        return std::nullopt;
    }
    QDBusReply<QList<int>> set =
        call(QStringLiteral("setShortcut"),
             {actionIds, QVariant::fromValue(QList<int>{*key}), setPresent | noAutoloading});
    // The service leaves out a key another component holds.
    if (!set.isValid() || !set.value().contains(*key)) {
        call(QStringLiteral("unRegister"), {actionIds});
        return std::nullopt;
    }
    if (!listening_) {
        listening_ = QDBusConnection::sessionBus().connect(
            service, QStringLiteral("/component/") + component,
            QStringLiteral("org.kde.kglobalaccel.Component"),
            QStringLiteral("globalShortcutPressed"), this,
            SLOT(pressed(QString, QString, qlonglong)));
    }
    const port::HotKeyRef ref = next_++;
    hotKeys_.emplace(ref, HotKey{action, signature, id});
    return ref;
}

void KGlobalAccelHotKeys::unregisterHotKey(port::HotKeyRef ref) {
    auto it = hotKeys_.find(ref);
    if (it == hotKeys_.end()) return;
    call(QStringLiteral("unRegister"), {actionId(it->second.action)});
    hotKeys_.erase(it);
}

void KGlobalAccelHotKeys::pressed(const QString& from, const QString& action, qlonglong) {
    if (from != component || pressed_.empty()) return;
    for (const auto& [ref, hotKey] : hotKeys_) {
        if (hotKey.action == action) {
            pressed_.emit(hotKey.signature, hotKey.id);
            return;
        }
    }
}

}  // namespace kelvra::kwin
