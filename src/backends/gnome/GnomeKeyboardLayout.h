#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "port/KeyboardLayout.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace kelvra::gnome {

// The first of the user's input sources in GNOME's settings
// (org.gnome.desktop.input-sources), compiled here; the system's default layout when
// there is none.
class GnomeKeyboardLayout final : public port::KeyboardLayout {
  public:
    GnomeKeyboardLayout() = default;
    ~GnomeKeyboardLayout() override;
    GnomeKeyboardLayout(const GnomeKeyboardLayout&) = delete;
    GnomeKeyboardLayout& operator=(const GnomeKeyboardLayout&) = delete;

    std::optional<std::string> translate(uint16_t virtualKeyCode) override;

    // The XKB layout and variant of a GNOME input source id ("de+nodeadkeys").
    static std::pair<std::string, std::string> layoutOf(const std::string& source);

  private:
    void load();

    bool loaded_ = false;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
};

}  // namespace kelvra::gnome
