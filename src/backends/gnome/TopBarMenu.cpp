#include "backends/gnome/TopBarMenu.h"

#include <utility>

#include "port/Platform.h"

namespace kelvra::gnome {

namespace {

// The icon states by the names the extension knows (docs/bridge-protocol.md).
const char* iconName(port::TrayIcon icon) {
    switch (icon) {
        case port::TrayIcon::normal:
            return "normal";
        case port::TrayIcon::paused:
            return "paused";
        case port::TrayIcon::noPermission:
            return "noPermission";
        case port::TrayIcon::noWindowManager:
            return "noWindowManager";
        case port::TrayIcon::settingsNotSaved:
            return "settingsNotSaved";
        case port::TrayIcon::shortcutsHeldElsewhere:
            return "shortcutsHeldElsewhere";
    }
    return "normal";
}

}  // namespace

TopBarMenuSurface::TopBarMenuSurface(bridge::BridgeSession& session, port::TrayModel model)
    : session_(session), model_(std::move(model)) {
    // Posted: what a choice runs may wait for the bridge, which it cannot do inside the bus
    // call that brought the choice.
    choosing_ = session_.changed.connect([this](const bridge::FromBridge& message) {
        auto* chosen = std::get_if<bridge::MenuChosen>(&message);
        if (!chosen || !visible_) return;
        platform().runLoop->post(
            lifetime_.guard([this, item = chosen->item] { chosen_.emit(item); }));
    });
    welcomed_ = session_.welcomed.connect([this] { send(); });
}

TopBarMenuSurface::~TopBarMenuSurface() {
    lifetime_.end();
    if (visible_ && session_.connected()) session_.send(bridge::SetMenu{});
}

void TopBarMenuSurface::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (visible_)
        send();
    else if (session_.connected())
        session_.send(bridge::SetMenu{});
}

void TopBarMenuSurface::setModel(const port::SurfaceModel& model) {
    auto* tray = std::get_if<port::TrayModel>(&model);
    if (!tray || *tray == model_) return;
    model_ = *tray;
    send();
}

bridge::TopBarMenu TopBarMenuSurface::menuOf(const port::TrayModel& model) {
    return {iconName(model.icon), model.toolTip, model.menu};
}

// Sent only to a bridge that is there: the next welcome brings the menu anyway.
void TopBarMenuSurface::send() {
    if (visible_ && session_.connected()) session_.send(bridge::SetMenu{0, menuOf(model_)});
}

std::unique_ptr<port::Surface> TopBarSurfaces::create(const port::SurfaceModel& model) {
    auto* tray = std::get_if<port::TrayModel>(&model);
    if (!tray) return nullptr;
    return std::make_unique<TopBarMenuSurface>(session_, *tray);
}

}  // namespace kelvra::gnome
