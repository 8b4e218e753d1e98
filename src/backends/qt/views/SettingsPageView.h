#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "port/SettingsPage.h"

class QLabel;
class QVBoxLayout;

namespace kelvra::views {

// One page of the settings window: its rows in order, each a title, a subtitle and its
// control. A new page of the same shape updates the controls in place (so a slider
// being dragged or a field being typed in keeps the focus); another shape is rebuilt.
class SettingsPageView final : public QWidget {
    Q_OBJECT
  public:
    using EditHandler = std::function<void(const port::SettingsEdit&)>;
    explicit SettingsPageView(EditHandler onEdit, QWidget* parent = nullptr);
    ~SettingsPageView() override;

    void setPage(const port::SettingsPage& page);

  private:
    struct RowWidgets;
    void rebuild(const port::SettingsPage& page);
    void update(const port::SettingsPage& page);
    QWidget* makeRow(const port::SettingsRow& row);
    void fill(const port::SettingsRow& row);
    void send(const std::string& row, port::SettingsGesture gesture, double value = 0,
              const std::string& text = {}, const std::string& detail = {});

    EditHandler onEdit_;
    QVBoxLayout* layout_;
    QLabel* intro_;
    QLabel* footer_;
    QWidget* rowsBox_ = nullptr;
    port::SettingsPage shown_;
    std::map<std::string, std::unique_ptr<RowWidgets>> rows_;
};

// Whether two pages have the same rows and controls (only values differ).
bool sameShape(const port::SettingsPage& a, const port::SettingsPage& b);

}  // namespace kelvra::views
