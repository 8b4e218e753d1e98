#pragma once

#include <QObject>
#include <memory>

#include "base/Subscription.h"
#include "port/Surfaces.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

class AssistWidget;

// The snap-assist cards' handle. The panel never takes the keyboard or the focus: a
// click on a card reports the card as chosen; Escape pressed anywhere arrives as a key
// event (code 53), and a button pressed outside the panel as `dismissed`, both seen
// through a watch of raw input that takes nothing from the window that has the focus.
// Where the desktop cannot watch input the panel takes the keyboard through the window
// system instead, and the focus leaving it counts as a click outside.
class AssistSurface final : public port::Surface {
  public:
    AssistSurface(port::WindowSystem& windowSystem, const port::AssistCardsModel& model);
    ~AssistSurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::assistCards; }
    void setFrame(const Rect& frame) override;
    void setOpacity(double opacity) override;
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;

  private:
    void takeKeyboard();
    void releaseKeyboard();

    port::WindowSystem& windowSystem_;
    port::AssistCardsModel model_;
    AssistWidget* widget_;  // deleted later: it may be in one of its own handlers
    QObject guard_;         // posted work dies with the surface
    Subscription widgetClick_;
    Subscription clickListener_;
    Subscription keyListener_;
    std::unique_ptr<port::InputWatch> watch_;
    std::unique_ptr<port::KeyboardGrab> grab_;
    port::NativeWindow window_ = 0;
    bool visible_ = false;
};

}  // namespace kelvra::views
