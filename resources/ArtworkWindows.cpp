// The pictures of the smaller windows: login, search, backup, export, help and about. The
// splash window's are in ArtworkSplash.cpp.

#include "resources/ArtworkWindows.h"

#include "resources/ArtworkPainting.h"
#include "resources/ArtworkSplash.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <functional>

namespace velarium::artwork {
namespace {

// ----------------------------------------------------------------------------------------------
// Banners: the emblem in its sky, as on the main window's logo, drawn out to the window's width

// What the right end of a banner hints at, faint as a watermark.
enum class Accent
{
    Key,
    Export,
    Help
};

const QColor kWatermark(255, 255, 255, 70);

// On the icon grid.
void paintAccent(QPainter& p, Accent accent)
{
    switch (accent) {
    case Accent::Key:
        p.translate(9, 9);
        p.rotate(40);
        p.scale(1.1, 1.1);
        fillShape(p, keyShape(), kWatermark);
        break;
    case Accent::Export: {
        QPainterPath sheet = pageShape(QRectF(3, 2, 20, 26), 6);
        for (int i = 0; i < 4; ++i) {
            QPainterPath line;
            line.addRect(QRectF(6, 11 + 3.6 * i, i == 3 ? 7 : 13, 1.6));
            sheet = sheet.subtracted(line);
        }
        // One shape, so the arrow's overlap with the page is no lighter than the rest.
        fillShape(p, sheet.united(arrowShape(QPointF(15, 22), QPointF(31, 22), 4.5, 11, 7)),
                  kWatermark);
        break;
    }
    case Accent::Help: {
        QPainterPath ring;
        ring.addEllipse(QPointF(16, 16), 13, 13);
        p.strokePath(ring, roundPen(kWatermark, 2.4));
        paintQuestionMark(p, QPointF(16, 16), 16, kWatermark);
        break;
    }
    }
}

QImage drawBanner(int width, Accent accent)
{
    constexpr int kHeight = 70;
    QImage image = canvas(width, kHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, kSkyTop.darker(118), kSkyTop.lighter(106)));

    // The light gathers behind the emblem; veils sweep away from it, as if blown by the wind.
    const QPointF emblem(44, 6);
    paintSoftGlow(p, QPointF(emblem.x(), 36), 110, QColor(255, 255, 255, 95));
    fillShape(p, veilShape(QPointF(30, 74), QPointF(width + 10, 10), 30, 16),
              QColor(255, 255, 255, 34));
    fillShape(p, veilShape(QPointF(60, 80), QPointF(width + 20, 44), 18, 10),
              QColor(255, 255, 255, 26));
    fillShape(p, veilShape(QPointF(80, -8), QPointF(width * 0.8, 20), -14, -6),
              QColor(255, 255, 255, 22));
    for (qreal x = 150; x < width - 90; x += 170) {
        paintCloud(p, QPointF(x, 42 + 8 * std::sin(x)), 0.8, 24);
    }
    paintSparkles(p, QRectF(100, 8, width - 190, 54), width / 40, 3.5, 70);

    p.save();
    const qreal accentSize = 52;
    p.translate(width - accentSize - 12, (kHeight - accentSize) / 2);
    p.scale(accentSize / kIconGrid, accentSize / kIconGrid);
    paintAccent(p, accent);
    p.restore();

    paintFadingRule(p, QPointF(0, kHeight - 1.5), QPointF(width, kHeight - 1.5),
                    QColor(246, 206, 96), 2);
    paintEmblem(p, emblem, kHeight - 12);
    return image;
}

// The narrow upright banner beside the about window's text.
QImage drawColumnBanner()
{
    QImage image = canvas(40, 300);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, kSkyTop.darker(118), kSkyTop.lighter(130)));

    paintSoftGlow(p, QPointF(20, 30), 60, QColor(255, 255, 255, 100));
    fillShape(p, veilShape(QPointF(-4, 50), QPointF(30, 310), -22, 10), QColor(255, 255, 255, 34));
    fillShape(p, veilShape(QPointF(44, 90), QPointF(8, 310), -16, 7), QColor(255, 255, 255, 26));
    paintSparkles(p, QRectF(6, 80, 28, 160), 7, 3, 75);
    paintWave(p, all.size(), 262, 4, 20, 0.6, QColor(255, 255, 255, 40));
    paintWave(p, all.size(), 278, 5, 30, 2.2, QColor(255, 255, 255, 45));
    paintFadingRule(p, QPointF(4, 64), QPointF(36, 64), QColor(246, 206, 96), 1.5);
    paintEmblem(p, QPointF(20, 7), 48);
    return image;
}

