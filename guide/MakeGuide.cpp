// Sets the user guide into Guida.pdf: velarium_make_guide GUIDA_HTML OUTPUT_PDF.
//
// The pictures of the windows are taken from the program's own windows, built here as the
// program builds them, so the guide shows what the user will see. A window the program does not
// have yet simply has no figure: the guide's text still describes it.
#include "app/CambiaPassword.h"
#include "app/Forms.h"
#include "app/Look.h"
#include "app/Password.h"
#include "archive/BakContatti.h"
#include "archive/CardArchive.h"
#include "archive/CercaAcq.h"
#include "archive/EsportaMat.h"
#include "guide/HelpForm.h"
#include "guide/HelpTopics.h"
#include "guide/Info.h"
#include "guide/Splash.h"
#include "main/Encrypt_Decrypt.h"
#include "platform/DesktopUi.h"
#include "platform/Error.h"
#include "platform/QtText.h"
#include "resources/Resources.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

namespace {

using Pictures = std::map<QString, QImage>;

// Millimetres on the page, in the PDF writer's dots.
constexpr int kDotsPerInch = 300;
constexpr qreal mm(qreal millimetres)
{
    return millimetres * kDotsPerInch / 25.4;
}
const qreal kPageWidth = mm(210);
const qreal kPageHeight = mm(297);
const qreal kMarginLeft = mm(22);
const qreal kMarginRight = mm(22);
const qreal kMarginTop = mm(24);
const qreal kMarginBottom = mm(24);
// Whole dots, so that the pages of the layout fall on whole dots too.
const qreal kBodyWidth = std::floor(kPageWidth - kMarginLeft - kMarginRight);
const qreal kBodyHeight = std::floor(kPageHeight - kMarginTop - kMarginBottom);
// How much smaller a window is on paper than on the screen, and the widest it may be, in the
// document's 96-dpi pixels.
constexpr qreal kPictureScale = 0.8;
constexpr qreal kWidestPicture = 540;

const QColor kInk(0x1c, 0x1c, 0x28);
const QColor kMuted(0x50, 0x5a, 0x70);
const QString kFont = QStringLiteral("DejaVu Sans");

// A hint of letter spacing keeps the font from joining "fi" and "fl" into one glyph, which
// would leave words such as "file" unfindable in the PDF.
QFont font(qreal points, bool bold = false)
{
    QFont f(kFont);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
    return f;
}

std::string ansi(const char* utf8)
{
    return velarium::toAnsi(QString::fromUtf8(utf8)).value();
}

// A window's picture inside a plain title bar, so that it reads as a window on paper.
QImage framed(QWidget& window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
    const QPixmap content = window.grab();
    window.hide();

    const qreal ratio = content.devicePixelRatio();
    const QSizeF inner = content.deviceIndependentSize();
    constexpr qreal kBorder = 1;
    constexpr qreal kTitle = 28;
    const QSizeF outer(inner.width() + 2 * kBorder, inner.height() + kTitle + kBorder);
    QImage image((outer * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF all(QPointF(0, 0), outer);
    p.fillRect(all, QColor(0x4a, 0x55, 0x6e));
    QLinearGradient bar(0, 0, 0, kTitle);
    bar.setColorAt(0, QColor(0x3d, 0x5a, 0x9e));
    bar.setColorAt(1, QColor(0x24, 0x3c, 0x76));
    p.fillRect(QRectF(kBorder, kBorder, inner.width(), kTitle - kBorder), bar);

    QFont caption(kFont);
    caption.setPixelSize(13);
    caption.setBold(true);
    p.setFont(caption);
    p.setPen(Qt::white);
    p.drawText(QRectF(12, 0, inner.width() - 60, kTitle), Qt::AlignVCenter | Qt::AlignLeft,
               window.windowTitle().trimmed());

    const QRectF close(outer.width() - 34, 5, 26, kTitle - 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0x3c, 0x32));
    p.drawRoundedRect(close, 3, 3);
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = close.center();
    p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
    p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));

