#include <gtest/gtest.h>

#include <map>
#include <string>

#include "backends/xdg/EnvLocale.h"

namespace kelvra::xdg {
namespace {

std::vector<std::string> languagesFor(std::map<std::string, std::string> env) {
    EnvLocale locale([env](const std::string& name) -> std::optional<std::string> {
        auto it = env.find(name);
        if (it == env.end()) return std::nullopt;
        return it->second;
    });
    return locale.preferredLanguages();
}

using Tags = std::vector<std::string>;

TEST(EnvLocale, TurnsLocaleNamesIntoLanguageTags) {
    EXPECT_EQ(EnvLocale::languageTag("de_CH.UTF-8"), "de-CH");
    EXPECT_EQ(EnvLocale::languageTag("zh_TW"), "zh-TW");
    EXPECT_EQ(EnvLocale::languageTag("pt_BR.utf8@euro"), "pt-BR");
    EXPECT_EQ(EnvLocale::languageTag("sr_RS@latin"), "sr-Latn-RS");
    EXPECT_EQ(EnvLocale::languageTag("fr"), "fr");
    EXPECT_EQ(EnvLocale::languageTag("es_419"), "es-419");
    for (const char* none : {"C", "C.UTF-8", "POSIX", "", "_US", "en_U S", "12_AB"}) {
        EXPECT_EQ(EnvLocale::languageTag(none), std::nullopt) << none;
    }
}

TEST(EnvLocale, LanguageListComesFirstThenTheMessagesLocale) {
    EXPECT_EQ(languagesFor({{"LANGUAGE", "sv_SE:de_CH::C"}, {"LANG", "en_US.UTF-8"}}),
              (Tags{"sv-SE", "de-CH", "en-US"}));
    // LC_ALL overrides LC_MESSAGES, which overrides LANG; empty values do not count.
    EXPECT_EQ(languagesFor({{"LC_ALL", ""}, {"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "fr_FR"}}),
              (Tags{"ja-JP"}));
    EXPECT_EQ(languagesFor({{"LC_ALL", "ko_KR"}, {"LC_MESSAGES", "ja_JP"}}), (Tags{"ko-KR"}));
    // Repeats are dropped; a C locale names no language.
    EXPECT_EQ(languagesFor({{"LANGUAGE", "it"}, {"LANG", "it.UTF-8"}}), (Tags{"it"}));
    EXPECT_EQ(languagesFor({{"LANG", "C.UTF-8"}}), Tags{});
    EXPECT_EQ(languagesFor({}), Tags{});
}

}  // namespace
}  // namespace kelvra::xdg