// ----------------------------------------------------------------------------------------------
// Decorative bands

// A row of small keys on either side of a keyhole medallion, shrinking towards the ends.
QImage drawKeyBand()
{
    QImage image = transparentCanvas(290, 28);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal middle = image.width() / 2.0;
    const qreal y = image.height() / 2.0;

    paintFadingRule(p, QPointF(4, y), QPointF(image.width() - 4, y), kGold.darker(115), 2);

    for (const int side : {-1, 1}) {
        for (int i = 0; i < 3; ++i) {
            const qreal scale = 0.74 - 0.1 * i;
            const qreal ring = 30 + 40 * i;
            p.save();
            p.translate(middle + side * ring, y);
            p.scale(side * scale, scale); // the bit points away from the middle
            paintBody(p, keyShape(), kGold, 1.0 / scale);
            p.restore();

            // Each dot sits just past the bit of its key.
            const qreal dotRadius = 2.6 - 0.4 * i;
            QPainterPath dot;
            dot.addEllipse(QPointF(middle + side * (ring + 28 * scale + 5), y), dotRadius,
                           dotRadius);
            paintBody(p, dot, kBlue, 0.8);
        }
    }

    QPainterPath medallion;
    medallion.addEllipse(QPointF(middle, y), 11, 11);
    paintBody(p, medallion, kNavy.lighter(140), 1.2);
    p.setPen(roundPen(QColor(246, 206, 96), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(middle, y), 9.2, 9.2);
    QPainterPath keyhole;
    keyhole.addEllipse(QPointF(middle, y - 2.2), 2.8, 2.8);
    QPainterPath slot(QPointF(middle - 1.4, y - 1));
    slot.lineTo(middle - 2.4, y + 5.5);
    slot.lineTo(middle + 2.4, y + 5.5);
    slot.lineTo(middle + 1.4, y - 1);
    slot.closeSubpath();
    fillShape(p, keyhole.united(slot), QColor(255, 222, 120));
    return image;
}

// A pale strip with ripples spreading as from a search, light enough to write on.
QImage drawSoftStrip()
{
    QImage image = canvas(560, 90);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, QColor(236, 244, 253), QColor(214, 230, 248)));
    paintSoftGlow(p, QPointF(120, 20), 160, QColor(255, 255, 255, 170));
    paintSoftGlow(p, QPointF(470, 80), 140, QColor(200, 220, 250, 120));
    paintWave(p, all.size(), 52, 9, 22, 0.3, QColor(255, 255, 255, 90));
    paintWave(p, all.size(), 64, 7, 28, 2.1, QColor(190, 214, 244, 70));
    fillShape(p, veilShape(QPointF(-10, 70), QPointF(400, -6), 22, 12), QColor(255, 255, 255, 80));
    fillShape(p, veilShape(QPointF(60, 96), QPointF(570, 30), 18, 9), QColor(184, 208, 240, 70));
    for (int i = 0; i < 6; ++i) {
        const qreal r = 14 + 17 * i;
        p.setPen(roundPen(QColor(255, 255, 255, 200 - 25 * i), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(490, 45), r, r);
    }
    paintSparkles(p, QRectF(30, 10, 380, 70), 10, 4, 150);
    return image;
}

// ----------------------------------------------------------------------------------------------
// Search

QImage drawSearchLogo()
{
    QImage image = canvas(160, 160);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, kSkyTop.darker(118), kSkyTop.lighter(110)));
    paintSoftGlow(p, QPointF(70, 72), 110, QColor(255, 255, 255, 95));
    paintWave(p, all.size(), 132, 6, 30, 0.8, QColor(255, 255, 255, 40));
    paintWave(p, all.size(), 144, 5, 30, 2.6, QColor(255, 255, 255, 45));
    paintSparkles(p, QRectF(8, 8, 144, 60), 5, 4, 80);
    paintEmblem(p, QPointF(66, 10), 116);

    p.save();
    p.translate(64, 56);
    p.scale(3, 3);
    drawMagnifierIcon(p);
    p.restore();
    return image;
}