    p.drawPixmap(QPointF(kBorder, kTitle), content);
    return image;
}

// The archive the windows show: a few cards such as a user would keep.
void fillSampleArchive(const std::filesystem::path& folder)
{
    velarium::CardArchive archive(folder);
    archive.Open();
    const char* const cards[][3] = {
        {"/home/anna/Documenti/Contratto affitto.odt",
         "Contratto di affitto dell'appartamento di via Roma", "Tramonto-sul-Po"},
        {"/home/anna/Documenti/Banca/Estratto conto marzo.pdf", "Estratto conto bancario di marzo",
         "Conto2024!"},
        {"/home/anna/Immagini/Sardegna.zip", "Foto delle vacanze in Sardegna", "mare-e-vento"},
        {"/home/anna/Documenti/Redditi 2023.pdf", "Dichiarazione dei redditi 2023",
         "Fisco-lento-7"},
        {"/home/anna/Documenti/Condominio/Verbale.odt", "Verbale dell'assemblea condominiale",
         "Scala-B-int3"},
        {"/home/anna/Documenti/Banca/Coordinate.txt", "Conto corrente cointestato: coordinate",
         "Doppia-firma"},
        {"/home/anna/Documenti/Salute/Referti.pdf", "Referti delle analisi del sangue",
         "Globuli-rossi"},
    };
    for (const auto& card : cards) {
        archive.Append({ansi(card[0]), ansi(card[1]), ansi(card[2]), ansi(card[2])});
    }
    archive.Close();
}

Pictures photographWindows(velarium::Forms& forms, const velarium::AppContext& context)
{
    Pictures pictures;

    velarium::TfrmPassword& login = *forms.frmPassword;
    login.txtPassword->setText(QStringLiteral("velarium"));
    pictures[QStringLiteral("accesso")] = framed(login);

    velarium::TfrmCambiaPassword& change = *forms.frmCambiaPassword;
    change.show(); // its showing empties the fields, which are filled afterwards
    change.txtPasswordOld->setText(QStringLiteral("velarium"));
    change.txtPasswordNew->setText(QStringLiteral("Notte-stellata"));
    change.txtConferma->setText(QStringLiteral("Notte-stellata"));
    pictures[QStringLiteral("cambio-password")] = framed(change);

    velarium::TfrmEncrypt_Decrypt& main = *forms.frmEncrypt_Decrypt;
    main.show(); // opens on an empty card; the picture shows the first card loaded
    velarium::CardArchive archive(context.programFolder);
    archive.Open();
    const velarium::FileCard first = archive.Read();
    archive.Close();
    main.showCard(first, 1);
    pictures[QStringLiteral("principale")] = framed(main);

    {
        velarium::TfrmCercaAcq search(context, forms, &main);
        search.show();
        search.txtDescrizione->setText(QStringLiteral("conto"));
        pictures[QStringLiteral("ricerca-criteri")] = framed(search);
        search.txtDescrizione->clear();
        search.show();
        search.cmdTrovaClick();
        search.txtTrova->setText(QStringLiteral("conto"));
        search.cmdTrova02Click();
        pictures[QStringLiteral("ricerca-elenco")] = framed(search);
    }

    pictures[QStringLiteral("backup")] = framed(*forms.frmBakContatti);
    pictures[QStringLiteral("esportazione")] = framed(*forms.frmEsportaMat); // the sample cards

    pictures[QStringLiteral("informazioni")] = framed(*forms.frmInfo);
    pictures[QStringLiteral("copyright")] = framed(*forms.frmSplash);

    velarium::TfrmHelpForm& help = *forms.frmHelpForm;
    help.setTopic(velarium::overviewTopic());
    pictures[QStringLiteral("guida")] = framed(help);
    return pictures;
}

// A window's picture on paper, in the document's 96-dpi pixels: smaller than on the screen,
// where it would crowd the text.
QSize shownSize(const QImage& picture)
{
    const QSizeF screen = picture.deviceIndependentSize();
    const qreal scale = std::min(kPictureScale, kWidestPicture / screen.width());
    return (screen * scale).toSize();
}

