#pragma once

#include <QObject>
#include <QPointer>
#include <QPointingDevice>
#include <QWindow>
#include <map>
#include <string>
#include <vector>

#include "backends/bridge/BridgeSession.h"
#include "base/Subscription.h"

namespace kelvra::wayland {

// A Wayland client cannot place its own windows or keep them above others. The program's
// panels (zone preview, picker, dividers, assist cards: undecorated top-level windows that
// ask to stay on top) are therefore placed by the bridge: whenever one is shown, moved or
// resized, the frame the toolkit was asked for goes to the bridge with the window's
// caption, which finds it among this process's windows.
// A divider belongs over its group only: the core hides it while another application is
// in front. A script cannot stack one window just above another, so a shown divider is
// kept above everything while a window next to it is the active one (one of its group,
// the user's choice of front), and dropped into the ordinary layer, where the newly
// active window is already above it, when another window becomes active. The program's
// own windows taking the focus change nothing, and a divider the compositor focuses
// (mapped or clicked) hands the focus straight back.
// The divider's pointer positions are taken from where the compositor has it.
class OwnWindowPlacer final : public QObject {
  public:
    explicit OwnWindowPlacer(bridge::BridgeSession& session);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void place();
    void placeLater(QWindow* window, int ms);
    // Whether a group's panel should be above everything with this window active.
    bool frontWithActive(const QWindow& panel) const;
    void restackGroupPanels();
    void giveFocusBack();
    // The program's shown window with that title (each has its own), if any.
    static QWindow* shownWindowTitled(const std::string& title);
    // One of the program's panels (kept above, undecorated), not an ordinary window of
    // its own such as the settings window, by its title.
    bool isOwnPanel(const bridge::WindowSnapshot& window) const;
    // One of the program's dividers (or other panels of a group), by its title.
    bool refusesFocus(const bridge::WindowSnapshot& window) const;
    // A Wayland client does not know where its window is, and a divider that follows the
    // pointer moves under it: the position in the window comes from wherever the
    // compositor had the window at that instant, which neither the toolkit nor the copy of
    // the desktop knows (a drag computed from them ran away). A group panel's button and
    // motion events are therefore held, the compositor asked where the pointer is, and the
    // events sent again with that position (motions a later one overtakes dropped).
    bool correctPointer(QWindow& window, QEvent& event);
    void askPointer();
    void sendHeld();

    bridge::BridgeSession& session_;
    std::vector<QPointer<QWindow>> dirty_;
    // Placements that found no window since the window last changed.
    std::map<const QWindow*, int> misses_;
    // The frame last sent for each window: the compositor's own answer to a placement
    // comes back as a move, which must not start another one.
    std::map<const QWindow*, QRect> sent_;
    struct HeldEvent {
        QPointer<QWindow> window;
        QEvent::Type type;
        QPointF local;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        const QPointingDevice* device;
    };
    std::vector<HeldEvent> held_;
    int pointerAsked_ = 0;  // the pointer question in flight, 0 when none
    bool posted_ = false;
    bool resending_ = false;
    bool dragging_ = false;  // a button is down on a group's panel
    // The last active window that is not a group's panel.
    std::string lastFocused_;
    // The keep-above state last sent for each group's panel.
    std::map<const QWindow*, bool> above_;
    Subscription activations_;
};

}  // namespace kelvra::wayland
