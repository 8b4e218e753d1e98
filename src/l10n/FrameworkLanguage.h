#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/Subscription.h"

namespace kelvra {

// The interface language forced onto the texts that the GUI toolkit draws itself
// (standard dialogs, context menus, buttons). It holds the forced code (none = follow
// the system) and tells the GUI shell when it changes, so that it can load the toolkit's own
// translations for that language.
class FrameworkLanguage {
  public:
    using Listener = std::function<void(const std::optional<std::string>& code)>;

    static std::optional<std::string> code();
    // Listeners run only when the code actually changes.
    static void setCode(std::optional<std::string> code);
    static Subscription onChange(Listener listener);
};

}  // namespace kelvra
