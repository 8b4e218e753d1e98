#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "backends/sim/SimDesktop.h"
#include "l10n/L10n.h"
#include "l10n/LocaleFormat.h"

namespace kelvra {
namespace {

// What each language writes for 0, 1, 2, 5 and 22 windows, three shortcuts taken, and a
// download 42.7 % done: the plural forms of its table under its CLDR rules, its list
// pattern and its percent sign.
struct Case {
    const char* language;
    std::array<const char*, 5> windows;
    const char* keys;
    const char* percent;
};

const Case cases[] = {
    {"en",
     {"0 windows", "1 window", "2 windows", "5 windows", "22 windows"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right, and Super+Up",
     "42%"},
    {"ja",
     {"0 個のウィンドウ", "1 個のウィンドウ", "2 個のウィンドウ", "5 個のウィンドウ",
      "22 個のウィンドウ"},
     "Ctrl+Alt+Left、Ctrl+Alt+Right、Super+Up",
     "42%"},
    {"ko",
     {"창 0개", "창 1개", "창 2개", "창 5개", "창 22개"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right 및 Super+Up",
     "42%"},
    {"zh-Hans",
     {"0 个窗口", "1 个窗口", "2 个窗口", "5 个窗口", "22 个窗口"},
     "Ctrl+Alt+Left、Ctrl+Alt+Right和Super+Up",
     "42%"},
    {"zh-Hant",
     {"0 個視窗", "1 個視窗", "2 個視窗", "5 個視窗", "22 個視窗"},
     "Ctrl+Alt+Left、Ctrl+Alt+Right和Super+Up",
     "42%"},
    {"de",
     {"0 Fenster", "1 Fenster", "2 Fenster", "5 Fenster", "22 Fenster"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right und Super+Up",
     "42\u00a0%"},
    {"fr",
     {"0 fenêtre", "1 fenêtre", "2 fenêtres", "5 fenêtres", "22 fenêtres"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right et Super+Up",
     "42\u00a0%"},
    {"es",
     {"0 ventanas", "1 ventana", "2 ventanas", "5 ventanas", "22 ventanas"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right y Super+Up",
     "42\u00a0%"},
    {"pt-BR",
     {"0 janela", "1 janela", "2 janelas", "5 janelas", "22 janelas"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right e Super+Up",
     "42%"},
    {"ru",
     {"0 окон", "1 окно", "2 окна", "5 окон", "22 окна"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right и Super+Up",
     "42\u00a0%"},
    {"it",
     {"0 finestre", "1 finestra", "2 finestre", "5 finestre", "22 finestre"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right e Super+Up",
     "42%"},
    {"nl",
     {"0 vensters", "1 venster", "2 vensters", "5 vensters", "22 vensters"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right en Super+Up",
     "42%"},
    {"pl",
     {"0 okien", "1 okno", "2 okna", "5 okien", "22 okna"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right i Super+Up",
     "42%"},
    {"tr",
     {"0 pencere", "1 pencere", "2 pencere", "5 pencere", "22 pencere"},
     "Ctrl+Alt+Left, Ctrl+Alt+Right ve Super+Up",
     "%42"},
};

TEST(LocaleFormat, EachLanguageWritesCountsListsAndPercentagesItsOwnWay) {
    sim::SimDesktop desktop;
    desktop.install();
    L10n l;
    ASSERT_EQ(std::size(cases), appLanguageCount);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        l.apply(std::string(c.language));
        ASSERT_EQ(rawValue(l.language()), c.language);
        const int counts[] = {0, 1, 2, 5, 22};
        for (size_t i = 0; i < std::size(counts); ++i)
            EXPECT_EQ(l.plural("ws.count", counts[i]), c.windows[i]);
        EXPECT_EQ(l.list({"Ctrl+Alt+Left", "Ctrl+Alt+Right", "Super+Up"}), c.keys);
        EXPECT_EQ(l.percent(0.427), c.percent);
    }
}

TEST(LocaleFormat, OneItemStandsAloneAndBrokenPatternsShowAsWritten) {
    EXPECT_EQ(joinList(AppLanguage::de, {"Mail"}), "Mail");
    EXPECT_EQ(joinList(AppLanguage::en, {}), "");
    EXPECT_EQ(formatPlural(AppLanguage::en, "{count, plural, one {# zone}", 1),
              "{count, plural, one {# zone}");
    // A download a hair short of done is not yet 100 %.
    EXPECT_EQ(formatPercent(AppLanguage::en, 0.999), "99%");
}

}  // namespace
}  // namespace kelvra
