#pragma once

#include <QObject>
#include <QTranslator>
#include <memory>
#include <optional>
#include <string>

#include "base/Subscription.h"

namespace kelvra::qt {

// Keeps Qt's own texts (standard buttons, context menus) in the interface language
// that the user chose, or in the system's language when none is chosen.
class ToolkitTranslations final : public QObject {
    Q_OBJECT
  public:
    explicit ToolkitTranslations(QObject* parent = nullptr);

  private:
    void apply(const std::optional<std::string>& code);

    std::unique_ptr<QTranslator> translator_;
    Subscription subscription_;
};

}  // namespace kelvra::qt
