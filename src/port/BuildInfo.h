#pragma once

#include <string>

namespace kelvra::port {

// What the program knows about its own build, fixed when it was compiled.
struct BuildInfo {
    std::string appId = "com.orvane.Kelvra";  // the desktop entry's id; names our own windows
    std::string name = "Kelvra";
    std::string version;      // shown to people: "0.1.0"
    std::string buildNumber;  // what the updater compares with the feed's
    // Only a self-updating build (a single-file program) declares where its updates
    // come from and the Ed25519 key (base64) they are signed with; both empty otherwise.
    std::string updateFeedUrl;
    std::string updatePublicKey;
};

}  // namespace kelvra::port
