#pragma once

#include <optional>

namespace kelvra {

class AppSettings;

enum class SettingsTab { general, snap, tiling, shortcuts, layout, workspaces, autoPlace, exclude, account };

// The settings window. For now it remembers what it was asked to show; the window
// arrives with the program's own panels. show() may be called any number of times.
class SettingsWindowController {
public:
    explicit SettingsWindowController(AppSettings& settings);

    // None keeps the tab last shown.
    void show(std::optional<SettingsTab> select);
    int showCount() const { return showCount_; }
    SettingsTab currentTab() const { return tab_; }

private:
    [[maybe_unused]] AppSettings& settings_;
    int showCount_ = 0;
    SettingsTab tab_ = SettingsTab::general;
};

}  // namespace kelvra
