#include "input/ZonePickerController.h"

#include <charconv>
#include <cmath>

#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/KeyCombo.h"
#include "style/Theme.h"

namespace kelvra {

namespace {

namespace keys {
constexpr uint16_t returnKey = 36;
constexpr uint16_t escape = 53;
constexpr uint16_t keypadEnter = 76;
constexpr uint16_t leftArrow = 123;
constexpr uint16_t rightArrow = 124;
constexpr uint16_t downArrow = 125;
constexpr uint16_t upArrow = 126;
}  // namespace keys

// The number a key typed: an optional sign, then digits only; nothing otherwise.
std::optional<long> typedNumber(const std::string& text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    long n = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return negative ? -n : n;
}

}  // namespace

void ZonePickerState::move(int dx, int dy) {
    int col = selection % columns;
    int row = selection / columns;
    // Adding a whole turn keeps the remainder positive for steps of one.
    col = ((col + dx) % columns + columns) % columns;
    row = ((row + dy) % rows + rows) % rows;
    selection = row * columns + col;
}

std::vector<ZonePickerController::Zone> ZonePickerController::zones() const {
    const auto& l10n = l10n_;
    return {
        {ZoneID::leftHalf, l10n.string("zone.leftHalf")},
        {ZoneID::rightHalf, l10n.string("zone.rightHalf")},
        {ZoneID::topHalf, l10n.string("zone.topHalf")},
        {ZoneID::bottomHalf, l10n.string("zone.bottomHalf")},
        {ZoneID::maximize, l10n.string("zone.maximize")},
        {ZoneID::leftThird, l10n.string("zone.leftThird")},
        {ZoneID::centerThird, l10n.string("zone.centerThird")},
        {ZoneID::rightThird, l10n.string("zone.rightThird")},
        {ZoneID::leftTwoThirds, "2/3 + 1/3"},
        {ZoneID::topLeftQuarter, l10n.string("hud.quarters")},
    };
}

ZonePickerController::ZonePickerController(const L10n& l10n)
    : l10n_(l10n), animator_(*platform().runLoop) {}

ZonePickerController::~ZonePickerController() = default;

Size ZonePickerController::panelSize(const port::ZonePickerModel& m) {
    int rows = (static_cast<int>(m.cells.size()) + m.columns - 1) / m.columns;
    double gridWidth = m.columns * m.cellWidth + (m.columns - 1) * m.gap;
    double gridHeight = rows * m.cellHeight + std::max(0, rows - 1) * m.gap;
    return {gridWidth + 2 * m.padding, gridHeight + m.footerHeight + 2 * m.padding};
}

Rect ZonePickerController::placement(const std::vector<port::PlatformScreen>& screens,
                                     std::optional<Point> pointer, Size size) {
    if (screens.empty()) return {0, 0, size.width, size.height};
    const port::PlatformScreen* target = &screens.front();  // the primary
    if (pointer) {
        for (const auto& screen : screens) {
            if (screen.frame.contains(*pointer)) {
                target = &screen;
                break;
            }
        }
    }
    const Rect& area = target->visibleFrame;
    // Whole points keep the panel's edges sharp.
    return {std::round(area.midX() - size.width / 2), std::round(area.midY() - size.height / 2),
            size.width, size.height};
}

port::ZonePickerModel ZonePickerController::surfaceModel() const {
    port::ZonePickerModel m;
    for (auto& z : zones()) m.cells.push_back({z.zone, z.label});
    m.columns = ZonePickerState::columns;
    m.selection = model.selection;
    m.highlightColumn = highlight_.x;
    m.highlightRow = highlight_.y;
    const auto& l10n = l10n_;
    m.hints = {"←→↑↓ " + l10n.string("hud.select"),
               KeyCombo::keyName(keys::returnKey) + " " + l10n.string("hud.apply"),
               KeyCombo::keyName(keys::escape) + " " + l10n.string("hud.close")};
    return m;
}

void ZonePickerController::show() {
    close();
    model.selection = 0;
    highlight_ = {0, 0};
    auto* surfaces = platform().surfaces;
    if (!surfaces) return;
    auto m = surfaceModel();
    panel_ = surfaces->create(m);
    if (!panel_) return;  // this desktop cannot show it; the picker stays closed

    panelSubscriptions_.push_back(
        panel_->onKey([this](const port::KeyEvent& event) { handleKey(event); }));
    panelSubscriptions_.push_back(panel_->onPointer([this](const port::SurfacePointer& p) {
        if (p.phase != port::SurfacePointer::Phase::entered &&
            p.phase != port::SurfacePointer::Phase::dragged)
            return;
        if (auto cell = cellAt(p.position)) select(*cell);
    }));
    panelSubscriptions_.push_back(panel_->onChosen([this](const std::string& id) {
        int index = -1;
        auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), index);
        if (error == std::errc{} && end == id.data() + id.size()) apply(index);
    }));
    // Focus or keyboard lost, or a click elsewhere: the picker goes away unapplied.
    panelSubscriptions_.push_back(panel_->onDismissed([this] { close(); }));

    auto& screens = *platform().screens;
    frame_ = placement(screens.screens(), screens.pointerLocation(), panelSize(m));
    panel_->setFrame(frame_);
    panel_->setOpacity(0);
    panel_->setVisible(true);
    fade_ = animator_.start(
        fadeInDuration, Theme::easeOut, [this](double p) { panel_->setOpacity(p); },
        [this] { fade_.reset(); });
}

