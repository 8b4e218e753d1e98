#pragma once

#include <QWidget>
#include <functional>

#include "port/SurfaceModels.h"

class QLabel;
class QListWidget;
class QScrollArea;

namespace kelvra::views {

class SettingsPageView;

// The settings window: the sidebar of tabs beside the selected tab's page. It reports
// the user's choices (a tab, an edit) and closing; it shows only what the model says.
class SettingsWindow final : public QWidget {
    Q_OBJECT
  public:
    struct Handlers {
        std::function<void(const std::string&)> tabChosen;
        std::function<void(const port::SettingsEdit&)> edited;
        std::function<void()> closed;
    };
    explicit SettingsWindow(Handlers handlers);
    ~SettingsWindow() override;

    void setModel(const port::SettingsWindowModel& model);
    // The keyboard starts in the tab list when the window comes up.
    void focusTabs();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Widens the sidebar to its longest tab label in the current language.
    void fitSidebar();

    Handlers handlers_;
    QWidget* side_;
    QListWidget* sidebar_;
    QLabel* heading_;
    QLabel* foot_;
    QScrollArea* scroll_;
    SettingsPageView* page_;
    port::SettingsWindowModel model_;
};

}  // namespace kelvra::views
