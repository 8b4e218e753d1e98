// The plain parts of HttpServer.h: headers, content and form fields.
#include <algorithm>
#include <cctype>

#include "HttpServer.h"

namespace kelvra::server {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string formDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
                   hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

const std::string* HttpRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringCase(key, name)) return &value;
    }
    return nullptr;
}

std::string HttpRequest::headerValue(std::string_view name) const {
    const std::string* value = header(name);
    return value ? *value : std::string();
}

void HttpResponse::setHeader(std::string name, std::string value) {
    for (auto& [key, old] : headers) {
        if (equalsIgnoringCase(key, name)) {
            old = std::move(value);
            return;
        }
    }
    headers.emplace_back(std::move(name), std::move(value));
}

void HttpResponse::setContent(std::string content, std::string type) {
    body = std::move(content);
    setHeader("Content-Type", std::move(type));
}

std::string formValue(std::string_view text, std::string_view name) {
    while (!text.empty()) {
        auto end = text.find('&');
        std::string_view pair = text.substr(0, end);
        auto eq = pair.find('=');
        if (formDecode(pair.substr(0, eq)) == name) {
            return eq == std::string_view::npos ? std::string() : formDecode(pair.substr(eq + 1));
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return {};
}

}  // namespace kelvra::server
