// The grid whose title row and number column stay in view, made as a form makes it: empty
// first, given its rows, columns and sizes afterwards.
#include "archive/StringGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

namespace velarium {
namespace {

class StringGridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        grid.setRowCount(4);
        grid.setColumnCount(3);
        grid.horizontalHeader()->hide();
        grid.verticalHeader()->hide();
        grid.setFrameShape(QFrame::NoFrame);
        grid.setDefaultCellSize(100, 24);
        grid.resize(250, 150);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }

    using Cell = std::pair<int, int>; // row, column

    // The cell a point of the grid shows, from whichever of its views lies on top there.
    Cell shownAt(QPoint at)
    {
        QWidget* surface = grid.childAt(at);
        auto* view = surface ? qobject_cast<QAbstractItemView*>(surface->parentWidget()) : nullptr;
        if (!view || surface != view->viewport()) {
            return {-1, -1};
        }
        const QModelIndex index = view->indexAt(surface->mapFrom(&grid, at));
        return {index.row(), index.column()};
    }

    StringGrid grid{nullptr};
};

TEST_F(StringGridTest, TheFixedCellsFollowTheSizesOfTheirRowAndColumn)
{
    // Sizes above any style's narrowest section, so that the grid takes them as given.
    grid.setColumnWidth(0, 70);
    grid.setRowHeight(0, 30);
    EXPECT_EQ(shownAt({60, 10}), Cell(0, 0));
    EXPECT_EQ(shownAt({60, 35}), Cell(1, 0));
    EXPECT_EQ(shownAt({75, 15}), Cell(0, 1));
    EXPECT_EQ(shownAt({75, 35}), Cell(1, 1));
}

TEST_F(StringGridTest, RowsAndColumnsAddedLaterScrollUnderTheFixedOnes)
{
    grid.setRowCount(40);
    grid.setColumnCount(8);
    QScrollBar* down = grid.verticalScrollBar();
    QScrollBar* across = grid.horizontalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return down->maximum() > 0 && across->maximum() > 0; }));
    down->setValue(down->maximum());
    across->setValue(across->maximum());

    const auto [row, column] = shownAt({150, 100});
    EXPECT_GT(row, 30);
    EXPECT_GT(column, 5);
    // The titles follow the columns, the numbers the rows; the corner stays.
    EXPECT_EQ(shownAt({150, 10}), Cell(0, column));
    EXPECT_EQ(shownAt({20, 100}), Cell(row, 0));
    EXPECT_EQ(shownAt({20, 10}), Cell(0, 0));
}

} // namespace
} // namespace velarium
