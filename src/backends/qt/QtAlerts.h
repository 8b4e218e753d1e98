#pragma once

#include "port/Alerts.h"

namespace kelvra::qt {

// Modal alerts as message boxes; prompts as input dialogs.
class QtAlerts final : public port::Alerts {
  public:
    int runModal(const port::AlertRequest& request) override;
    std::optional<std::string> prompt(const port::AlertRequest& request,
                                      const std::string& defaultText,
                                      const std::string& placeholder) override;
};

}  // namespace kelvra::qt