// A figure whose window the program lacks is left out, caption and all; the others are
// numbered in order.
QString placeFigures(QString html, const Pictures& pictures)
{
    static const QRegularExpression figure(
        QStringLiteral("<!--\\s*figura:\\s*([\\w-]+)\\s*-->(.*?)<!--\\s*/figura\\s*-->"),
        QRegularExpression::DotMatchesEverythingOption);
    QString placed;
    qsizetype from = 0;
    int number = 0;
    for (auto it = figure.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        placed += html.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        if (!pictures.contains(match.captured(1))) {
            std::fprintf(stderr, "velarium_make_guide: nessuna finestra per la figura \"%s\"\n",
                         qPrintable(match.captured(1)));
            continue;
        }
        QString body = match.captured(2);
        body.replace(QStringLiteral("{figura}"), QString::number(++number));
        const QSize size = shownSize(pictures.at(match.captured(1)));
        body.replace(QStringLiteral("src=\"finestra:%1\"").arg(match.captured(1)),
                     QStringLiteral("src=\"finestra:%1\" width=\"%2\" height=\"%3\"")
                         .arg(match.captured(1))
                         .arg(size.width())
                         .arg(size.height()));
        placed += body;
    }
    return placed + html.mid(from);
}

// The document, with the program's pictures served from memory.
class GuideDocument final : public QTextDocument
{
public:
    explicit GuideDocument(Pictures pictures) : pictures_(std::move(pictures)) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (type == QTextDocument::ImageResource) {
            if (name.scheme() == QStringLiteral("finestra")) {
                const auto found = pictures_.find(name.path());
                if (found != pictures_.end()) {
                    return found->second;
                }
            }
            if (name.scheme() == QStringLiteral("qrc")) {
                return QImage(QLatin1Char(':') + name.path());
            }
        }
        return QTextDocument::loadResource(type, name);
    }

private:
    Pictures pictures_;
};

// The layout puts a page's first line at a whole multiple of the page height, give or take the
// rounding of its fixed-point arithmetic.
int pageOf(qreal y)
{
    return static_cast<int>((y + 1) / kBodyHeight);
}

bool isFigure(const QTextBlock& block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        if (format.isImageFormat() &&
            format.toImageFormat().name().startsWith(QStringLiteral("finestra:"))) {
            return true;
        }
    }
    return false;
}

// Where a line of a block lies in the document.
QRectF lineRect(const QTextDocument& document, const QTextBlock& block, int line)
{
    const QRectF place = document.documentLayout()->blockBoundingRect(block);
    return block.layout()->lineAt(line).rect().translated(place.topLeft());
}

// The notes of the guide are its only tables of one row and two cells: a coloured bar and the
// text beside it.
QTextTable* noteStartingAt(const QTextBlock& block)
{
    QTextTable* table = QTextCursor(block).currentTable();
    if (!table || table->rows() != 1 || table->columns() != 2 ||
        table->firstPosition() != block.position()) {
        return nullptr;
    }
    return table;
}

// What must not be split by the end of a page, in the order of the document: a heading and
// the first lines after it, a figure and its caption, a note. The source holds them as the
// elements that keepers() finds, in the same order.
struct Kept
{
    QTextBlock block;
    QTextTable* note = nullptr;
};

std::vector<Kept> keptBlocks(const QTextDocument& document)
{
    std::vector<Kept> kept;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() > 0 || isFigure(block)) {
            kept.push_back({block});
        } else if (QTextTable* note = noteStartingAt(block)) {
            kept.push_back({block, note});
        }
    }
    return kept;
}

const QRegularExpression& keepers()
{
    static const QRegularExpression tag(
        QStringLiteral("<(h[1-6])>|<p class=\"figura\">|<table class=\"nota\""));
    return tag;
}

