#include "backends/qt/ToolkitTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include "l10n/FrameworkLanguage.h"

namespace kelvra::qt {

ToolkitTranslations::ToolkitTranslations(QObject* parent) : QObject(parent) {
    subscription_ = FrameworkLanguage::onChange([this](const auto& code) { apply(code); });
    apply(FrameworkLanguage::code());
}

void ToolkitTranslations::apply(const std::optional<std::string>& code) {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    translator_ = std::make_unique<QTranslator>();
    const QLocale locale = code ? QLocale(QString::fromStdString(*code)) : QLocale::system();
    // Missing translation files are normal (they are a separate package): English stays.
    if (translator_->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator_.get());
    } else {
        translator_.reset();
    }
}

}  // namespace kelvra::qt
