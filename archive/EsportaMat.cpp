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

#include <QPainter>
#include <QStyledItemDelegate>

namespace velarium {
namespace {

constexpr int kColumns = 4;
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

TfrmEsportaMat::TfrmEsportaMat(AppContext context, HelpNavigator& navigator)
    : QDialog(nullptr, kDialogWindowFlags | Qt::WindowMinimizeButtonHint), context_(context),
      navigator_(navigator)
{
    keepLightScheme(this);
    setupUi(this);
    setBackground(this, kSilver);
    // Pixel sizes, which a form cannot hold: the window keeps its look on any screen density.
    const QFont verdana = fontInPixels(kVerdana, 11);
    setFont(verdana);
    centreOnScreen(this);

    struct Command
    {
        ClickLabel* picture;
        ClickLabel* label;
        void (TfrmEsportaMat::*run)();
        const char* hint;
    };
    const Command commands[] = {
        {imgWord, lblWord, &TfrmEsportaMat::imgWordMouseUp,
         " Esporta l'archivio in un file di Microsoft Word."},
        {imgExcel, lblExcel, &TfrmEsportaMat::imgExcelMouseUp,
         " Esporta l'archivio in un foglio di lavoro di Microsoft Excel."},
        {imgGuida, lblGuida, &TfrmEsportaMat::imgGuidaMouseUp, " Visualizza la guida in linea."},
        {imgEsci, lblEsci, &TfrmEsportaMat::imgEsciMouseUp,
         " Esce dalla schermata di lavoro corrente."},
    };
    for (const Command& command : commands) {
        nameForScreenReaders(command.picture, command.label->text(),
                             QString::fromUtf8(command.hint));
        QFont underlined = verdana;
        underlined.setUnderline(true);
        command.label->setFont(underlined);
        for (ClickLabel* control : {command.picture, command.label}) {
            connect(control, &ClickLabel::mouseUp, this, command.run);
            onMouseMove(control, [this, label = command.label, hint = command.hint] {
                highlight(label, QString::fromUtf8(hint));
            });
        }
    }
    onMouseMove(grpControlli, [this] { grpControlliMouseMove(); });

    nameForScreenReaders(grdRecords, QStringLiteral("Archivio dei file criptati"));
    grdRecords->setDefaultCellSize(100, kRowHeight);
    grdRecords->setCellPainter(new CellPainter(grdRecords));
    setBackground(grdRecords, kWhite);
    emptyRows(grdRecords, 0);
    grdRecords->setCurrentCell(1, 1);
    onMouseMove(grdRecords->viewport(), [this] { grdRecordsMouseMove(); });
    for (QWidget* fixed : grdRecords->fixedSurfaces()) {
        onMouseMove(fixed, [this] { grdRecordsMouseMove(); });
    }
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
