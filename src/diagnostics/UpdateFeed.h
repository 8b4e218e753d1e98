#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// The XML namespace of our elements and attributes in the update feed.
inline constexpr const char* kUpdateFeedNamespace = "https://kelvra.app/xml/update-feed";

// One release in the update feed: an RSS item whose enclosure is the program's file.
//   <rss version="2.0" xmlns:kelvra="https://kelvra.app/xml/update-feed"><channel>
//     <item>
//       <title>Kelvra 1.3</title>
//       <description>What changed, as plain text</description>
//       <kelvra:version>130</kelvra:version>            (or an enclosure attribute)
//       <kelvra:shortVersionString>1.3</kelvra:shortVersionString>
//       <kelvra:minimumSystemVersion>2.31</kelvra:minimumSystemVersion>
//       <kelvra:releaseNotesLink>https://...</kelvra:releaseNotesLink>
//       <enclosure url="https://..." length="123" type="application/octet-stream"
//                  kelvra:edSignature="BASE64"/>
//     </item>
//   </channel></rss>
struct UpdateItem {
    std::string title;
    std::string version;       // compared with ours
    std::string shortVersion;  // shown to the user; the version when absent
    std::string minimumSystemVersion;
    std::string releaseNotesLink;
    std::string description;
    std::string url;
    uint64_t length = 0;
    std::string edSignature;  // base64 of the 64-byte Ed25519 signature of the file
};

// The items of a feed, skipping those without a version or a complete enclosure.
// Nothing when the text is not an RSS document.
std::optional<std::vector<UpdateItem>> parseUpdateFeed(std::string_view xml);

// Compares dotted versions numerically part by part ("1.10" > "1.9", "2" == "2.0");
// a part's non-digit tail ("1.2rc1") is compared as text after its number.
int compareVersions(std::string_view a, std::string_view b);

// The newest item newer than `current` whose minimum system version `system` meets.
std::optional<UpdateItem> bestUpdate(const std::vector<UpdateItem>& items,
                                     const std::string& current, const std::string& system);

}  // namespace kelvra
