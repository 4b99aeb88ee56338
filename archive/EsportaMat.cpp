#include "archive/EsportaMat.h"

#include "app/Controls.h"
#include "app/ErrorDisplay.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/ExportTable.h"
#include "archive/ProgramFiles.h"
#include "guide/HelpTopics.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/Text.h"
#include "platform/UiServices.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>

namespace velarium {
namespace {

constexpr int kColumns = 4;
constexpr int kInitialRows = 10;
constexpr int kRowHeight = 24;

// Data cells: black text on a colour by row (light blue for odd rows, pale yellow for even),
// never the selection's highlight; the title row and the number column keep the grid's own
// look.
class CellPainter final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool fixed = index.row() == 0 || index.column() == 0;
        const QColor background = fixed ? kSkyBlue : (index.row() % 2 ? kOddRow : kEvenRow);
        painter->save();
        painter->fillRect(option.rect, background);
        painter->setPen(background);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->setPen(Qt::black);
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data().toString());
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }
};

// A string grid with one fixed row and one fixed column: the titles and the card numbers stay in
// view while the other cells scroll under them. Each fixed part is a view of the grid's own
// cells laid over its edge, following its scroll bars, column widths and row heights. As on a
// string grid, a column is resized by dragging its edge in the title row, and the fixed cells
// never become current.
class StringGrid final : public QTableWidget
{
public:
    StringGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent)
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
        connect(verticalHeader(), &QHeaderView::sectionResized, this,
                [this](int row, int, int height) {
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

    // The title row and the number column, where the mouse is also over the grid.
    QList<QWidget*> fixedSurfaces() const
    {
        return {titles_->viewport(), numbers_->viewport(), corner_->viewport()};
    }

    // The size of every cell not sized since, the fixed ones included.
    void setDefaultCellSize(int width, int height)
    {
        for (QTableView* view : {static_cast<QTableView*>(this), titles_, numbers_, corner_}) {
            view->horizontalHeader()->setDefaultSectionSize(width);
            view->verticalHeader()->setDefaultSectionSize(height);
        }
    }

    void setCellPainter(QAbstractItemDelegate* painter)
    {
        setItemDelegate(painter);
        for (QTableView* view : {titles_, numbers_, corner_}) {
            view->setItemDelegate(painter);
        }
    }

    // A cell brought into view is brought out from under the fixed cells as well.
    void scrollTo(const QModelIndex& index, ScrollHint hint) override
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

protected:
    void updateGeometries() override
    {
        QTableWidget::updateGeometries();
        placeFixedViews();
    }

    // The fixed cells never take the current cell: keys and clicks move it among the others.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex next = QTableWidget::moveCursor(action, modifiers);
        if (!next.isValid() || (next.row() > 0 && next.column() > 0)) {
            return next;
        }
        return model()->index(std::max(next.row(), 1), std::max(next.column(), 1));
    }

    bool eventFilter(QObject* watched, QEvent* event) override
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

private:
    static constexpr int kGrip = 3;
    static constexpr int kNarrowest = 8;

    QTableView* fixedView()
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

    void placeFixedViews()
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

    // The column whose right edge is under x in the view, if any.
    static int edgeAt(const QTableView& view, int x)
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

    bool sizeColumn(QTableView& view, QMouseEvent* event)
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

    QTableView* titles_ = nullptr;
    QTableView* numbers_ = nullptr;
    QTableView* corner_ = nullptr;
    int sizing_ = -1;
    int grabbedAt_ = 0;
    int sizingFrom_ = 0;
};

QString cellText(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

void setCellText(QTableWidget* grid, int row, int column, const QString& text)
{
    auto* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem();
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid->setItem(row, column, item);
    }
    item->setText(text);
}

void emptyRows(QTableWidget* grid, int from)
{
    for (int row = from; row < grid->rowCount(); ++row) {
        for (int column = 0; column < grid->columnCount(); ++column) {
            setCellText(grid, row, column, QString());
        }
    }
}

} // namespace

