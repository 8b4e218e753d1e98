#include <gtest/gtest.h>

#include <QImage>

#include "backends/qt/views/AssistWidget.h"

namespace kelvra::views {
namespace {

// The panel's own background, away from its rounded edge and its cards: in the header,
// beside the only card and under it.
std::vector<QRgb> backgroundOf(bool composited) {
    AssistWidget panel(
        {"Choose a window for this space", "Esc to close", {{"1", "right", "XTerm", {}}}});
    panel.resize(900, 400);
    panel.setComposited(composited);
    QImage image(panel.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    panel.render(&image);
    return {image.pixel(450, 30), image.pixel(700, 100), image.pixel(450, 300),
            image.pixel(100, 380)};
}

TEST(AssistWidget, PaintsOneOpaqueBackgroundWithOrWithoutACompositor) {
    const auto composited = backgroundOf(true);
    for (QRgb pixel : composited) {
        EXPECT_EQ(qAlpha(pixel), 255) << std::hex << pixel;
        EXPECT_EQ(pixel, composited.front()) << std::hex << pixel;
    }
    EXPECT_EQ(backgroundOf(false), composited);
}

}  // namespace
}  // namespace kelvra::views