// Where the kept unit ends.
qreal keptBottom(const QTextDocument& document, const Kept& kept)
{
    if (kept.note) {
        return document.documentLayout()->frameBoundingRect(kept.note).bottom();
    }
    const QTextBlock next = kept.block.next();
    if (!next.isValid() || next.layout()->lineCount() == 0) {
        return lineRect(document, kept.block, 0).bottom();
    }
    if (kept.block.blockFormat().headingLevel() == 0) {
        return lineRect(document, next, next.layout()->lineCount() - 1).bottom(); // the caption
    }
    // A heading wants a few lines of its own below it, even when a table follows.
    const qreal lines =
        lineRect(document, next, std::min(1, next.layout()->lineCount() - 1)).bottom();
    return std::max(lines, lineRect(document, kept.block, 0).top() + kBodyHeight * 0.12);
}

// The first kept unit split by the end of a page, if any, among those not yet moved.
std::optional<std::size_t> firstStranded(const QTextDocument& document,
                                         const std::set<std::size_t>& alreadyMoved)
{
    const std::vector<Kept> kept = keptBlocks(document);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (alreadyMoved.contains(i)) {
            continue; // a moved unit starts a page: as good as it gets
        }
        qreal top = 0;
        if (kept[i].note) {
            top = document.documentLayout()->frameBoundingRect(kept[i].note).top();
        } else if (kept[i].block.layout()->lineCount() > 0) {
            top = lineRect(document, kept[i].block, 0).top();
        } else {
            continue;
        }
        if (pageOf(top) != pageOf(keptBottom(document, kept[i]) - 1)) {
            return i;
        }
    }
    return std::nullopt;
}

// The source with a page break before each of the given kept elements.
QString withBreaks(const QString& html, const std::set<std::size_t>& breaks)
{
    static const QString breakBefore = QStringLiteral(" style=\"page-break-before: always;\"");
    QString broken;
    qsizetype from = 0;
    std::size_t index = 0;
    for (auto it = keepers().globalMatch(html); it.hasNext(); ++index) {
        const QRegularExpressionMatch match = it.next();
        if (!breaks.contains(index)) {
            continue;
        }
        broken += html.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        const QString element = match.captured();
        if (element.endsWith(QLatin1Char('>'))) {
            broken += element.chopped(1) + breakBefore + QLatin1Char('>');
        } else {
            broken += element + breakBefore;
        }
    }
    return broken + html.mid(from);
}

// Sets the source, each stranded heading, figure or note moved on to the next page. Every attempt
// starts from the source again: the layout is only trusted when it was made in one go.
void setWithoutStrandedBlocks(QTextDocument& document, const QString& html)
{
    std::set<std::size_t> breaks;
    for (;;) {
        document.setHtml(withBreaks(html, breaks));
        std::size_t inSource = 0;
        for (auto it = keepers().globalMatch(html); it.hasNext(); it.next()) {
            ++inSource;
        }
        if (inSource != keptBlocks(document).size()) {
            throw velarium::Error("le intestazioni, le figure e le note del documento non "
                                  "corrispondono a quelle del sorgente");
        }
        const std::optional<std::size_t> stranded = firstStranded(document, breaks);
        if (!stranded) {
            return;
        }
        breaks.insert(*stranded);
    }
}

struct Chapter
{
    QString title;
    int page = 0; // counted from 0 on the document's first page
};

std::vector<Chapter> chapters(const QTextDocument& document)
{
    std::vector<Chapter> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1) {
            found.push_back({block.text(), pageOf(lineRect(document, block, 0).top())});
        }
    }
    return found;
}

// The cover is the PDF's first page, so the document's page n is the PDF's page n + 2.
int printedPage(int documentPage)
{
    return documentPage + 2;
}

QString contentsTable(const std::vector<Chapter>& list)
{
    QString rows;
    for (const Chapter& chapter : list) {
        if (chapter.title == QStringLiteral("Indice")) {
            continue;
        }
        rows += QStringLiteral("<tr><td class=\"indice\" style=\"padding: 4px;\">%1</td>"
                               "<td class=\"indice\" align=\"right\" style=\"padding: 4px;\">"
                               "%2</td></tr>\n")
                    .arg(chapter.title.toHtmlEscaped())
                    .arg(printedPage(chapter.page));
    }
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">\n") + rows +
           QStringLiteral("</table>\n");
}

