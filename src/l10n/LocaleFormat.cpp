#include "l10n/LocaleFormat.h"

#include <unicode/listformatter.h>
#include <unicode/locid.h>
#include <unicode/msgfmt.h>
#include <unicode/numberformatter.h>

#include <memory>

namespace kelvra {

namespace {

icu::Locale localeOf(AppLanguage language) {
    UErrorCode status = U_ZERO_ERROR;
    auto locale = icu::Locale::forLanguageTag(std::string(rawValue(language)), status);
    return U_SUCCESS(status) ? locale : icu::Locale::getEnglish();
}

std::string utf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

std::string formatPlural(AppLanguage language, const std::string& pattern, int64_t count) {
    UErrorCode status = U_ZERO_ERROR;
    icu::MessageFormat message(icu::UnicodeString::fromUTF8(pattern), localeOf(language), status);
    const icu::UnicodeString names[] = {"count"};
    const icu::Formattable values[] = {icu::Formattable(count)};
    icu::UnicodeString out;
    message.format(names, values, 1, out, status);
    return U_SUCCESS(status) ? utf8(out) : pattern;
}

std::string joinList(AppLanguage language, const std::vector<std::string>& items) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::ListFormatter> formatter(
        icu::ListFormatter::createInstance(localeOf(language), status));
    std::vector<icu::UnicodeString> texts;
    for (const auto& item : items) texts.push_back(icu::UnicodeString::fromUTF8(item));
    icu::UnicodeString out;
    if (U_SUCCESS(status)) {
        formatter->format(texts.data(), static_cast<int32_t>(texts.size()), out, status);
    }
    if (U_SUCCESS(status)) return utf8(out);
    std::string joined;
    for (const auto& item : items) joined += (joined.empty() ? "" : ", ") + item;
    return joined;
}

std::string formatPercent(AppLanguage language, double fraction) {
    UErrorCode status = U_ZERO_ERROR;
    auto text = icu::number::NumberFormatter::withLocale(localeOf(language))
                    .unit(icu::NoUnit::percent())
                    .scale(icu::number::Scale::powerOfTen(2))
                    .precision(icu::number::Precision::integer())
                    // A download at 99.7 % is not done yet.
                    .roundingMode(UNUM_ROUND_FLOOR)
                    .formatDouble(fraction, status)
                    .toString(status);
    if (U_SUCCESS(status)) return utf8(text);
    return std::to_string(static_cast<int>(fraction * 100)) + "%";
}

bool isPluralMessage(const std::string& text) {
    return text.find(", plural,") != std::string::npos;
}

}  // namespace kelvra