// A sticky note pinned up, for the description to search in.
void drawNoteIcon(QPainter& p)
{
    const QColor paper(255, 228, 112);
    QPainterPath note(QPointF(4.5, 5.5));
    note.lineTo(27.5, 5.5);
    note.lineTo(27.5, 22);
    note.lineTo(21, 28.5);
    note.lineTo(4.5, 28.5);
    note.closeSubpath();
    p.setPen(roundPen(paper.darker(190), 1.0));
    p.setBrush(verticalGradient(note.boundingRect(), paper.lighter(112), paper.darker(104)));
    p.drawPath(note);

    QPainterPath curl(QPointF(27.5, 22));
    curl.quadTo(22.5, 21.5, 21, 28.5);
    curl.quadTo(23, 24, 27.5, 22);
    p.setBrush(paper.darker(125));
    p.drawPath(curl);

    for (int i = 0; i < 4; ++i) {
        const qreal y = 12.5 + 3.8 * i;
        strokeLine(p, segment({8, y}, {i == 3 ? 18.0 : 24.0, y}), QColor(150, 120, 60), 1.2);
    }

    QPainterPath pin;
    pin.addEllipse(QPointF(16, 5.5), 3.2, 3.2);
    paintBody(p, pin, kRed, 0.9);
    fillShape(p, sparkleShape(QPointF(15, 4.5), 1.2), QColor(255, 255, 255, 220));
}

// ----------------------------------------------------------------------------------------------
// Backup: the archive box and the disk, with an arrow between them

enum class Transfer
{
    Backup,
    Restore
};

void drawTransferIcon(QPainter& p, Transfer transfer)
{
    p.save();
    p.translate(-2, 7.5);
    p.scale(0.8, 0.8);
    paintArchiveBox(p);
    p.restore();

    p.save();
    p.translate(15.5, -1);
    p.scale(0.56, 0.56);
    drawDiskIcon(p);
    p.restore();

    // One way between the box's mouth and the disk's side, taken out or back.
    QPainterPath route(QPointF(10, 17));
    route.cubicTo(9, 10, 11, 7, 17.5, 7.5);
    if (transfer == Transfer::Restore) {
        route = route.toReversed();
    }
    const QColor colour = transfer == Transfer::Backup ? kGreen : QColor(236, 132, 40);
    paintBody(p, curvedArrowShape(route, 3.6, 9, 5.5), colour, 0.8);
}

// ----------------------------------------------------------------------------------------------
// Export and help: kinds of document

// A page of running text, blue all over.
void drawTextDocumentIcon(QPainter& p)
{
    const QRectF r(6.5, 2.5, 19, 27);
    constexpr qreal kFold = 6;
    paintBody(p, pageShape(r, kFold), kBlue);
    paintBody(p, foldedCornerShape(r, kFold), kBlue.lighter(150), 0.9);
    for (int i = 0; i < 5; ++i) {
        const qreal y = r.top() + kFold + 4 + 3.6 * i;
        const qreal end = i == 4 ? r.center().x() : r.right() - 3.5;
        strokeLine(p, segment({r.left() + 3.5, y}, {end, y}), QColor(255, 255, 255, 230), 1.4);
    }
}

// A spreadsheet on a green folder.
void drawSheetIcon(QPainter& p)
{
    QPainterPath back;
    back.addRoundedRect(QRectF(2.5, 2.5, 22, 24), 2, 2);
    paintBody(p, back, kGreen);
    paintTable(p, QRectF(7.5, 7.5, 22, 22), 3, 5, kGreen);
}

// A page meant for printing: a red corner and a red label across it.
void drawPrintableDocumentIcon(QPainter& p)
{
    paintPage(p, QRectF(7.5, 2.5, 19, 27), 6, 2, kRed.lighter(130));
    QPainterPath label;
    label.addRoundedRect(QRectF(3.5, 17.5, 19, 8.5), 1.5, 1.5);
    paintBody(p, label, kRed, 0.9);
    for (const qreal y : {20.3, 23.3}) {
        strokeLine(p, segment({6.5, y}, {y < 22 ? 19.5 : 14.5, y}), kWhite, 1.3);
    }
}

// ----------------------------------------------------------------------------------------------
// About: portrait, notice, contacts

