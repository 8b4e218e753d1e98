#pragma once

#include "platform/port/Alerts.h"

namespace kelvra::qt {

// Modal alerts as message boxes.
class QtAlerts final : public port::Alerts {
  public:
    int runModal(const port::AlertRequest& request) override;
};

}  // namespace kelvra::qt
