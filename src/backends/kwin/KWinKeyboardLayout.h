#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "port/KeyboardLayout.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace kelvra::kwin {

// What keys type in the layout Plasma has active. A Wayland client sees the keymap only
// through a focused window, so the layouts come from Plasma's keyboard settings (kxkbrc)
// and the active one from KWin's keyboard service, and the keymap is compiled here.
// Without settings it is the system's default layout.
class KWinKeyboardLayout final : public QObject, public port::KeyboardLayout {
    Q_OBJECT

  public:
    KWinKeyboardLayout();
    ~KWinKeyboardLayout() override;

    std::optional<std::string> translate(uint16_t virtualKeyCode) override;

  private Q_SLOTS:
    void layoutChanged(uint index);

  private:
    void load(int index);

    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    bool loaded_ = false;
};

}  // namespace kelvra::kwin