// Lays the guide out; the table of contents takes the page numbers of the layout before, until
// they no longer move.
std::vector<Chapter> compose(QTextDocument& document, const QString& html)
{
    std::vector<Chapter> listed;
    for (int round = 0; round < 4; ++round) {
        QString filled = html;
        filled.replace(QStringLiteral("<!-- indice -->"), contentsTable(listed));
        // What the comments say about the markup must not be taken for markup.
        static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                                QRegularExpression::DotMatchesEverythingOption);
        filled.remove(comment);
        setWithoutStrandedBlocks(document, filled);
        std::vector<Chapter> now = chapters(document);
        if (round > 0 && now.size() == listed.size() &&
            std::equal(now.begin(), now.end(), listed.begin(),
                       [](const Chapter& a, const Chapter& b) { return a.page == b.page; })) {
            return now;
        }
        listed = std::move(now);
    }
    return listed;
}

void paintCover(QPainter& p, const Pictures& pictures)
{
    const qreal bandHeight = mm(118);
    QLinearGradient band(0, 0, 0, bandHeight);
    band.setColorAt(0, QColor(0x00, 0x00, 0x6a));
    band.setColorAt(1, QColor(0x1c, 0x3f, 0x9a));
    p.fillRect(QRectF(0, 0, kPageWidth, bandHeight), band);
    p.fillRect(QRectF(0, bandHeight, kPageWidth, mm(1.2)), QColor(246, 206, 96));

    const QImage logo(QStringLiteral(":/images/imgLogo.jpg"));
    const QRectF logoBox(kPageWidth / 2 - mm(30), mm(18), mm(60), mm(60) * 110 / 170);
    QPainterPath rounded;
    rounded.addRoundedRect(logoBox, mm(3), mm(3));
    p.save();
    p.setClipPath(rounded);
    p.drawImage(logoBox, logo);
    p.restore();

    p.setPen(Qt::white);
    p.setFont(font(34, true));
    p.drawText(QRectF(0, mm(62), kPageWidth, mm(24)), Qt::AlignCenter,
               QStringLiteral("Velarium 2.0"));
    p.setPen(QColor(0xc9, 0xd8, 0xff));
    p.setFont(font(16));
    p.drawText(QRectF(0, mm(86), kPageWidth, mm(12)), Qt::AlignCenter,
               QStringLiteral("Guida per l'utente"));
    p.setFont(font(10));
    p.drawText(QRectF(0, mm(100), kPageWidth, mm(8)), Qt::AlignCenter,
               QStringLiteral("File protetti da password e un archivio per non dimenticarle"));

    const auto main = pictures.find(QStringLiteral("principale"));
    if (main != pictures.end()) {
        const QImage& image = main->second;
        const qreal width = mm(150);
        const qreal height = width * image.height() / image.width();
        const QRectF place(kPageWidth / 2 - width / 2, mm(140), width, height);
        p.fillRect(place.translated(mm(1.5), mm(1.5)), QColor(0, 0, 0, 40));
        p.drawImage(place, image);
    }

    p.setPen(kMuted);
    p.setFont(font(8.5));
    p.drawText(QRectF(0, kPageHeight - mm(22), kPageWidth, mm(8)), Qt::AlignCenter,
               QStringLiteral("Velarium 2.0 · per Linux e Windows"));
}

