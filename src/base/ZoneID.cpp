#include "base/ZoneID.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace kelvra {

namespace {

constexpr std::array<std::string_view, zoneCount> rawValues = {
    "leftHalf",       "rightHalf",       "topHalf",           "bottomHalf",
    "topLeftQuarter", "topRightQuarter", "bottomLeftQuarter", "bottomRightQuarter",
    "leftThird",      "centerThird",     "rightThird",        "leftTwoThirds",
    "rightTwoThirds", "centerTwoThirds", "maximize",          "almostMaximize",
    "center",
};

// The unit rectangle of every zone, as fractions of the padded area, indexed by case.
// almostMaximize's entry is never used: it has its own rule.
constexpr double half = 0.5;
constexpr double third = 1.0 / 3.0;
constexpr double twoThirds = 2.0 / 3.0;
constexpr double sixth = 1.0 / 6.0;

constexpr std::array<double, zoneCount> unitX = {
    0, half, 0, 0, 0, half, 0, half, 0, third, twoThirds, 0, third, sixth, 0, 0, 0};
constexpr std::array<double, zoneCount> unitY = {0, 0, 0, half, 0, 0, half, half, 0,
                                                 0, 0, 0, 0,    0, 0, 0,    0};
constexpr std::array<double, zoneCount> unitW = {
    half,  half,  1,         1,         half,      half, half, half, third,
    third, third, twoThirds, twoThirds, twoThirds, 1,    1,    1};
constexpr std::array<double, zoneCount> unitH = {1, 1, half, half, half, half, half, half, 1,
                                                 1, 1, 1,    1,    1,    1,    1,    1};

// Unit edges closer than this to the area's boundary count as lying on it.
constexpr double edgeLow = 0.001;
constexpr double edgeHigh = 0.999;
constexpr double almostMaximizeMargin = 0.05;

size_t index(ZoneID zone) {
    return static_cast<size_t>(zone);
}

}  // namespace

const std::array<ZoneID, zoneCount>& allZoneIDs() {
    static const std::array<ZoneID, zoneCount> all = [] {
        std::array<ZoneID, zoneCount> a{};
        for (size_t i = 0; i < zoneCount; ++i) a[i] = static_cast<ZoneID>(i);
        return a;
    }();
    return all;
}

std::string_view rawValue(ZoneID zone) {
    return rawValues.at(index(zone));
}

std::optional<ZoneID> zoneFromRaw(std::string_view raw) {
    for (size_t i = 0; i < zoneCount; ++i) {
        if (rawValues[i] == raw) return static_cast<ZoneID>(i);
    }
    return std::nullopt;
}

std::vector<ZoneID> snapAssistFillOrder(ZoneID zone) {
    using enum ZoneID;
    switch (zone) {
        case leftHalf:
            return {rightHalf};
        case rightHalf:
            return {leftHalf};
        case topHalf:
            return {bottomHalf};
        case bottomHalf:
            return {topHalf};
        case topLeftQuarter:
            return {topRightQuarter, bottomLeftQuarter, bottomRightQuarter};
        case topRightQuarter:
            return {topLeftQuarter, bottomRightQuarter, bottomLeftQuarter};
        case bottomLeftQuarter:
            return {bottomRightQuarter, topLeftQuarter, topRightQuarter};
        case bottomRightQuarter:
            return {bottomLeftQuarter, topRightQuarter, topLeftQuarter};
        case leftThird:
            return {rightTwoThirds};
        case centerThird:
            return {leftThird, rightThird};
        case rightThird:
            return {leftTwoThirds};
        case leftTwoThirds:
            return {rightThird};
        case rightTwoThirds:
            return {leftThird};
        case centerTwoThirds:
        case maximize:
        case almostMaximize:
        case center:
            return {};
    }
    return {};
}

Rect frame(ZoneID zone, const Rect& in, double gap, double padding) {
    Rect area = in.insetBy(padding, padding);
    // An empty or broken area has no sensible zone; callers must leave the window alone.
    if (area.isEmpty() || !area.isFinite()) return Rect::null();

    if (zone == ZoneID::almostMaximize) {
        return Rect(area.x + almostMaximizeMargin * area.width,
                    area.y + almostMaximizeMargin * area.height,
                    (1 - 2 * almostMaximizeMargin) * area.width,
                    (1 - 2 * almostMaximizeMargin) * area.height);
    }

    const size_t i = index(zone);
    const double ux = unitX[i], uy = unitY[i], uw = unitW[i], uh = unitH[i];
    double x = area.minX() + ux * area.width;
    double y = area.minY() + uy * area.height;
    double w = uw * area.width;
    double h = uh * area.height;

    // Each inner side gives up half the gap, so two zones that meet end up `gap` apart
    // while sides on the area's boundary keep their full extent.
    const double halfGap = gap * 0.5;
    if (ux > edgeLow) {
        x += halfGap;
        w -= halfGap;
    }
    if (ux + uw < edgeHigh) w -= halfGap;
    if (uy > edgeLow) {
        y += halfGap;
        h -= halfGap;
    }
    if (uy + uh < edgeHigh) h -= halfGap;

    Rect result(x, y, w, h);
    // A gap wider than the zone itself would give a negative size: no frame either.
    if (result.isEmpty() || !result.isFinite()) return Rect::null();
    return result;
}

void to_json(nlohmann::json& j, ZoneID zone) {
    j = std::string(rawValue(zone));
}

void from_json(const nlohmann::json& j, ZoneID& zone) {
    const auto& raw = j.get_ref<const std::string&>();
    auto parsed = zoneFromRaw(raw);
    if (!parsed) {
        throw nlohmann::json::other_error::create(501, "unknown zone \"" + raw + "\"", &j);
    }
    zone = *parsed;
}

}  // namespace kelvra
