#include "cloud/ServiceURL.h"

#include <algorithm>
#include <cctype>

#include "port/Platform.h"

namespace kelvra {

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The host part of "scheme://[user@]host[:port][/...]", brackets kept off IPv6 literals.
std::string hostOf(const std::string& rest) {
    std::string authority = rest.substr(0, rest.find_first_of("/?#"));
    if (auto at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    if (!authority.empty() && authority.front() == '[') {
        auto close = authority.find(']');
        return close == std::string::npos ? std::string{} : authority.substr(1, close - 1);
    }
    return authority.substr(0, authority.find(':'));
}

bool isLoopback(const std::string& host) {
    if (host == "localhost" || host == "::1") return true;
    // 127.x.y.z, digits and dots only.
    if (host.rfind("127.", 0) != 0) return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return c == '.' || std::isdigit(static_cast<unsigned char>(c));
    });
}

}  // namespace

bool isAcceptableServiceURL(const std::string& url, std::string& why) {
    std::string lower = lowered(url);
    bool secure = lower.rfind("https://", 0) == 0;
    bool plain = lower.rfind("http://", 0) == 0;
    if (!secure && !plain) {
        why = "the address must start with https://";
        return false;
    }
    std::string host = hostOf(lower.substr(secure ? 8 : 7));
    if (host.empty()) {
        why = "the address names no host";
        return false;
    }
    if (plain && !isLoopback(host)) {
        why = "plain http is only allowed to this computer; use https://";
        return false;
    }
    return true;
}

std::string cloudServiceURL() {
    std::string url = kDefaultCloudServiceURL;
    auto stored = platform().defaults->object(kCloudServiceURLKey);
    if (stored) {
        if (const auto* text = std::get_if<std::string>(&*stored)) {
            std::string why;
            if (isAcceptableServiceURL(*text, why)) {
                url = *text;
            } else {
                logLine("ignoring " + std::string(kCloudServiceURLKey) + " \"" + *text +
                        "\": " + why);
            }
        } else {
            logLine(std::string(kCloudServiceURLKey) +
                    " is not a string; using the default service");
        }
    }
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

}  // namespace kelvra
