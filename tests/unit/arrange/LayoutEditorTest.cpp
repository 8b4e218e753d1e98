#include "arrange/LayoutEditor.h"
#include "unit/arrange/ArrangeFixture.h"

namespace kelvra::test {
namespace {

using namespace std::string_literals;

class LayoutEditorTest : public ArrangeTest {
  protected:
    void SetUp() override {
        ArrangeTest::SetUp();
        editor = std::make_unique<LayoutEditor>(*settings, *l10n);
    }
    // A drag on a 420 x 220 canvas from the middle of one cell to the middle of another.
    void drag(LayoutEditor::Cell from, LayoutEditor::Cell to) {
        const Size canvas{420, 220};
        double w = (420 - 20 - 6.0 * (editor->columns() - 1)) / editor->columns();
        double h = (220 - 20 - 6.0 * (editor->rows() - 1)) / editor->rows();
        auto centre = [&](LayoutEditor::Cell c) {
            return Point{10 + (w + 6) * c.first + w / 2, 10 + (h + 6) * c.second + h / 2};
        };
        editor->dragChanged(centre(from), canvas);
        editor->dragChanged(centre(to), canvas);
        editor->dragEnded();
    }
    void rename(const CustomLayout& layout, const std::string& name) {
        editor->startRename(layout);
        editor->renameInput = name;
        editor->commitRename(layout);
    }
    void saveAs(const std::string& name) {
        editor->beginSave();
        editor->nameInput = name;
        editor->commitSave();
    }
    std::unique_ptr<LayoutEditor> editor;
};

TEST(GridRule, WorkedExamples) {
    Rect visible(0, 25, 1440, 875);
    CustomLayout thirds{Uuid::random(), "t", 3, 1, {{1, 0, 1, 1}, {0, 0, 2, 1}}};
    auto middle = *thirds.zoneFrame(0, visible, 10, 0);
    EXPECT_NEAR(middle.x, 483.333, 0.001);
    EXPECT_NEAR(middle.width, 473.333, 0.001);
    EXPECT_EQ(std::pair(middle.y, middle.height), std::pair(25.0, 875.0));
    EXPECT_NEAR(thirds.zoneFrame(1, visible, 10, 0)->width, 2 * 473.333 + 10, 0.001);

    // Without gap or padding a full grid tiles the area exactly.
    CustomLayout full{Uuid::random(), "f", 3, 2, {}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) full.zones.push_back({c, r, 1, 1});
    double area = 0;
    for (int i = 0; i < 6; ++i) {
        auto f = *full.zoneFrame(i, visible, 0, 0);
        area += f.width * f.height;
        for (int j = 0; j < i; ++j)
            EXPECT_TRUE(f.intersection(*full.zoneFrame(j, visible, 0, 0)).isEmpty());
    }
    EXPECT_NEAR(area, 1440.0 * 875, 1e-6);
    // Layouts the editor never makes give no frame rather than a wrong one.
    EXPECT_FALSE(
        (CustomLayout{Uuid::random(), "z", 0, 1, {{0, 0, 1, 1}}}.zoneFrame(0, visible, 0, 0)));
    EXPECT_FALSE(
        (CustomLayout{Uuid::random(), "o", 2, 1, {{1, 0, 2, 1}}}.zoneFrame(0, visible, 0, 0)));
}

TEST_F(LayoutEditorTest, DragsEncloseZonesAndTheGridLimitsThem) {
    drag({3, 1}, {1, 0});
    EXPECT_EQ(editor->zones(), (std::vector<GridZone>{{1, 0, 3, 2}}));
    drag({3, 1}, {1, 0});  // the same zone again adds nothing
    drag({0, 0}, {1, 1});  // overlapping is allowed
    drag({2, 0}, {2, 0});  // a click is a one-cell zone
    drag({0, 1}, {0, 1});
    EXPECT_EQ(editor->zones().size(), 4u);
    EXPECT_EQ(editor->zones()[2], (GridZone{2, 0, 1, 1}));
    EXPECT_EQ(editor->editorFootnote(), "4 zones — Save… to name and keep it.");

    editor->setColumns(3);  // drops what reaches into column 3, keeps the order
    EXPECT_EQ(editor->zones(), (std::vector<GridZone>{{0, 0, 2, 2}, {2, 0, 1, 1}, {0, 1, 1, 1}}));
    editor->setColumns(7);  // not offered: ignored
    EXPECT_EQ(editor->columns(), 3);
    editor->removeZone(0);
    EXPECT_EQ(editor->zones().front(), (GridZone{2, 0, 1, 1}));
    editor->dragEnded();  // a drag without a start adds nothing
    EXPECT_EQ(editor->zones().size(), 2u);
    editor->clear();
    EXPECT_EQ(editor->editorFootnote(), "Empty cells stay unused.");
}

TEST_F(LayoutEditorTest, APressOnARemoveControlRemovesThatZoneAndDrawsNothing) {
    drag({0, 0}, {1, 1});
    drag({2, 0}, {3, 0});
    drag({3, 0}, {3, 1});  // over the second one's corner
    const Size canvas{420, 220};
    auto press = [&](size_t zone, Point to) {
        const auto grid = editor->canvas();
        const Rect control = port::gridRemoveFrame(grid, grid.zones.at(zone), canvas);
        ASSERT_EQ(control.width, LayoutEditor::removeControlSize);
        editor->dragChanged({control.midX(), control.midY()}, canvas);
        editor->dragChanged(to, canvas);  // dragged on: still no zone
        EXPECT_FALSE(editor->pendingZone());
        editor->dragEnded();
    };
    press(2, {30, 200});
    EXPECT_EQ(editor->zones(), (std::vector<GridZone>{{0, 0, 2, 2}, {2, 0, 2, 1}}));
    press(0, {400, 200});
    EXPECT_EQ(editor->zones(), (std::vector<GridZone>{{2, 0, 2, 1}}));
    // Beside the control the zone's area draws as before.
    drag({3, 0}, {3, 0});
    EXPECT_EQ(editor->zones().size(), 2u);
}

TEST_F(LayoutEditorTest, SuggestedNames) {
    struct Case {
        int columns, rows;
        std::vector<std::pair<LayoutEditor::Cell, LayoutEditor::Cell>> drags;
        std::string expected;
    } cases[] = {
        {3, 1, {{{0, 0}, {1, 0}}, {{2, 0}, {2, 0}}}, "2 : 1 split"},
        {4, 1, {{{0, 0}, {1, 0}}, {{2, 0}, {3, 0}}}, "Halves"},
        {6, 1, {{{0, 0}, {0, 0}}, {{1, 0}, {4, 0}}, {{5, 0}, {5, 0}}}, "Thirds"},
        {3, 2, {{{0, 0}, {0, 0}}, {{1, 0}, {1, 0}}, {{2, 0}, {2, 0}}}, "Custom 3 zones"},
        {2,
         2,
         {{{0, 0}, {0, 0}}, {{1, 0}, {1, 0}}, {{0, 1}, {0, 1}}, {{1, 1}, {1, 1}}},
         "Quarters"},
    };
    for (const auto& c : cases) {
        editor->clear();
        editor->setRows(c.rows);
        editor->setColumns(c.columns);
        for (const auto& [from, to] : c.drags) drag(from, to);
        EXPECT_EQ(editor->suggestedName(), c.expected);
    }
    settings->customLayouts.set(
        {{Uuid::random(), "Halves", 2, 1, {}}, {Uuid::random(), "Halves 2", 2, 1, {}}});
    editor->clear();
    editor->setRows(1);
    drag({0, 0}, {0, 0});
    drag({1, 0}, {1, 0});
    EXPECT_EQ(editor->suggestedName(), "Halves 3");
}

TEST_F(LayoutEditorTest, SavingEditingRenamingAndDeleting) {
    drag({0, 0}, {0, 1});
    saveAs("  Left  ");
    drag({1, 0}, {1, 1});
    saveAs("   ");  // blank: the suggested name
    ASSERT_EQ(settings->customLayouts().size(), 2u);
    EXPECT_EQ(settings->customLayouts()[0].name, "Custom 1 zone");  // new layouts go first
    EXPECT_EQ(settings->customLayouts()[1].name, "Left");
    EXPECT_TRUE(editor->zones().empty());
    EXPECT_EQ(editor->columns(), 4);

    auto left = settings->customLayouts()[1];
    editor->loadIntoEditor(left);
    EXPECT_EQ(std::pair(editor->header(), editor->nameInput), std::pair("Editing"s, "Left"s));
    drag({3, 0}, {3, 0});
    editor->beginSave();
    editor->commitSave();
    EXPECT_EQ(settings->customLayouts()[1].id, left.id);  // same identity and place
    EXPECT_EQ(settings->customLayouts()[1].zones.size(), 2u);
    EXPECT_EQ(editor->header(), "New layout");

    rename(left, "  ");
    EXPECT_EQ(settings->customLayouts()[1].name, "Left");
    rename(left, "Wide");
    EXPECT_EQ(settings->customLayouts()[1].name, "Wide");
    EXPECT_FALSE(editor->renamingID());

    // Editing a layout that is deleted meanwhile saves a new one.
    editor->loadIntoEditor(settings->customLayouts()[1]);
    editor->deleteLayout(left.id);
    EXPECT_EQ(settings->customLayouts().size(), 1u);
    editor->beginSave();
    editor->commitSave();
    EXPECT_EQ(settings->customLayouts().size(), 2u);
    EXPECT_NE(settings->customLayouts()[0].id, left.id);
}

}  // namespace
}  // namespace kelvra::test
