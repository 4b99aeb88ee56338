#pragma once

#include <QTableWidget>

namespace velarium {

// A string grid with one fixed row and one fixed column: the titles and the card numbers stay in
// view while the other cells scroll under them. Each fixed part is a view of the grid's own
// cells laid over its edge, following its scroll bars, column widths and row heights. As on a
// string grid, a column is resized by dragging its edge in the title row, and the fixed cells
// never become current.
class StringGrid final : public QTableWidget
{
public:
    explicit StringGrid(QWidget* parent);

    // The title row and the number column, where the mouse is also over the grid.
    QList<QWidget*> fixedSurfaces() const;

    // The size of every cell not sized since, the fixed ones included.
    void setDefaultCellSize(int width, int height);

    void setCellPainter(QAbstractItemDelegate* painter);

    // A cell brought into view is brought out from under the fixed cells as well.
    void scrollTo(const QModelIndex& index, ScrollHint hint) override;

protected:
    void updateGeometries() override;
    // The fixed cells never take the current cell: keys and clicks move it among the others.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* fixedView();
    void placeFixedViews();
    // The column whose right edge is under x in the view, if any.
    static int edgeAt(const QTableView& view, int x);
    bool sizeColumn(QTableView& view, QMouseEvent* event);

    QTableView* titles_ = nullptr;
    QTableView* numbers_ = nullptr;
    QTableView* corner_ = nullptr;
    int sizing_ = -1;
    int grabbedAt_ = 0;
    int sizingFrom_ = 0;
};

} // namespace velarium
