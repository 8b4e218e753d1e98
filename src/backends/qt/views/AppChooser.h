#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <utility>

class QLineEdit;
class QListWidget;

namespace kelvra::views {

// Picks one application: the running ones first, then every installed one (its desktop
// entry, read through GIO), each with its icon, filtered by what the user types.
class AppChooser final : public QDialog {
    Q_OBJECT
  public:
    AppChooser(const QString& title, QWidget* parent = nullptr);

    // The chosen application's id and name, or none when cancelled.
    static std::optional<std::pair<QString, QString>> choose(const QString& title, QWidget* parent);

  private:
    void fill();
    void filter(const QString& text);

    QLineEdit* search_;
    QListWidget* list_;
};

}  // namespace kelvra::views
