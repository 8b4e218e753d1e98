#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "port/SurfaceModels.h"

class QLabel;
class QVBoxLayout;

namespace kelvra::views {

// The welcome window: one page at a time, with the page dots under it. Every button
// reports its id; the crash-report switch reports "crash:on" or "crash:off".
class OnboardingWindow final : public QWidget {
    Q_OBJECT
  public:
    struct Handlers {
        std::function<void(const std::string&)> chosen;
        std::function<void()> closed;
    };
    explicit OnboardingWindow(Handlers handlers);
    ~OnboardingWindow() override;

    void setModel(const port::OnboardingModel& model);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void rebuild();

    Handlers handlers_;
    port::OnboardingModel model_;
    QWidget* content_ = nullptr;
    QVBoxLayout* layout_;
    QLabel* waiting_ = nullptr;
    QString waitingText_;
    int phase_ = 0;
    QTimer dots_;
};

}  // namespace kelvra::views