void ZonePickerController::close() {
    if (fade_) animator_.cancel(*fade_);
    if (glide_) animator_.cancel(*glide_);
    fade_.reset();
    glide_.reset();
    panelSubscriptions_.clear();
    panel_.reset();
}

void ZonePickerController::select(int index) {
    if (index == model.selection || !panel_) return;
    model.selection = index;
    if (glide_) animator_.cancel(*glide_);
    Point from = highlight_;
    Point to{double(index % ZonePickerState::columns), double(index / ZonePickerState::columns)};
    glide_ = animator_.start(
        highlightDuration, Theme::easeStandard,
        [this, from, to](double p) {
            highlight_ = {lerp(from.x, to.x, p), lerp(from.y, to.y, p)};
            panel_->setModel(surfaceModel());
        },
        [this] { glide_.reset(); });
}

void ZonePickerController::apply(int index) {
    if (index < 0 || index >= zoneCount) return;
    ZoneID zone = zones()[static_cast<size_t>(index)].zone;
    close();
    onApply.emit(zone);
}

bool ZonePickerController::handleKey(const port::KeyEvent& event) {
    if (!panel_) return false;
    switch (event.keyCode) {
        case keys::returnKey:
        case keys::keypadEnter:
            apply(model.selection);
            return true;
        case keys::escape:
            close();
            return true;
        case keys::leftArrow:
        case keys::rightArrow:
        case keys::downArrow:
        case keys::upArrow: {
            ZonePickerState moved = model;
            if (event.keyCode == keys::leftArrow) moved.move(-1, 0);
            if (event.keyCode == keys::rightArrow) moved.move(1, 0);
            if (event.keyCode == keys::downArrow) moved.move(0, 1);
            if (event.keyCode == keys::upArrow) moved.move(0, -1);
            select(moved.selection);
            return true;
        }
        default:
            break;
    }
    auto n = typedNumber(event.characters);
    if (!n) return false;
    long index = *n == 0 ? 9 : *n - 1;
    if (index < 0 || index >= zoneCount) return false;
    apply(static_cast<int>(index));
    return true;
}

std::optional<int> ZonePickerController::cellAt(Point point) const {
    port::ZonePickerModel m;  // the layout numbers
    double x = point.x - frame_.x - m.padding;
    double y = point.y - frame_.y - m.padding;
    if (x < 0 || y < 0) return std::nullopt;
    int col = static_cast<int>(x / (m.cellWidth + m.gap));
    int row = static_cast<int>(y / (m.cellHeight + m.gap));
    // The gaps between cells belong to none.
    if (x - col * (m.cellWidth + m.gap) >= m.cellWidth) return std::nullopt;
    if (y - row * (m.cellHeight + m.gap) >= m.cellHeight) return std::nullopt;
    if (col >= ZonePickerState::columns || row >= ZonePickerState::rows) return std::nullopt;
    return row * ZonePickerState::columns + col;
}

}  // namespace kelvra