// Nobody in particular: a head and shoulders against the sky, lit from the left.
QImage drawPortrait()
{
    QImage image = canvas(120, 150);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    QRadialGradient sky(QPointF(46, 50), 120);
    sky.setColorAt(0, QColor(214, 232, 250));
    sky.setColorAt(0.55, kSkyTop);
    sky.setColorAt(1, kSkyTop.darker(150));
    p.fillRect(all, sky);
    fillShape(p, veilShape(QPointF(-10, 120), QPointF(130, 10), 26, 14), QColor(255, 255, 255, 40));
    paintSparkles(p, QRectF(8, 8, 104, 40), 4, 3.5, 120);

    QPainterPath figure;
    figure.addEllipse(QPointF(60, 60), 20, 24);
    QPainterPath bust(QPointF(4, 152));
    bust.cubicTo(6, 116, 26, 100, 47, 96);
    bust.cubicTo(51, 94, 53, 88, 52, 76);
    bust.lineTo(68, 76);
    bust.cubicTo(67, 88, 69, 94, 73, 96);
    bust.cubicTo(94, 100, 114, 116, 116, 152);
    bust.closeSubpath();
    figure = figure.united(bust);

    // The rim light is the figure's edge left showing where a shifted copy does not cover it.
    fillShape(p, figure, QColor(222, 240, 255));
    p.save();
    p.setClipPath(figure);
    fillShape(p, figure.translated(3.2, 2),
              verticalGradient(figure.boundingRect(), QColor(44, 80, 140), QColor(14, 30, 70)));
    p.restore();

    p.setPen(roundPen(QColor(255, 255, 255, 110), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(4.5, 4.5, -4.5, -4.5));
    return image;
}

struct NoticeLine
{
    QString text;
    int pixelSize;
    bool bold;
    QColor colour;
    qreal gapAfter;
};

// Where no font has the letters, Qt would draw each as a box: a blank card looks better.
bool hasLetters(const QFont& font, const QString& text)
{
    const QFontMetrics metrics(font);
    return std::all_of(text.begin(), text.end(),
                       [&](QChar c) { return c.isSpace() || metrics.inFont(c); });
}

// A white card with the program's notice in it. Without fonts the card is drawn all the same,
// only blank.
QImage drawNoticeCard()
{
    QImage image = canvas(360, 300);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, kWhite, QColor(246, 249, 253)));

    // Only pale decoration, so what is dark on the card is the text.
    const QRectF head(0, 0, all.width(), 84);
    p.fillRect(head, verticalGradient(head, QColor(226, 238, 252), QColor(255, 255, 255, 0)));
    fillShape(p, veilShape(QPointF(120, 310), QPointF(372, 150), 40, 22),
              QColor(214, 230, 248, 120));
    fillShape(p, veilShape(QPointF(200, 310), QPointF(372, 210), 20, 10),
              QColor(222, 236, 250, 140));
    p.setPen(roundPen(QColor(190, 206, 226), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(all.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

    const QColor body(40, 48, 64);
    const QColor small(84, 96, 118);
    const NoticeLine lines[] = {
        {QStringLiteral("Velarium 2.0"), 28, true, kNavy, 26},
        {QStringLiteral("Programma per la protezione dei file"), 15, false, body, 14},
        {QStringLiteral("Cifratura e decifratura di qualsiasi file"), 15, false, body, 4},
        {QStringLiteral("con una password scelta per ogni file."), 15, false, body, 34},
        {QStringLiteral("\u00A9 Gli autori di Velarium"), 13, false, small, 6},
        {QStringLiteral("Tutti i diritti riservati."), 13, false, small, 0},
    };
    qreal y = 30;
    for (const NoticeLine& line : lines) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(line.pixelSize);
        font.setBold(line.bold);
        p.setFont(font);
        p.setPen(line.colour);
        const QRectF box(12, y, all.width() - 24, line.pixelSize * 1.3);
        if (hasLetters(font, line.text)) {
            p.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, line.text);
        }
        y = box.bottom() + line.gapAfter;
        if (line.bold) {
            paintFadingRule(p, QPointF(90, y - line.gapAfter / 2),
                            QPointF(all.width() - 90, y - line.gapAfter / 2), kGold, 1.6);
        }
    }
    return image;
}

void drawEnvelopeIcon(QPainter& p)
{
    const QRectF body(2.5, 7.5, 27, 18.5);
    const QColor front(132, 186, 238);
    p.setPen(roundPen(kNavy, 1.0));
    p.setBrush(verticalGradient(body, front.lighter(112), front.darker(108)));
    p.drawRect(body);
    const QColor fold = front.darker(125);
    strokeLine(p, segment(body.bottomLeft() + QPointF(1, -1), {13, 18}), fold, 0.9);
    strokeLine(p, segment(body.bottomRight() + QPointF(-1, -1), {19, 18}), fold, 0.9);

    QPainterPath flap(body.topLeft());
    flap.lineTo(16, 19);
    flap.lineTo(body.topRight());
    flap.closeSubpath();
    p.setPen(roundPen(kNavy, 1.0));
    p.setBrush(verticalGradient(QRectF(0, body.top(), 32, 12), front.lighter(125), front));
    p.drawPath(flap);
    QPainterPath seal;
    seal.addEllipse(QPointF(16, 17), 3.2, 3.2);
    paintBody(p, seal, kRed, 0.8);
}

