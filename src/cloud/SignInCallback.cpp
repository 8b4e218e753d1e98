#include "cloud/SignInCallback.h"

#include <cctype>

namespace kelvra {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Nothing for a malformed escape, as a URL parser refuses such a URL.
std::optional<std::string> percentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        int high = hexValue(text[i + 1]);
        int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

}  // namespace

std::optional<SignInCallback> parseSignInCallback(const std::string& url) {
    auto colon = url.find(':');
    if (colon == std::string::npos || url.compare(colon + 1, 2, "//") != 0) return std::nullopt;
    std::string rest = url.substr(colon + 3);
    auto hostEnd = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, hostEnd);
    if (authority != "auth") return std::nullopt;
    auto question = rest.find('?');
    if (question == std::string::npos) return std::nullopt;
    std::string query = rest.substr(question + 1);
    query = query.substr(0, query.find('#'));

    std::optional<std::string> code;
    std::optional<std::string> state;
    size_t start = 0;
    while (start <= query.size()) {
        auto end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        std::string item = query.substr(start, end - start);
        auto equals = item.find('=');
        auto name = percentDecoded(item.substr(0, equals));
        if (!name) return std::nullopt;
        if (equals != std::string::npos && (*name == "code" || *name == "state")) {
            auto value = percentDecoded(item.substr(equals + 1));
            if (!value) return std::nullopt;
            auto& slot = *name == "code" ? code : state;
            if (!slot) slot = *value;
        }
        start = end + 1;
    }
    if (!code || !state) return std::nullopt;
    return SignInCallback{*code, *state};
}

std::string percentEncoded(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string connectPageURL(const std::string& base, const std::string& challenge,
                           const std::string& state) {
    return base + "/app/connect?app=kelvra&challenge=" + percentEncoded(challenge) +
           "&state=" + percentEncoded(state);
}

}  // namespace kelvra
