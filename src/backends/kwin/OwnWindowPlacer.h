#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <map>
#include <vector>

#include "backends/bridge/BridgeSession.h"

namespace kelvra::kwin {

// A Wayland client cannot place its own windows or keep them above others. The program's
// panels (zone preview, picker, dividers, assist cards: undecorated top-level windows that
// ask to stay on top) are therefore placed by the bridge: whenever one is shown, moved or
// resized, the frame the toolkit was asked for goes to the bridge with the window's
// caption, which finds it among this process's windows.
class OwnWindowPlacer final : public QObject {
  public:
    explicit OwnWindowPlacer(bridge::BridgeSession& session);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void place();
    void placeLater(QWindow* window, int ms);

    bridge::BridgeSession& session_;
    std::vector<QPointer<QWindow>> dirty_;
    // Placements that found no window since the window last changed.
    std::map<const QWindow*, int> misses_;
    // The frame last sent for each window: the compositor's own answer to a placement
    // comes back as a move, which must not start another one.
    std::map<const QWindow*, QRect> sent_;
    bool posted_ = false;
};

}  // namespace kelvra::kwin