TfrmEsportaMat::TfrmEsportaMat(AppContext context, HelpNavigator& navigator)
    : QDialog(nullptr, kDialogWindowFlags | Qt::WindowMinimizeButtonHint), context_(context),
      navigator_(navigator)
{
    setObjectName(QStringLiteral("frmEsportaMat"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Esportazione archivio file criptati in Microsoft Word ed "
                                  "Excel"));
    setFixedSize(783, 505);
    setBackground(this, kSilver);
    QFont verdana(kVerdana);
    verdana.setPixelSize(11);
    setFont(verdana);
    setModal(true);
    centreOnScreen(this);

    grpControlli = named(new QGroupBox(this), "grpControlli");
    grpControlli->setGeometry(6, 2, 771, 124);
    imgLogo = makePicture(grpControlli, "imgLogo", QStringLiteral(":/images/espLogo.jpg"), {6, 12});

    struct Command
    {
        ClickLabel*& picture;
        ClickLabel*& label;
        const char* pictureName;
        const char* labelName;
        const char* image;
        const char* caption;
        void (TfrmEsportaMat::*run)();
        const char* hint;
    };
    const Command commands[] = {
        {imgWord, lblWord, "imgWord", "lblWord", "espWord.png", "Esporta in Word",
         &TfrmEsportaMat::imgWordMouseUp, " Esporta l'archivio in un file di Microsoft Word."},
        {imgExcel, lblExcel, "imgExcel", "lblExcel", "espExcel.png", "Esporta in Excel",
         &TfrmEsportaMat::imgExcelMouseUp,
         " Esporta l'archivio in un foglio di lavoro di Microsoft Excel."},
        {imgGuida, lblGuida, "imgGuida", "lblGuida", "espGuida.png", "Guida",
         &TfrmEsportaMat::imgGuidaMouseUp, " Visualizza la guida in linea."},
        {imgEsci, lblEsci, "imgEsci", "lblEsci", "espEsci.png", "Esci",
         &TfrmEsportaMat::imgEsciMouseUp, " Esce dalla schermata di lavoro corrente."},
    };
    int x = 14;
    for (const Command& command : commands) {
        command.picture = makeClickPicture(
            grpControlli, command.pictureName,
            QStringLiteral(":/images/") + QString::fromLatin1(command.image), {x, 86});
        command.label = named(new ClickLabel(grpControlli), command.labelName);
        nameForScreenReaders(command.picture, QString::fromUtf8(command.caption),
                             QString::fromUtf8(command.hint));
        command.label->setText(QString::fromUtf8(command.caption));
        QFont underlined = verdana;
        underlined.setUnderline(true);
        command.label->setFont(underlined);
        command.label->setGeometry(x + 38, 94, 140, 18);
        for (ClickLabel* control : {command.picture, command.label}) {
            connect(control, &ClickLabel::mouseUp, this, command.run);
            onMouseMove(control, [this, label = command.label, hint = command.hint] {
                highlight(label, QString::fromUtf8(hint));
            });
        }
        x += 190;
    }
    onMouseMove(grpControlli, [this] { grpControlliMouseMove(); });

    auto* grid = new StringGrid(kInitialRows, kColumns, this);
    grdRecords = named(grid, "grdRecords");
    nameForScreenReaders(grdRecords, QStringLiteral("Archivio dei file criptati"));
    grdRecords->setGeometry(0, 132, 783, 349);
    grdRecords->horizontalHeader()->hide();
    grdRecords->verticalHeader()->hide();
    grid->setDefaultCellSize(100, kRowHeight);
    grdRecords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRecords->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grdRecords->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdRecords->setFrameShape(QFrame::NoFrame);
    grdRecords->setShowGrid(true);
    grid->setCellPainter(new CellPainter(grdRecords));
    setBackground(grdRecords, kWhite);
    emptyRows(grdRecords, 0);
    grdRecords->setCurrentCell(1, 1);
    onMouseMove(grdRecords->viewport(), [this] { grdRecordsMouseMove(); });
    for (QWidget* fixed : grid->fixedSurfaces()) {
        onMouseMove(fixed, [this] { grdRecordsMouseMove(); });
    }

    panInfo = named(new QLabel(this), "panInfo");
    panInfo->setGeometry(0, 481, 783, 24);
    panInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panInfo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

TfrmEsportaMat::~TfrmEsportaMat() = default;

void TfrmEsportaMat::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (becameVisible(event)) {
        FormShow();
    }
}