void drawGlobeIcon(QPainter& p)
{
    const QPointF centre(16, 16);
    constexpr qreal kRadius = 13;
    QPainterPath globe;
    globe.addEllipse(centre, kRadius, kRadius);
    QRadialGradient sea(QPointF(12, 11), 19);
    sea.setColorAt(0, QColor(130, 196, 246));
    sea.setColorAt(1, QColor(30, 92, 176));
    fillShape(p, globe, sea);

    p.save();
    p.setClipPath(globe);
    QPainterPath land(QPointF(7, 8));
    land.cubicTo(12, 5, 16, 9, 14, 13);
    land.cubicTo(12, 17, 16, 20, 13, 25);
    land.cubicTo(9, 24, 5, 18, 7, 8);
    QPainterPath island(QPointF(19, 9));
    island.cubicTo(24, 7, 29, 11, 27, 16);
    island.cubicTo(25, 21, 21, 17, 22, 14);
    island.cubicTo(20, 13, 17, 12, 19, 9);
    p.setPen(roundPen(kGreen.darker(170), 0.7));
    p.setBrush(verticalGradient(QRectF(0, 4, 32, 24), kGreen.lighter(140), kGreen.darker(110)));
    p.drawPath(land);
    p.drawPath(island);

    const QColor grid(255, 255, 255, 140);
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(grid, 0.8));
    for (const qreal rx : {5.0, 10.0}) {
        p.drawEllipse(centre, rx, kRadius);
    }
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    for (const qreal dy : {-6.5, 0.0, 6.5}) {
        const qreal half = std::sqrt(kRadius * kRadius - dy * dy);
        p.drawLine(QPointF(16 - half, 16 + dy), QPointF(16 + half, 16 + dy));
    }
    p.restore();

    const QRectF sheen(8, 4.5, 14, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(sheen, QColor(255, 255, 255, 130), QColor(255, 255, 255, 0)));
    p.drawEllipse(sheen);
    p.setPen(roundPen(QColor(20, 60, 120), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(globe);
}

} // namespace

std::vector<Picture> windowPictures()
{
    using namespace std::placeholders;
    std::vector<Picture> pictures{
        {QStringLiteral("pwdLogo01.jpg"), drawBanner(290, Accent::Key)},
        {QStringLiteral("pwdLogo02.png"), drawKeyBand()},
        {QStringLiteral("cercaLogo.jpg"), drawSearchLogo()},
        {QStringLiteral("cercaDecoro.jpg"), drawSoftStrip()},
        {QStringLiteral("espLogo.jpg"), drawBanner(640, Accent::Export)},
        {QStringLiteral("helpLogo.jpg"), drawBanner(460, Accent::Help)},
        {QStringLiteral("infoAutore.jpg"), drawPortrait()},
        {QStringLiteral("infoLogo.jpg"), drawColumnBanner()},
        {QStringLiteral("infoInformativa.png"), drawNoticeCard()},
        {QStringLiteral("splashBack.bmp"), drawSplashScene()},
        {QStringLiteral("splashFlag.bmp"), drawSplashFlag()},
    };
    const Icon icons[] = {
        {"cercaDescrizione", 32, drawNoteIcon},
        {"cercaLente", 48, drawMagnifierIcon},
        {"bakBackup", 64, std::bind(drawTransferIcon, _1, Transfer::Backup)},
        {"bakRestore", 64, std::bind(drawTransferIcon, _1, Transfer::Restore)},
        {"espWord", 32, drawTextDocumentIcon},
        {"espExcel", 32, drawSheetIcon},
        {"espGuida", 32, drawBookIcon},
        {"espEsci", 32, drawDoorIcon},
        {"helpPDF", 32, drawPrintableDocumentIcon},
        {"infoEmail", 32, drawEnvelopeIcon},
        {"infoWeb", 32, drawGlobeIcon},
    };
    for (const Icon& icon : icons) {
        pictures.push_back(
            {QString::fromLatin1(icon.name) + QStringLiteral(".png"), renderIcon(icon)});
    }
    return pictures;
}

} // namespace velarium::artwork
