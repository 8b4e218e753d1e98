#include "diagnostics/UpdateFeed.h"

#include <charconv>
#include <cstring>

#include <pugixml.hpp>

namespace kelvra {

namespace {

// The prefix the document binds to our namespace ("kelvra:" usually), empty when none.
std::string ourPrefix(const pugi::xml_node& root) {
    for (const auto& attribute : root.attributes()) {
        std::string_view name = attribute.name();
        if (name.rfind("xmlns:", 0) == 0 &&
            std::strcmp(attribute.value(), kUpdateFeedNamespace) == 0) {
            return std::string(name.substr(6)) + ":";
        }
    }
    return {};
}

std::string text(const pugi::xml_node& item, const std::string& name) {
    return item.child(name.c_str()).text().as_string();
}

// Splits off the leading number of a version part; the rest is its tail.
uint64_t leadingNumber(std::string_view& part) {
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc()) value = 0;
    part.remove_prefix(static_cast<size_t>(end - part.data()));
    return value;
}

}  // namespace

std::optional<std::vector<UpdateItem>> parseUpdateFeed(std::string_view xml) {
    pugi::xml_document document;
    auto result =
        document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
    auto rss = document.child("rss");
    if (!result || !rss) return std::nullopt;
    const std::string ns = ourPrefix(rss);
    std::vector<UpdateItem> items;
    if (ns.empty()) return items;  // nothing in it is ours
    for (auto item : rss.child("channel").children("item")) {
        auto enclosure = item.child("enclosure");
        UpdateItem u;
        u.title = text(item, "title");
        u.description = text(item, "description");
        u.version = text(item, ns + "version");
        if (u.version.empty())
            u.version = enclosure.attribute((ns + "version").c_str()).as_string();
        u.shortVersion = text(item, ns + "shortVersionString");
        if (u.shortVersion.empty()) {
            u.shortVersion = enclosure.attribute((ns + "shortVersionString").c_str()).as_string();
        }
        if (u.shortVersion.empty()) u.shortVersion = u.version;
        u.minimumSystemVersion = text(item, ns + "minimumSystemVersion");
        u.releaseNotesLink = text(item, ns + "releaseNotesLink");
        u.url = enclosure.attribute("url").as_string();
        u.length = enclosure.attribute("length").as_ullong();
        u.edSignature = enclosure.attribute((ns + "edSignature").c_str()).as_string();
        if (u.version.empty() || u.url.empty() || u.length == 0 || u.edSignature.empty()) continue;
        items.push_back(std::move(u));
    }
    return items;
}

int compareVersions(std::string_view a, std::string_view b) {
    while (!a.empty() || !b.empty()) {
        auto ea = a.find('.'), eb = b.find('.');
        std::string_view pa = a.substr(0, ea), pb = b.substr(0, eb);
        a = ea == std::string_view::npos ? std::string_view() : a.substr(ea + 1);
        b = eb == std::string_view::npos ? std::string_view() : b.substr(eb + 1);
        uint64_t na = leadingNumber(pa), nb = leadingNumber(pb);
        if (na != nb) return na < nb ? -1 : 1;
        // "1.2rc1" comes before "1.2": a tail marks a pre-release.
        if (pa.empty() != pb.empty()) return pa.empty() ? 1 : -1;
        if (int c = pa.compare(pb)) return c < 0 ? -1 : 1;
    }
    return 0;
}

std::optional<UpdateItem> bestUpdate(const std::vector<UpdateItem>& items,
                                     const std::string& current, const std::string& system) {
    std::optional<UpdateItem> best;
    for (const auto& item : items) {
        if (compareVersions(item.version, current) <= 0) continue;
        if (!item.minimumSystemVersion.empty() &&
            compareVersions(system, item.minimumSystemVersion) < 0) {
            continue;
        }
        if (!best || compareVersions(item.version, best->version) > 0) best = item;
    }
    return best;
}

}  // namespace kelvra
