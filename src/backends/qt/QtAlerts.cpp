#include "backends/qt/QtAlerts.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace kelvra::qt {

int QtAlerts::runModal(const port::AlertRequest& request) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Kelvra"));
    box.setIcon(QMessageBox::Warning);
    box.setText(QString::fromStdString(request.messageText));
    box.setInformativeText(QString::fromStdString(request.informativeText));
    std::vector<QAbstractButton*> buttons;
    if (request.buttons.empty()) {
        buttons.push_back(box.addButton(QMessageBox::Ok));
    }
    for (const auto& title : request.buttons) {
        buttons.push_back(box.addButton(QString::fromStdString(title), QMessageBox::ActionRole));
    }
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    // Closing the box counts as the last button: the choice that changes nothing.
    box.setEscapeButton(buttons.back());
    // The program has no window of its own in front, so bring the alert forward.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    int index = static_cast<int>(buttons.size()) - 1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) index = static_cast<int>(i);
    }
    return firstButtonReturn + index;
}

std::optional<std::string> QtAlerts::prompt(const port::AlertRequest& request,
                                            const std::string& defaultText,
                                            const std::string& placeholder) {
    QInputDialog dialog;
    dialog.setWindowTitle(QString::fromStdString(request.messageText));
    dialog.setLabelText(QString::fromStdString(request.informativeText));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString::fromStdString(defaultText));
    if (!request.buttons.empty())
        dialog.setOkButtonText(QString::fromStdString(request.buttons[0]));
    if (request.buttons.size() > 1)
        dialog.setCancelButtonText(QString::fromStdString(request.buttons[1]));
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        field->setPlaceholderText(QString::fromStdString(placeholder));
        field->setObjectName(QStringLiteral("workspaceName"));
    }
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

}  // namespace kelvra::qt