void TfrmEsportaMat::FormShow()
{
    emptyRows(grdRecords, 1);
    try {
        using Table = std::vector<std::vector<std::string>>;
        const std::optional<Table> read =
            withArchive(context_.programFolder, ArchiveUse::Reading,
                        [](CardArchive& archive) -> std::optional<Table> {
                            if (archive.Count() == 0) {
                                return std::nullopt;
                            }
                            return exportTable(archive);
                        });
        if (!read) {
            return;
        }
        const Table& table = *read;
        grdRecords->setRowCount(static_cast<int>(table.size()));
        emptyRows(grdRecords, 1);
        for (std::size_t row = 0; row < table.size(); ++row) {
            for (std::size_t column = 0; column < table[row].size() && column < kColumns;
                 ++column) {
                setCellText(grdRecords, static_cast<int>(row), static_cast<int>(column),
                            fromAnsi(table[row][column]));
            }
        }
        const int widths[kColumns] = {50, 500, 250, 500};
        for (int column = 0; column < kColumns; ++column) {
            grdRecords->setColumnWidth(column, widths[column]);
        }
        if (grdRecords->currentRow() < 1 || grdRecords->currentColumn() < 1) {
            grdRecords->setCurrentCell(1, 1);
        }
    } catch (const std::exception& failure) {
        // The grid shows what was filled so far; there is nothing to tell the user.
        logFailure("Esportazione", failure);
    }
}

std::vector<std::vector<std::string>> TfrmEsportaMat::gridTexts() const
{
    std::vector<std::vector<std::string>> texts;
    for (int row = 0; row < grdRecords->rowCount(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < grdRecords->columnCount(); ++column) {
            // The grid only ever holds texts that came from the archive's code page.
            cells.push_back(toAnsi(cellText(grdRecords, row, column)).value_or(std::string()));
        }
        texts.push_back(std::move(cells));
    }
    return texts;
}

void TfrmEsportaMat::imgWordMouseUp()
{
    {
        BusyPointer busy(context_.ui);
        try {
            context_.ui.office().showInWordProcessor(gridTexts());
            return;
        } catch (const platform::OfficeUnavailable& failure) {
            logFailure("Esporta in Word", failure);
        } catch (const std::exception& error) {
            // Past the start of the word processor, failures are not this window's to report.
            logFailure("Esporta in Word", error);
            reportUnguardedError(context_.ui, error);
            return;
        }
    }
    context_.ui.plainMessage(fromAnsi(kWordExportFailed)); // once the pointer is normal again
    if (context_.ui.office().canWriteFiles()) {
        offerDocumentFile(true);
    }
}

void TfrmEsportaMat::imgExcelMouseUp()
{
    bool noApplication = false;
    {
        BusyPointer busy(context_.ui);
        try {
            context_.ui.office().showInSpreadsheet(gridTexts(), kExportSheetName);
            return;
        } catch (const platform::OfficeUnavailable& failure) {
            logFailure("Esporta in Excel", failure);
            noApplication = true;
        } catch (const std::exception& failure) {
            // Whatever the spreadsheet had done by then stays as it left it.
            logFailure("Esporta in Excel", failure);
        }
    }
    context_.ui.plainMessage(fromAnsi(kExcelExportFailed));
    if (noApplication && context_.ui.office().canWriteFiles()) {
        offerDocumentFile(false);
    }
}

