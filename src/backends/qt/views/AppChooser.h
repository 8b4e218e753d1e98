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
    // What the dialog says, in the interface language.
    struct Texts {
        QString title;
        QString search;   // the search field's placeholder
        QString running;  // marks a running application
    };

    explicit AppChooser(const Texts& texts, QWidget* parent = nullptr);

    // The chosen application's id and name, or none when cancelled.
    static std::optional<std::pair<QString, QString>> choose(const Texts& texts, QWidget* parent);

  private:
    void fill(const QString& running);
    void filter(const QString& text);

    QLineEdit* search_;
    QListWidget* list_;
};

}  // namespace kelvra::views
