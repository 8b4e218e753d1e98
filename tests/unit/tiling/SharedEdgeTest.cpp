#include <sstream>

#include "unit/tiling/TilingFixture.h"

namespace kelvra::test {
namespace {

const Rect mainScreen{0, 0, 1440, 900};

class SharedEdgeTest : public TilingTest {
  protected:
    // Each edge as "orientation position span outer [leading|trailing]", windows by index.
    std::vector<std::string> edgesOf(const std::vector<Rect>& frames,
                                     const std::vector<Rect>& screens = {}) {
        std::vector<WindowHandle> windows;
        std::vector<EdgeMember> members;
        for (size_t i = 0; i < frames.size(); ++i) {
            windows.push_back(window());
            members.push_back(
                {windows.back(), frames[i], i < screens.size() ? screens[i] : mainScreen});
        }
        auto index = [&](const WindowHandle& w) {
            for (size_t i = 0; i < windows.size(); ++i)
                if (windows[i] == w) return i;
            return size_t(99);
        };
        std::vector<std::string> out;
        for (const auto& e : findSharedEdges(members, 10)) {
            std::ostringstream s;
            s << (e.isAggregate ? "aggregate " : "") << rawValue(e.orientation) << ' ' << e.position
              << ' ' << e.span.lower << ".." << e.span.upper << " outer " << e.outerRange.lower
              << ".." << e.outerRange.upper << " [";
            for (const auto& w : e.leading) s << index(w);
            s << '|';
            for (const auto& w : e.trailing) s << index(w);
            s << ']';
            out.push_back(s.str());
        }
        return out;
    }
};

TEST_F(SharedEdgeTest, FindsTheEdgesOfSnappedArrangements) {
    using V = std::vector<std::string>;
    struct Case {
        const char* name;
        std::vector<Rect> frames;
        V expected;
    };
    const Case cases[] = {
        {"halves",
         {{0, 25, 715, 875}, {725, 25, 715, 875}},
         V{"vertical 720 25..900 outer 0..1440 [0|1]"}},
        {"halves given right first",
         {{725, 25, 715, 875}, {0, 25, 715, 875}},
         V{"vertical 720 25..900 outer 0..1440 [1|0]"}},
        {"gap of exactly windowGap + 6 links",
         {{0, 25, 700, 875}, {716, 25, 724, 875}},
         V{"vertical 708 25..900 outer 0..1440 [0|1]"}},
        {"one point more does not", {{0, 25, 700, 875}, {717, 25, 723, 875}}, V{}},
        {"overlap up to the tolerance links",
         {{0, 25, 730, 875}, {714, 25, 726, 875}},
         V{"vertical 722 25..900 outer 0..1440 [0|1]"}},
        {"facing over exactly half does not", {{0, 100, 700, 400}, {710, 300, 700, 400}}, V{}},
        {"facing over more than half does",
         {{0, 100, 700, 400}, {710, 299, 700, 400}},
         V{"vertical 705 299..500 outer 0..1410 [0|1]"}},
        {"upper and lower",
         {{0, 467.5, 1440, 432.5}, {0, 25, 1440, 432.5}},
         V{"horizontal 462.5 0..1440 outer 25..900 [1|0]"}},
        {"thirds",
         {{0, 25, 473, 875}, {483, 25, 474, 875}, {967, 25, 473, 875}},
         V{"vertical 478 25..900 outer 0..957 [0|1]",
           "vertical 962 25..900 outer 483..1440 [1|2]"}},
        {"quarters: shortened edges and an aggregate each way",
         {{0, 25, 715, 432.5},
          {725, 25, 715, 432.5},
          {0, 467.5, 715, 432.5},
          {725, 467.5, 715, 432.5}},
         V{"vertical 720 25..436.5 outer 0..1440 [0|1]",
           "aggregate vertical 720 436.5..488.5 outer 0..1440 [02|13]",
           "vertical 720 488.5..900 outer 0..1440 [2|3]",
           "horizontal 462.5 0..694 outer 25..900 [0|2]",
           "aggregate horizontal 462.5 694..746 outer 25..900 [01|23]",
           "horizontal 462.5 746..1440 outer 25..900 [1|3]"}},
        {"short quarters keep the short edges whole",
         {{0, 25, 700, 25}, {710, 25, 700, 25}, {0, 60, 700, 25}, {710, 60, 700, 25}},
         V{"vertical 705 25..50 outer 0..1410 [0|1]", "vertical 705 60..85 outer 0..1410 [2|3]",
           "horizontal 55 0..679 outer 25..85 [0|2]",
           "aggregate horizontal 55 679..731 outer 25..85 [01|23]",
           "horizontal 55 731..1410 outer 25..85 [1|3]"}},
        {"three stacked beside a tall one stay separate",
         {{0, 25, 715, 285}, {0, 320, 715, 285}, {0, 615, 715, 285}, {725, 25, 715, 875}},
         V{"horizontal 315 0..715 outer 25..605 [0|1]", "vertical 720 25..310 outer 0..1440 [0|3]",
           "vertical 720 320..605 outer 0..1440 [1|3]", "vertical 720 615..900 outer 0..1440 [2|3]",
           "horizontal 610 0..715 outer 320..900 [1|2]"}},
    };
    for (const auto& c : cases) EXPECT_EQ(edgesOf(c.frames), c.expected) << c.name;
    EXPECT_EQ(edgesOf(cases[0].frames, {mainScreen, {720, 0, 1440, 900}}), V{})
        << "windows on different screens never link";
}

TEST_F(SharedEdgeTest, IdentityNamesTheWindowsWhateverTheirOrder) {
    auto a = window(), b = window(), tall = window();
    SharedEdge e{Orientation::vertical, 720, {25, 900}, {a}, {b}, {0, 1440}, false};
    SharedEdge swapped{Orientation::vertical, 500, {0, 10}, {b}, {a}, {0, 10}, false};
    EXPECT_EQ(e.identity(), swapped.identity());
    swapped.orientation = Orientation::horizontal;
    EXPECT_NE(e.identity(), swapped.identity());

    // Two stacked beside one tall window: the aggregate lists the tall one twice.
    auto edges = findSharedEdges({{a, {0, 25, 715, 432.5}, mainScreen},
                                  {b, {0, 467.5, 715, 432.5}, mainScreen},
                                  {tall, {725, 25, 715, 875}, mainScreen}},
                                 10);
    auto aggregate =
        std::find_if(edges.begin(), edges.end(), [](auto& x) { return x.isAggregate; });
    ASSERT_NE(aggregate, edges.end());
    std::string t = std::to_string(tall.element().id);
    std::string id = aggregate->identity();
    EXPECT_NE(id.find(t + "," + t), std::string::npos) << id;
}

}  // namespace
}  // namespace kelvra::test
