#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <string>
#include <vector>

#include "backends/bridge/BridgeSession.h"
#include "base/Subscription.h"
#include "port/WindowSystem.h"

namespace kelvra::wayland {

class BridgeWindowSystem;

// The keyboard for one of the program's panels on a Wayland session arranged through the bridge,
// where no client may grab it: the bridge gives the panel the focus, its key presses are taken
// before the toolkit's widgets see them, and the window that had the focus gets it back when the
// grab ends. Losing the focus to another window (a click elsewhere) ends the grab.
class BridgeKeyboardGrab final : public QObject, public port::KeyboardGrab {
  public:
    BridgeKeyboardGrab(bridge::BridgeSession& session, const BridgeWindowSystem& windowSystem,
                       QWindow* window);
    ~BridgeKeyboardGrab() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bridge::BridgeSession& session_;
    const BridgeWindowSystem& windowSystem_;
    QPointer<QWindow> window_;
    // Asks the bridge to give the panel the focus.
    void askForFocus(int attempt);
    // This grab's panel, as the bridge lists it.
    bool isPanel(const bridge::WindowSnapshot* window) const;
    // Decides whether the focus just lost went elsewhere for good.
    void judgeFocusOut();

    std::string previous_;               // the bridge's id of the window that had the focus
    std::vector<std::string> underway_;  // activations asked for before the grab began
    bool focused_ = false;
    Subscription focusWatch_;
    // The bridge has reported the panel active: what it reports after that is news.
    bool acknowledged_ = false;
    Subscription acknowledgements_;
    int judgements_ = 0;  // counts focus losses judged, so only the latest decides
};

}  // namespace kelvra::wayland
