#include "archive/StringGrid.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

namespace velarium {
namespace {

// How near its edge the mouse takes hold of a column, and how narrow a drag may leave one.
constexpr int kGrip = 3;
constexpr int kNarrowest = 8;

} // namespace

StringGrid::StringGrid(QWidget* parent) : QTableWidget(parent)
{
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
    titles_ = fixedView();
    numbers_ = fixedView();
    corner_ = fixedView();
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                for (QTableView* view : {titles_, numbers_, corner_}) {
                    view->setColumnWidth(column, width);
                }
                placeFixedViews();
            });
    connect(verticalHeader(), &QHeaderView::sectionResized, this, [this](int row, int, int height) {
        for (QTableView* view : {titles_, numbers_, corner_}) {
            view->setRowHeight(row, height);
        }
        placeFixedViews();
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, titles_->horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, numbers_->verticalScrollBar(),
            &QScrollBar::setValue);
}

QList<QWidget*> StringGrid::fixedSurfaces() const
{
    return {titles_->viewport(), numbers_->viewport(), corner_->viewport()};
}

void StringGrid::setDefaultCellSize(int width, int height)
{
    for (QTableView* view : {static_cast<QTableView*>(this), titles_, numbers_, corner_}) {
        view->horizontalHeader()->setDefaultSectionSize(width);
        view->verticalHeader()->setDefaultSectionSize(height);
    }
}

void StringGrid::setCellPainter(QAbstractItemDelegate* painter)
{
    setItemDelegate(painter);
    for (QTableView* view : {titles_, numbers_, corner_}) {
        view->setItemDelegate(painter);
    }
}

void StringGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    QTableWidget::scrollTo(index, hint);
    if (!index.isValid()) {
        return;
    }
    const QRect cell = visualRect(index);
    const int top = rowHeight(0);
    const int left = columnWidth(0);
    if (index.row() > 0 && cell.top() < top) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() - (top - cell.top()));
    }
    if (index.column() > 0 && cell.left() < left) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (left - cell.left()));
    }
}

void StringGrid::updateGeometries()
{
    QTableWidget::updateGeometries();
    placeFixedViews();
}

QModelIndex StringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableWidget::moveCursor(action, modifiers);
    if (!next.isValid() || (next.row() > 0 && next.column() > 0)) {
        return next;
    }
    return model()->index(std::max(next.row(), 1), std::max(next.column(), 1));
}

bool StringGrid::eventFilter(QObject* watched, QEvent* event)
{
    auto* view = qobject_cast<QTableView*>(watched->parent());
    const bool fixed = view == titles_ || view == numbers_ || view == corner_;
    if (!fixed || watched != view->viewport()) {
        return QTableWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::Wheel:
        // The fixed cells scroll only with the grid.
        QCoreApplication::sendEvent(viewport(), event);
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (view != numbers_) {
            return sizeColumn(*view, static_cast<QMouseEvent*>(event));
        }
        return false;
    default:
        return false;
    }
}

QTableView* StringGrid::fixedView()
{
    auto* view = new QTableView(this);
    view->setModel(model());
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setMinimumSectionSize(0);
    view->verticalHeader()->setMinimumSectionSize(0);
    view->setFrameShape(QFrame::NoFrame);
    view->setFocusPolicy(Qt::NoFocus);
    view->setSelectionMode(NoSelection);
    view->setEditTriggers(NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollMode(ScrollPerPixel);
    view->setVerticalScrollMode(ScrollPerPixel);
    view->viewport()->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
    return view;
}

void StringGrid::placeFixedViews()
{
    if (!titles_ || !numbers_ || !corner_) {
        return;
    }
    const QRect area = viewport()->geometry();
    const int height = std::min(rowHeight(0), area.height());
    const int width = std::min(columnWidth(0), area.width());
    titles_->setGeometry(area.left(), area.top(), area.width(), height);
    numbers_->setGeometry(area.left(), area.top(), width, area.height());
    corner_->setGeometry(area.left(), area.top(), width, height);
    numbers_->raise();
    corner_->raise();
    titles_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    numbers_->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

int StringGrid::edgeAt(const QTableView& view, int x)
{
    const int column = view.columnAt(x);
    if (column < 0) {
        return -1;
    }
    const int left = view.columnViewportPosition(column);
    if (x >= left + view.columnWidth(column) - kGrip) {
        return column;
    }
    return x <= left + kGrip && column > 0 ? column - 1 : -1;
}

bool StringGrid::sizeColumn(QTableView& view, QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    if (sizing_ >= 0) {
        if (event->type() == QEvent::MouseButtonRelease) {
            sizing_ = -1;
        } else {
            setColumnWidth(sizing_, std::max(kNarrowest, sizingFrom_ + x - grabbedAt_));
        }
        return true;
    }
    const int edge = edgeAt(view, x);
    if (event->type() == QEvent::MouseButtonPress && event->button() == Qt::LeftButton &&
        edge >= 0) {
        sizing_ = edge;
        grabbedAt_ = x;
        sizingFrom_ = columnWidth(edge);
        return true;
    }
    if (edge >= 0) {
        view.viewport()->setCursor(Qt::SplitHCursor);
    } else {
        view.viewport()->unsetCursor();
    }
    return false;
}

} // namespace velarium