void TfrmEsportaMat::offerDocumentFile(bool word)
{
    const QString kind = word ? QStringLiteral("un documento di Word (.docx)")
                              : QStringLiteral("un foglio di Excel (.xlsx)");
    if (!context_.ui.question(
            QStringLiteral("Salvataggio archivio in un file"),
            QStringLiteral("Nessun programma di questo computer può mostrare l'esportazione."
                           "\r\n\r\nSi vuole salvare l'archivio in %1, da aprire con un altro "
                           "programma o su un altro computer?\r\n\r\nATTENZIONE: il file "
                           "conterrà in chiaro tutte le password dell'archivio.")
                .arg(kind))) {
        return;
    }
    FileDialog dialog;
    dialog.title = QStringLiteral("Salva archivio file criptati");
    dialog.filter = word ? QStringLiteral("Documento di Word (*.docx)|*.docx")
                         : QStringLiteral("Foglio di Excel (*.xlsx)|*.xlsx");
    dialog.defaultExtension = word ? QStringLiteral("docx") : QStringLiteral("xlsx");
    dialog.fileName = QStringLiteral("Archivio file criptati.") + dialog.defaultExtension;
    dialog.forSaving = true;
    if (!context_.ui.runFileDialog(dialog)) {
        return;
    }
    const std::filesystem::path target = toPath(dialog.fileName);
    try {
        BusyPointer busy(context_.ui);
        refuseProgramFile(context_.programFolder, target);
        if (word) {
            context_.ui.office().writeWordFile(target, gridTexts());
        } else {
            context_.ui.office().writeSpreadsheetFile(target, gridTexts(), kExportSheetName);
        }
    } catch (const std::exception& failure) {
        logFailure(word ? "Esporta in Word" : "Esporta in Excel", failure);
        context_.ui.warning(QStringLiteral("Salvataggio archivio non riuscito"),
                            QStringLiteral("Attenzione: non è stato possibile salvare l'archivio "
                                           "nel file indicato.\r\n\r\nScegliere un'altra "
                                           "cartella e ripetere l'operazione."));
        return;
    }
    context_.ui.information(
        QStringLiteral("Salvataggio archivio effettuato"),
        QStringLiteral("L'archivio è stato salvato nel file:\r\n\r\n%1\r\n\r\nIl file "
                       "contiene in chiaro tutte le password: conservarlo con cura ed "
                       "eliminarlo quando non serve più.")
            .arg(dialog.fileName));
}

void TfrmEsportaMat::imgGuidaMouseUp()
{
    static const HelpTopic topic{
        QStringLiteral("Esportazione archivio file criptati in Microsoft Word ed Excel"),
        {QStringLiteral("E' possibile esportare le schede contenute nell'archivio dei file "
                        "criptati in un foglio di Microsoft Excel o in") +
             QStringLiteral(" una tabella di Word. A tal fine, basta fare clic sul pulsante "
                            "Esporta archivio e, nella finestra che appare, selezionare l'icona "
                            "di Word o Excel."),
         QStringLiteral("Questa operazione crea in tempo reale un file di Word o di Excel "
                        "contenente i dati dell'archivio."),
         QStringLiteral("A questo punto è sufficiente salvare il file sul proprio disco fisso "
                        "assegnandogli un nome qualsiasi.")}};
    navigator_.showHelp(topic);
}

void TfrmEsportaMat::imgEsciMouseUp()
{
    reject();
}

void TfrmEsportaMat::highlight(ClickLabel* label, const QString& hint)
{
    panInfo->setText(hint);
    for (ClickLabel* each : {lblWord, lblExcel, lblGuida, lblEsci}) {
        QPalette palette = each->palette();
        palette.setColor(QPalette::WindowText, each == label ? kRed : QColor(Qt::black));
        each->setPalette(palette);
    }
}

void TfrmEsportaMat::grpControlliMouseMove()
{
    highlight(nullptr, QString());
}

void TfrmEsportaMat::grdRecordsMouseMove()
{
    const QTableWidgetItem* current = grdRecords->currentItem();
    highlight(nullptr, QStringLiteral(" ") + trimmedText(current ? current->text() : QString()));
}

} // namespace velarium
