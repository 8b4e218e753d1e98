#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/Animator.h"
#include "base/Rect.h"
#include "base/Signal.h"
#include "base/ZoneID.h"
#include "geometry/ScreenInfo.h"
#include "port/Surfaces.h"
#include "window/WindowHandle.h"

namespace kelvra {

class AppSettings;
class L10n;
class SnapEngine;

// One window offered for the zone on offer.
struct SnapCandidate {
    std::string id;  // fresh for each offer: the card reports it back
    WindowHandle window;
    std::string title;  // the window's, else its application's name, else "Window"
    std::string appName;
    std::optional<port::WindowIcon> icon;
};

// After a window is snapped into a half, a third or a quarter, offers the other windows
// of that monitor for the rest of it: a panel of cards lies exactly over the first empty
// complementary zone, and picking a card snaps that window there and moves the offer on
// to the next empty zone, until all are filled. Escape, a click outside the panel, a snap
// by other means or the end of the window that started it dismisses the offer.
class SnapAssistController {
  public:
    static constexpr double fadeInDuration = 0.14;
    // A window covering more than this part of a zone occupies it.
    static constexpr double occupiedShare = 0.7;

    SnapAssistController(AppSettings& settings, const L10n& l10n, SnapEngine& engine);
    ~SnapAssistController();
    SnapAssistController(const SnapAssistController&) = delete;
    SnapAssistController& operator=(const SnapAssistController&) = delete;

    // Called after every completed snap; decides by itself whether to offer anything.
    void maybeShow(ZoneID afterSnapping, const ScreenInfo& on, const WindowHandle& snapped);
    // Ends the sequence and removes the panel.
    void hide();

    bool isOffering() const { return panel_ != nullptr; }
    // The zones still to offer, the one on offer first.
    const std::vector<ZoneID>& pendingZones() const { return pendingZones_; }
    const std::vector<SnapCandidate>& candidates() const { return candidates_; }
    // True while the controller itself snaps a picked window.
    bool isFilling() const { return isFilling_; }

  private:
    // Offers the first empty pending zone, or ends the sequence.
    void advance();
    bool occupied(const Rect& zoneFrame, const std::vector<WindowHandle>& windows) const;
    std::vector<SnapCandidate> candidatesFrom(const std::vector<WindowHandle>& windows);
    Rect frameOf(ZoneID zone) const;
    void showPanel(const Rect& region);
    void removePanel();
    void fill(const std::string& candidateId);
    void watchStarter(const WindowHandle& window);

    AppSettings& settings_;
    const L10n& l10n_;
    SnapEngine& engine_;
    std::vector<ZoneID> pendingZones_;
    std::unordered_set<WindowHandle> excluded_;
    std::optional<ScreenInfo> seqScreen_;
    std::vector<SnapCandidate> candidates_;
    bool isFilling_ = false;
    uint64_t nextCandidate_ = 1;

    Subscription starterWatch_;
    std::unique_ptr<port::Surface> panel_;
    std::vector<Subscription> panelSubscriptions_;
    Animator animator_;
    std::optional<Animator::Id> fade_;
};

}  // namespace kelvra
