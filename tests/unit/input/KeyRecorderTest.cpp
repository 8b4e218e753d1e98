#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "backends/sim/SimDesktop.h"
#include "backends/sim/UsKeyboardLayout.h"
#include "input/KeyRecorder.h"
#include "input/ShortcutManager.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "settings/KeyCombo.h"

namespace kelvra {
namespace {

namespace flags = port::modifierFlags;

constexpr uint16_t keyA = 0;
constexpr uint16_t deleteKey = 51;
constexpr uint16_t escape = 53;
constexpr uint16_t leftArrow = 123;
constexpr uint64_t capsLock = 0x10000;

class KeyRecorderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.install();
        settings = std::make_unique<AppSettings>(desk.defaults());
        l10n = std::make_unique<L10n>();
    }

    // Notes the recorder's beginnings and ends in `posted`.
    void watch(KeyRecorder& recorder) {
        began = recorder.began.connect([this] { posted.push_back("began"); });
        ended = recorder.ended.connect([this] { posted.push_back("ended"); });
    }

    bool key(uint16_t keyCode, uint64_t modifierFlags = 0) {
        return desk.sendKeyDown({keyCode, modifierFlags, {}});
    }

    sim::SimDesktop desk;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<L10n> l10n;
    std::vector<std::string> posted;
    Subscription began, ended;
};

// Escape, or the recorder going away midway, ends the recording and keeps the shortcut.
TEST_F(KeyRecorderTest, EscapeOrDestroyingTheRecorderEndsItAndKeepsTheShortcut) {
    for (bool byEscape : {true, false}) {
        SCOPED_TRACE(byEscape ? "escape" : "destroyed");
        posted.clear();
        auto recorder = std::make_unique<KeyRecorder>();
        watch(*recorder);
        recorder->start("center", *settings);
        EXPECT_EQ(recorder->recording(), "center");
        EXPECT_EQ(desk.keyMonitorCount(), 1u);
        EXPECT_EQ(posted, std::vector<std::string>{"began"});
        if (byEscape) {
            EXPECT_TRUE(key(escape, flags::super));
            EXPECT_EQ(recorder->recording(), std::nullopt);
        }
        recorder.reset();
        EXPECT_EQ(settings->shortcuts(), KeyCombo::defaults());
        EXPECT_EQ(desk.keyMonitorCount(), 0u);
        EXPECT_EQ((std::vector<std::string>{"began", "ended"}), posted);
        EXPECT_FALSE(key(keyA, flags::control)) << "once stopped, keys pass on untouched";
    }
}

TEST_F(KeyRecorderTest, BareKeysPassOnUntilAModifiedOneIsRecorded) {
    KeyRecorder recorder;
    watch(recorder);
    recorder.start("snapLeftHalf", *settings);
    EXPECT_FALSE(key(keyA));
    EXPECT_FALSE(key(keyA, capsLock));
    EXPECT_EQ(recorder.recording(), "snapLeftHalf");

    EXPECT_TRUE(key(leftArrow, flags::control | flags::alt | flags::super));
    const KeyCombo stored = settings->shortcuts().at("snapLeftHalf");
    EXPECT_EQ(stored, (KeyCombo{leftArrow, 0x1900}));
    EXPECT_EQ(stored.displayName(), "Ctrl+Alt+Super+←");
    // Saved at once: a fresh load sees it.
    EXPECT_EQ(AppSettings(desk.defaults()).shortcuts().at("snapLeftHalf"), stored);
    EXPECT_EQ(recorder.recording(), std::nullopt);
    EXPECT_EQ((std::vector<std::string>{"began", "ended"}), posted);
}

TEST_F(KeyRecorderTest, DeleteAloneRemovesTheShortcutButWithModifiersIsRecorded) {
    KeyRecorder recorder;
    watch(recorder);
    recorder.start("center", *settings);
    EXPECT_TRUE(key(deleteKey));
    EXPECT_EQ(settings->shortcuts().count("center"), 0u);
    EXPECT_EQ(settings->shortcuts().size(), 17u);
    EXPECT_EQ(AppSettings(desk.defaults()).shortcuts().count("center"), 0u);

    recorder.start("maximize", *settings);
    EXPECT_TRUE(key(deleteKey, flags::control | flags::alt));
    EXPECT_EQ(settings->shortcuts().at("maximize"), (KeyCombo{deleteKey, 0x1800}));
}

TEST_F(KeyRecorderTest, StartingAgainEndsTheEarlierRecordingFirst) {
    KeyRecorder recorder;
    watch(recorder);
    recorder.stop();  // idle: nothing to end
    recorder.start("center", *settings);
    recorder.start("maximize", *settings);
    EXPECT_EQ((std::vector<std::string>{"began", "ended", "began"}), posted);
    EXPECT_EQ(desk.keyMonitorCount(), 1u);

    EXPECT_TRUE(key(keyA, flags::shift));
    EXPECT_EQ(settings->shortcuts().at("maximize"), (KeyCombo{keyA, modifierBits::shift}));
    EXPECT_EQ(settings->shortcuts().at("center"), KeyCombo::defaults().at("center"));
}

// Every key of the keyboard but Escape (which ends a recording) can be recorded, is
// stored as itself, registers on that key and has a name of its own.
TEST_F(KeyRecorderTest, EveryKeyRecordsStoresAndRegistersAsItself) {
    std::set<std::string> names;
    for (uint16_t code : sim::usKeyboardKeys()) {
        if (code == escape) continue;
        SCOPED_TRACE(code);
        KeyRecorder recorder;
        recorder.start("center", *settings);
        ASSERT_TRUE(key(code, flags::control | flags::alt));
        const KeyCombo recorded{code, 0x1800};
        const auto stored = AppSettings(desk.defaults()).shortcuts();
        EXPECT_EQ(stored.at("center"), recorded);

        ShortcutManager manager(*l10n);
        manager.registerShortcuts({{"center", stored.at("center")}});
        ASSERT_EQ(desk.registeredHotKeys().size(), 1u) << "not registered";
        EXPECT_EQ(desk.registeredHotKeys()[0].keyCode, code);
        EXPECT_TRUE(desk.pressHotKey(code, 0x1800));

        const std::string name = KeyCombo::keyName(code);
        EXPECT_EQ(name.rfind("key", 0), std::string::npos) << name;
        EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x20;
        })) << name;
        EXPECT_TRUE(names.insert(name).second) << "two keys are named " << name;
    }
    // A code that is no key of the keyboard registers nothing, as on the real desktop.
    ShortcutManager manager(*l10n);
    manager.registerShortcuts({{"center", KeyCombo{10, 0x1800}}});
    EXPECT_TRUE(desk.registeredHotKeys().empty());
}

}  // namespace
}  // namespace kelvra
