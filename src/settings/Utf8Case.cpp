#include "settings/Utf8Case.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <optional>

namespace kelvra {

namespace {

// The plain "C" locale maps only ASCII; the UTF-8 variant carries the full Unicode
// tables and, unlike the user's locale, is the same on every machine.
locale_t unicodeLocale() {
    static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return loc;
}

struct Decoded {
    char32_t codePoint;
    size_t length;
};

// One code point at `pos`, or nothing when the bytes there are not valid UTF-8.
std::optional<Decoded> decodeAt(const std::string& s, size_t pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    size_t length;
    char32_t cp;
    if (lead < 0x80) return Decoded{lead, 1};
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (pos + length > s.size()) return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return std::nullopt;  // overlong forms and surrogates are not text
    }
    return Decoded{cp, length};
}

void encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t mapCase(char32_t cp, bool upper) {
    const locale_t loc = unicodeLocale();
    if (loc == static_cast<locale_t>(0)) {
        // Without the Unicode tables only ASCII letters change.
        if (upper && cp >= U'a' && cp <= U'z') return cp - (U'a' - U'A');
        if (!upper && cp >= U'A' && cp <= U'Z') return cp + (U'a' - U'A');
        return cp;
    }
    const auto wc = static_cast<wint_t>(cp);
    return static_cast<char32_t>(upper ? towupper_l(wc, loc) : towlower_l(wc, loc));
}

std::string mapText(const std::string& text, bool upper) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        if (auto d = decodeAt(text, pos)) {
            encode(mapCase(d->codePoint, upper), out);
            pos += d->length;
        } else {
            out += text[pos++];
        }
    }
    return out;
}

}  // namespace

std::string utf8ToUpper(const std::string& text) {
    return mapText(text, true);
}

std::string utf8ToLower(const std::string& text) {
    return mapText(text, false);
}

size_t utf8CodePointCount(const std::string& text) {
    size_t count = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        auto d = decodeAt(text, pos);
        pos += d ? d->length : 1;
        ++count;
    }
    return count;
}

}  // namespace kelvra
