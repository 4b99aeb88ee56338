#include "archive/EsportaMat.h"

#include "app/Controls.h"
#include "app/ErrorDisplay.h"
#include "app/Forms.h"
#include "app/QtText.h"
#include "app/Text.h"
#include "archive/CardArchive.h"
#include "archive/ExportTable.h"
#include "guide/HelpForm.h"
#include "guide/HelpTopics.h"
#include "platform/UiServices.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace velarium {
namespace {

const QColor kSkyBlue(166, 202, 240);
const QColor kOddRow(223, 235, 255);
const QColor kEvenRow(249, 255, 225);
const QColor kRed(255, 0, 0);
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

TfrmEsportaMat::TfrmEsportaMat(AppContext context)
    : QDialog(nullptr, kDialogWindowFlags | Qt::WindowMinimizeButtonHint), context_(context)
{
    setObjectName(QStringLiteral("frmEsportaMat"));
    setWindowTitle(QStringLiteral(" Esportazione archivio file criptati in Microsoft Word ed "
                                  "Excel"));
    setFixedSize(783, 505);
    setBackground(this, kSilver);
    QFont verdana(QStringLiteral("Verdana"));
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

    grdRecords = named(new QTableWidget(kInitialRows, kColumns, this), "grdRecords");
    grdRecords->setGeometry(0, 132, 783, 349);
    grdRecords->horizontalHeader()->hide();
    grdRecords->verticalHeader()->hide();
    grdRecords->horizontalHeader()->setDefaultSectionSize(100);
    grdRecords->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grdRecords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRecords->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grdRecords->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdRecords->setFrameShape(QFrame::NoFrame);
    grdRecords->setShowGrid(true);
    grdRecords->setItemDelegate(new CellPainter(grdRecords));
    setBackground(grdRecords, kWhite);
    emptyRows(grdRecords, 0);
    onMouseMove(grdRecords->viewport(), [this] { grdRecordsMouseMove(); });

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
        CardArchive archive(context_.programFolder);
        archive.Open();
        const std::uint64_t count = archive.Count();
        if (count == 0) {
            archive.Close();
            return;
        }
        const std::vector<std::vector<std::string>> table = exportTable(archive);
        archive.Close();
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
    } catch (const std::exception&) {
        // The grid shows what was filled so far; there is nothing to tell the user.
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
    std::optional<std::string> failure;
    {
        BusyPointer busy(context_.ui);
        try {
            failure =
                runWordExport([this] { return context_.ui.createWordApplication(); }, gridTexts());
        } catch (const std::exception& error) {
            // Past the start of the word processor, failures are not this window's to report.
            reportUnguardedError(context_.ui, error);
            return;
        }
    }
    if (failure) {
        context_.ui.plainMessage(fromAnsi(*failure)); // once the pointer is normal again
    }
}

void TfrmEsportaMat::imgExcelMouseUp()
{
    std::optional<std::string> failure;
    {
        BusyPointer busy(context_.ui);
        failure =
            runExcelExport([this] { return context_.ui.createExcelApplication(); }, gridTexts());
    }
    if (failure) {
        context_.ui.plainMessage(fromAnsi(*failure));
    }
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
    // A window tested on its own belongs to no set of windows and has no help to show.
    if (context_.forms) {
        TfrmHelpForm& help = *context_.forms->frmHelpForm;
        help.setTopic(topic);
        context_.ui.runModal(help);
    }
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