// The running head and foot of a page of the document: the chapter, the guide's name and the
// page number.
void paintFurniture(QPainter& p, int printed, const QString& chapter)
{
    p.setPen(QPen(QColor(0xc5, 0xcf, 0xe3), mm(0.25)));
    p.drawLine(QPointF(kMarginLeft, kMarginTop - mm(7)),
               QPointF(kPageWidth - kMarginRight, kMarginTop - mm(7)));
    p.drawLine(QPointF(kMarginLeft, kPageHeight - kMarginBottom + mm(8)),
               QPointF(kPageWidth - kMarginRight, kPageHeight - kMarginBottom + mm(8)));
    p.setFont(font(8));
    p.setPen(kMuted);
    p.drawText(QRectF(kMarginLeft, kMarginTop - mm(13), kBodyWidth, mm(5)),
               Qt::AlignRight | Qt::AlignBottom, chapter);
    p.drawText(QRectF(kMarginLeft, kPageHeight - kMarginBottom + mm(9), kBodyWidth, mm(6)),
               Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Velarium 2.0 · Guida per l'utente"));
    p.setPen(velarium::kNavy);
    p.setFont(font(8, true));
    p.drawText(QRectF(kMarginLeft, kPageHeight - kMarginBottom + mm(9), kBodyWidth, mm(6)),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(printed));
}

QString readSource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw velarium::Error("impossibile leggere " + path.toStdString());
    }
    return QString::fromUtf8(file.readAll());
}

void writeGuide(const QString& sourcePath, const QString& outputPath, const Pictures& pictures)
{
    QPdfWriter writer(outputPath);
    writer.setResolution(kDotsPerInch);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(QStringLiteral("Velarium 2.0 – Guida per l'utente"));
    writer.setCreator(QStringLiteral("Velarium"));

    GuideDocument document(pictures);
    document.documentLayout()->setPaintDevice(&writer);
    document.setDefaultFont(font(10));
    document.setDocumentMargin(0);
    document.setPageSize(QSizeF(kBodyWidth, kBodyHeight));
    const std::vector<Chapter> list =
        compose(document, placeFigures(readSource(sourcePath), pictures));

    QPainter p(&writer);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    paintCover(p, pictures);
    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        writer.newPage();
        // The running head names the chapter without its number.
        static const QRegularExpression number(QStringLiteral("^\\d+\\.\\s*"));
        QString chapter;
        for (const Chapter& c : list) {
            if (c.page <= page) {
                chapter = QString(c.title).remove(number);
            }
        }
        paintFurniture(p, printedPage(page), chapter);

        const QRectF view(0, page * kBodyHeight, kBodyWidth, kBodyHeight);
        // A line moved on to the next page may start a dot before it: not drawn here.
        const QRectF clip = view.adjusted(0, -2, 0, -2);
        p.save();
        p.translate(kMarginLeft, kMarginTop - page * kBodyHeight);
        p.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, kInk);
        document.documentLayout()->draw(&p, context);
        p.restore();
    }
    if (!p.end()) {
        throw velarium::Error("impossibile scrivere " + outputPath.toStdString());
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // Pictures at twice the screen's density stay sharp when printed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "Uso: velarium_make_guide GUIDA_HTML GUIDA_PDF\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    velarium::initResources();
    try {
        QTemporaryDir folder;
        if (!folder.isValid()) {
            throw velarium::Error("impossibile creare una cartella temporanea");
        }
        const std::filesystem::path programFolder = velarium::toPath(folder.path());
        fillSampleArchive(programFolder);
        // Nothing here should ask the user anything; a box that does appear means the windows
        // failed, and is closed rather than left waiting for a click that never comes.
        bool boxShown = false;
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, &watchdog, [&boxShown] {
            QWidget* modal = QApplication::activeModalWidget();
            if (qobject_cast<QMessageBox*>(modal) || qobject_cast<QFileDialog*>(modal)) {
                boxShown = true;
                modal->close();
            }
        });
        watchdog.start(200);
        velarium::DesktopUi ui;
        Pictures pictures;
        {
            velarium::Forms forms({programFolder, ui});
            pictures = photographWindows(forms, {programFolder, ui});
        }
        if (boxShown) {
            throw velarium::Error("una finestra ha mostrato un messaggio durante le fotografie");
        }
        writeGuide(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), pictures);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velarium_make_guide: %s\n", error.what());
        return 1;
    }
    return 0;
}
