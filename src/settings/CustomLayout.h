#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/Rect.h"
#include "settings/Uuid.h"

namespace kelvra {

// One zone of a grid layout: a rectangle of whole cells.
struct GridZone {
    int col = 0;
    int row = 0;
    int colSpan = 1;
    int rowSpan = 1;
    friend bool operator==(const GridZone&, const GridZone&) = default;
};

// A grid of columns and rows that the user draws, with its zones in drawing order.
struct CustomLayout {
    Uuid id;
    std::string name;
    int columns = 4;
    int rows = 2;
    std::vector<GridZone> zones;

    friend bool operator==(const CustomLayout&, const CustomLayout&) = default;

    // The grid rule: the frame of zone `index` inside `visible` (top-left space), with
    // `gap` between cells and `padding` at the edges. Nothing for an index outside
    // the zones, a grid without columns or rows, a zone outside its grid, or an
    // empty padded area.
    std::optional<Rect> zoneFrame(int index, const Rect& visible, double gap, double padding) const;
};

void to_json(nlohmann::json& j, const GridZone& z);
void from_json(const nlohmann::json& j, GridZone& z);
void to_json(nlohmann::json& j, const CustomLayout& l);
void from_json(const nlohmann::json& j, CustomLayout& l);

}  // namespace kelvra
