#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Timer.h"
#include "base/ZoneID.h"

namespace kelvra {

class AppSettings;
class PreviewOverlay;

// The hidden "--show-zone=<zone>" command (also handed to the running instance by a
// later start): previews the zone on the screen of the frontmost window, or the
// primary screen, for a few seconds. It shows the preview without a drag, for checking
// how it looks on a desktop and for the end-to-end tests.
class ZonePreviewCommand {
  public:
    static constexpr const char* option = "--show-zone=";
    static constexpr double showDuration = 3.0;

    ZonePreviewCommand(AppSettings& settings, PreviewOverlay& overlay);
    ~ZonePreviewCommand();
    ZonePreviewCommand(const ZonePreviewCommand&) = delete;
    ZonePreviewCommand& operator=(const ZonePreviewCommand&) = delete;

    // The zone named by the last "--show-zone=" argument; nothing when there is none
    // or the name is not a zone (which is logged).
    static std::optional<ZoneID> zoneIn(const std::vector<std::string>& arguments);
    // Previews the zone named in the arguments, if any.
    void handle(const std::vector<std::string>& arguments);

  private:
    AppSettings& settings_;
    PreviewOverlay& overlay_;
    Timer hideTimer_;
};

}  // namespace kelvra
