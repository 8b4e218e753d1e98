#include "input/KeyRecorder.h"

#include <utility>

#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "settings/KeyCombo.h"

namespace kelvra {

namespace {
constexpr uint16_t deleteKeyCode = 51;
constexpr uint16_t escapeKeyCode = 53;
}  // namespace

KeyRecorder::KeyRecorder() = default;

KeyRecorder::~KeyRecorder() {
    lifetime_.end();
    // Ending here still announces the end, so the hot keys that were taken away for the
    // recording come back even when the list that owned the recorder closes mid-way.
    if (monitor_.active() || recording()) stop();
}

void KeyRecorder::start(const std::string& action, AppSettings& settings) {
    stop();
    recording.set(action);
    began.emit();

    AppSettings* store = &settings;
    // Once the recorder is gone the key passes on (the guard answers false).
    monitor_ = platform().keyMonitor->onKeyDown(
        lifetime_.guard([this, store](const port::KeyEvent& event) -> bool {
            KeyRecorder& recorder = *this;
            if (!recorder.recording()) return false;
            const std::string action = *recorder.recording();

            if (event.keyCode == deleteKeyCode &&
                (event.modifierFlags & port::modifierFlags::deviceIndependentMask) == 0) {
                auto table = store->shortcuts();
                table.erase(action);
                store->shortcuts.set(std::move(table));
                recorder.stop();
                return true;
            }
            if (event.keyCode == escapeKeyCode) {
                recorder.stop();
                return true;
            }
            const uint32_t modifiers = KeyCombo::modifiersFromEventFlags(event.modifierFlags);
            // A bare key would steal it from every other program: keep listening.
            if (modifiers == 0) return false;
            auto table = store->shortcuts();
            table[action] = KeyCombo{event.keyCode, modifiers};
            store->shortcuts.set(std::move(table));
            recorder.stop();
            return true;
        }));
}

void KeyRecorder::stop() {
    monitor_.cancel();
    if (recording()) {
        recording.set(std::nullopt);
        ended.emit();
    }
}

}  // namespace kelvra
