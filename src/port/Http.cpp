#include "port/Http.h"

#include <cctype>

namespace kelvra::port {

std::string HttpResponse::header(const std::string& name) const {
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    for (const auto& [key, value] : headers) {
        if (lower(key) == lower(name)) return value;
    }
    return {};
}

}  // namespace kelvra::port
