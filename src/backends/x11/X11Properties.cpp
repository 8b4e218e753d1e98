#include "backends/x11/X11Properties.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace kelvra::x11 {

namespace {

// The whole property as raw items; format-32 items arrive as longs.
struct RawProperty {
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes;
    unsigned long count = 0;
};

std::optional<RawProperty> readRaw(X11Connection& c, Window w, Atom property, Atom type) {
    if (!c.isOpen() || w == None || property == None) return std::nullopt;
    RawProperty raw;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    c.clearError();
    if (XGetWindowProperty(c.display(), w, property, 0, 1 << 20, False, type, &raw.type,
                           &raw.format, &raw.count, &after, &data) != Success ||
        c.lastError() != 0) {
        if (data) XFree(data);
        return std::nullopt;
    }
    if (!data || raw.type == None || (type != AnyPropertyType && raw.type != type)) {
        if (data) XFree(data);
        return std::nullopt;
    }
    size_t itemSize = raw.format == 32 ? sizeof(long) : static_cast<size_t>(raw.format / 8);
    raw.bytes.assign(data, data + raw.count * itemSize);
    XFree(data);
    return raw;
}

template <typename T>
std::vector<T> longsAs(const RawProperty& raw) {
    std::vector<T> out;
    if (raw.format != 32) return out;
    const long* items = reinterpret_cast<const long*>(raw.bytes.data());
    for (unsigned long i = 0; i < raw.count; ++i) out.push_back(static_cast<T>(items[i]));
    return out;
}

}  // namespace

std::optional<std::vector<long>> readCardinals(X11Connection& c, Window w, const char* property) {
    auto raw = readRaw(c, w, c.atom(property), XA_CARDINAL);
    if (!raw || raw->format != 32) return std::nullopt;
    return longsAs<long>(*raw);
}

std::string latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    for (unsigned char ch : latin1) {
        if (ch < 0x80) {
            utf8 += static_cast<char>(ch);
        } else {
            utf8 += static_cast<char>(0xC0 | (ch >> 6));
            utf8 += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return utf8;
}

}  // namespace kelvra::x11
