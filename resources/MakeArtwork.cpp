// Draws every picture of the program and the resource list that compiles them in.
// Usage: velarium_make_artwork OUTDIR   (run with QT_QPA_PLATFORM=offscreen when headless)
//
// This file holds the main window's pictures; the other windows' are in ArtworkWindows.cpp and
// ArtworkSplash.cpp.
// Fonts may be missing on the build machine, so every glyph-like sign (question mark, "i", the
// copyright ring) is built from paths. Only the about window's notice card writes text, and it
// is left blank where no font has the letters.

#include "resources/ArtworkPainting.h"
#include "resources/ArtworkWindows.h"
#include "resources/GifWriter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

using namespace velarium::artwork;
namespace gif = velarium::gif;

// ----------------------------------------------------------------------------------------------
// Documents

enum class Document
{
    File,
    Note,
    New,
    Export
};

void drawDocumentIcon(QPainter& p, Document kind)
{
    switch (kind) {
    case Document::File:
        paintPage(p, QRectF(6.5, 2.5, 19, 27), 6, 5);
        break;
    case Document::Note:
        paintPage(p, QRectF(3.5, 2.5, 19, 27), 6, 5);
        paintPencil(p, QPointF(28.5, 7), QPointF(13, 27.5));
        break;
    case Document::New:
        paintPage(p, QRectF(4.5, 2.5, 19, 27), 6, 0);
        paintCornerBadge(p, QPointF(23, 22.5), 7, kGreen);
        paintPlus(p, QPointF(23, 22.5), 3.6, 2.2);
        break;
    case Document::Export:
        paintTable(p, QRectF(2.5, 3.5, 22, 20), 3, 4);
        paintBody(p, arrowShape(QPointF(13, 24.5), QPointF(30.5, 24.5), 4.5, 11, 7), kGreen);
        break;
    }
}

// ----------------------------------------------------------------------------------------------
// Keys and padlocks

void drawKeyIcon(QPainter& p, bool withCheck)
{
    p.save();
    if (withCheck) {
        p.translate(8.5, 8.5);
        p.scale(0.92, 0.92);
    } else {
        p.translate(9.5, 9.5);
        p.scale(1.05, 1.05);
    }
    p.rotate(45);
    paintBody(p, keyShape(), kGold);
    p.restore();
    if (withCheck) {
        paintCornerBadge(p, QPointF(23, 23), 7.5, kGreen);
        paintCheck(p, QPointF(23, 23), 8, kWhite, 2.2);
    }
}

void drawPadlockIcon(QPainter& p, bool open)
{
    // The shackle is lifted out of the body on its left leg when open.
    QPainterPath shackle;
    if (open) {
        shackle.moveTo(21, 15);
        shackle.lineTo(21, 7);
        shackle.arcTo(QRectF(11, 2, 10, 10), 0, 180);
        shackle.lineTo(11, 9.5);
    } else {
        shackle.moveTo(11, 15);
        shackle.lineTo(11, 10.5);
        shackle.arcTo(QRectF(11, 5.5, 10, 10), 180, -180);
        shackle.lineTo(21, 15);
    }
    paintBody(p, widened(shackle, 3.4, Qt::FlatCap), kSteel);

    QPainterPath body;
    body.addRoundedRect(QRectF(6.5, 14.5, 19, 15), 2.5, 2.5);
    paintBody(p, body, kGold);

    QPainterPath keyhole;
    keyhole.addEllipse(QPointF(16, 20.5), 2.2, 2.2);
    QPainterPath slot(QPointF(15, 21));
    slot.lineTo(14.4, 26);
    slot.lineTo(17.6, 26);
    slot.lineTo(17, 21);
    slot.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    p.drawPath(keyhole.united(slot));
}

// ----------------------------------------------------------------------------------------------
// Record navigation

enum class Step
{
    First,
    Back,
    Forward,
    Last
};

void drawNavigationIcon(QPainter& p, Step step)
{
    // Drawn pointing backwards; the forward ones are its mirror image.
    if (step == Step::Forward || step == Step::Last) {
        p.translate(kIconGrid, 0);
        p.scale(-1, 1);
    }
    QPainterPath shape;
    if (step == Step::First || step == Step::Last) {
        shape.addPolygon(QPolygonF({QPointF(25, 6.5), QPointF(25, 25.5), QPointF(11.5, 16)}));
        shape.closeSubpath();
        shape.addRoundedRect(QRectF(6, 6.5, 4, 19), 1, 1);
    } else {
        shape.addPolygon(QPolygonF({QPointF(21.5, 5.5), QPointF(21.5, 26.5), QPointF(8, 16)}));
        shape.closeSubpath();
    }
    paintBody(p, shape, kBlue, 1.3);
}

// ----------------------------------------------------------------------------------------------
// Round signs

enum class Sign
{
    Help,
    Info,
    Copyright,
    Power
};

void drawSignIcon(QPainter& p, Sign sign)
{
    const QPointF centre(16, 16);
    switch (sign) {
    case Sign::Help:
        paintRoundBadge(p, kBlue);
        paintQuestionMark(p, centre, 17, kWhite);
        break;
    case Sign::Info: {
        paintRoundBadge(p, QColor(36, 140, 196));
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawEllipse(QPointF(16, 9.3), 2.3, 2.3);
        QPainterPath stem(QPointF(13, 13.2));
        stem.lineTo(17.9, 13.2);
        stem.lineTo(17.9, 22.3);
        stem.lineTo(19.5, 22.3);
        stem.lineTo(19.5, 24.5);
        stem.lineTo(12.5, 24.5);
        stem.lineTo(12.5, 22.3);
        stem.lineTo(14.1, 22.3);
        stem.lineTo(14.1, 15.4);
        stem.lineTo(13, 15.4);
        stem.closeSubpath();
        p.drawPath(stem);
        break;
    }
    case Sign::Copyright: {
        QRadialGradient face(QPointF(13, 11), 17);
        face.setColorAt(0, kWhite);
        face.setColorAt(1, QColor(220, 230, 244));
        p.setPen(Qt::NoPen);
        p.setBrush(face);
        p.drawEllipse(centre, 13, 13);
        QPainterPath ring;
        ring.addEllipse(centre, 12.2, 12.2);
        paintBody(p, widened(ring, 2.6), kOutline.lighter(130), 0.6);
        paintBody(p, widened(arc(centre, 6.2, 48, 264), 2.8), kOutline.lighter(130), 0.6);
        break;
    }
    case Sign::Power:
        paintRoundBadge(p, kRed);
        strokeLine(p, arc(QPointF(16, 17), 7, 122, 296), kWhite, 2.6);
        strokeLine(p, segment({16, 8}, {16, 16}), kWhite, 2.6);
        break;
    }
}

// ----------------------------------------------------------------------------------------------
// The e-mail envelope: closed, it opens, a letter rises with a twinkle, and all goes back.

struct EnvelopePose
{
    int delay;     // hundredths of a second
    qreal flap;    // 0 closed .. 1 wide open
    qreal rise;    // 0 letter inside .. 1 letter out
    qreal twinkle; // 0 none .. 1 full sparkle
};

constexpr std::array<EnvelopePose, 19> kEnvelopePoses{{
    {70, 0.0, 0.0, 0.0}, // rests closed
    {10, 0.2, 0.0, 0.0},   {10, 0.4, 0.0, 0.0},  {10, 0.6, 0.0, 0.0},  {10, 0.8, 0.0, 0.0},
    {130, 1.0, 0.0, 0.0}, // rests open
    {10, 1.0, 0.06, 0.0},  {10, 1.0, 0.2, 0.0},  {10, 1.0, 0.38, 0.0}, {10, 1.0, 0.56, 0.0},
    {10, 1.0, 0.72, 0.0},  {10, 1.0, 0.85, 0.3}, {10, 1.0, 0.94, 0.6}, {10, 1.0, 1.0, 0.85},
    {130, 1.0, 1.0, 1.0}, // rests with the letter out
    {10, 1.0, 0.55, 0.35}, {10, 1.0, 0.12, 0.0}, {10, 0.66, 0.0, 0.0}, {10, 0.33, 0.0, 0.0},
}};

constexpr int kEnvelopeWidth = 34;
constexpr int kEnvelopeHeight = 42;

void paintLetter(QPainter& p, const QRectF& sheet)
{
    p.setPen(roundPen(QColor(120, 130, 150), 0.9));
    p.setBrush(verticalGradient(sheet, kWhite, QColor(246, 240, 222)));
    p.drawRect(sheet);
    const QPointF heart(sheet.center().x(), sheet.top() + 5);
    p.setPen(roundPen(kRed.darker(150), 0.6));
    p.setBrush(kRed);
    p.drawPath(heartShape(heart, 5.5));
    for (int i = 0; i < 3; ++i) {
        const qreal y = sheet.top() + 10.5 + 3 * i;
        const qreal inset = (i == 2) ? 7 : 3.5;
        strokeLine(p, segment({sheet.left() + 3.5, y}, {sheet.right() - inset, y}),
                   QColor(122, 148, 184), 1.1);
    }
}

QImage drawEnvelope(const EnvelopePose& pose)
{
    QImage image(kEnvelopeWidth, kEnvelopeHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF body(2.5, 19.5, 29, 20.5);
    const qreal cx = body.center().x();
    const QColor front(132, 186, 238);
    const QColor inside(62, 108, 172);
    const QColor navy(28, 56, 104);
    const auto flapTo = [&](qreal apexY) {
        QPainterPath flap(body.topLeft());
        flap.lineTo(cx, apexY);
        flap.lineTo(body.topRight());
        flap.closeSubpath();
        return flap;
    };

    p.setPen(roundPen(navy, 1.0));
    p.setBrush(inside);
    p.drawRect(body);
    if (pose.flap > 0.5) {
        p.setBrush(verticalGradient(QRectF(0, 6, 34, 14), inside.lighter(150), inside));
        p.drawPath(flapTo(body.top() - (pose.flap - 0.5) * 2 * 13));
    }

    p.save();
    p.setClipRect(QRectF(0, 0, kEnvelopeWidth, body.bottom()));
    paintLetter(p, QRectF(6.5, 22 - pose.rise * 18, 21, 22));
    p.restore();

    QPainterPath pocket(body.topLeft());
    pocket.lineTo(cx, body.top() + 10);
    pocket.lineTo(body.topRight());
    pocket.lineTo(body.bottomRight());
    pocket.lineTo(body.bottomLeft());
    pocket.closeSubpath();
    p.setPen(roundPen(navy, 1.0));
    p.setBrush(verticalGradient(body, front.lighter(112), front.darker(108)));
    p.drawPath(pocket);
    const QColor fold = front.darker(125);
    strokeLine(p, segment(body.bottomLeft() + QPointF(1, -1), {cx - 4, body.top() + 12.5}), fold,
               0.8);
    strokeLine(p, segment(body.bottomRight() + QPointF(-1, -1), {cx + 4, body.top() + 12.5}), fold,
               0.8);

    if (pose.flap <= 0.5) {
        const qreal apexY = body.top() + (1 - pose.flap * 2) * 14;
        p.setPen(roundPen(navy, 1.0));
        p.setBrush(verticalGradient(QRectF(0, body.top(), 34, 14), front.lighter(125), front));
        p.drawPath(flapTo(apexY));
        if (apexY - body.top() > 6) {
            p.setPen(roundPen(kRed.darker(160), 0.7));
            p.setBrush(kRed);
            p.drawEllipse(QPointF(cx, apexY - 2.5), 3, 3);
        }
    }

    if (pose.twinkle > 0) {
        p.setPen(roundPen(QColor(196, 130, 10), 0.6));
        p.setBrush(QColor(255, 214, 70));
        p.drawPath(sparkleShape(QPointF(28.5, 4.5), 4.6 * pose.twinkle));
        p.drawPath(sparkleShape(QPointF(4.5, 11), 3.2 * pose.twinkle));
    }
    return image;
}

constexpr int kOpaqueEnough = 128; // GIF transparency is all or nothing

// Median cut over every opaque pixel of every pose. Boxes are split by their widest colour
// spread rather than their pixel count, so the small red heart and gold twinkle keep their own
// entries next to the large blue areas. Entry 0 is left for the transparent background.
std::vector<gif::Rgb> paletteFor(const std::vector<QImage>& pictures, std::size_t size)
{
    std::vector<QRgb> pixels;
    for (const QImage& picture : pictures) {
        const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < straight.height(); ++y) {
            for (int x = 0; x < straight.width(); ++x) {
                if (qAlpha(straight.pixel(x, y)) >= kOpaqueEnough) {
                    pixels.push_back(straight.pixel(x, y));
                }
            }
        }
    }
    if (pixels.empty()) {
        return std::vector<gif::Rgb>(size);
    }
    using Channel = int (*)(QRgb);
    const std::array<Channel, 3> channels{qRed, qGreen, qBlue};
    struct Box
    {
        std::size_t begin;
        std::size_t end;
    };
    // The widest channel of a box and its spread.
    const auto spread = [&](const Box& box) {
        std::pair<int, Channel> widest{0, qRed};
        for (const Channel channel : channels) {
            const auto [low, high] =
                std::minmax_element(pixels.begin() + std::ptrdiff_t(box.begin),
                                    pixels.begin() + std::ptrdiff_t(box.end),
                                    [channel](QRgb a, QRgb b) { return channel(a) < channel(b); });
            widest = std::max(widest, {channel(*high) - channel(*low), channel},
                              [](const auto& a, const auto& b) { return a.first < b.first; });
        }
        return widest;
    };

    std::vector<Box> boxes{{0, pixels.size()}};
    while (boxes.size() < size - 1) {
        std::size_t chosen = 0;
        std::pair<int, Channel> chosenSpread{0, qRed};
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (const auto s = spread(boxes[i]); s.first > chosenSpread.first) {
                chosen = i;
                chosenSpread = s;
            }
        }
        if (chosenSpread.first == 0) {
            break; // every box holds a single colour
        }
        const Box box = boxes[chosen];
        const auto first = pixels.begin() + std::ptrdiff_t(box.begin);
        const auto last = pixels.begin() + std::ptrdiff_t(box.end);
        const Channel channel = chosenSpread.second;
        std::sort(first, last, [channel](QRgb a, QRgb b) { return channel(a) < channel(b); });
        const std::size_t middle = box.begin + (box.end - box.begin) / 2;
        boxes[chosen] = {box.begin, middle};
        boxes.push_back({middle, box.end});
    }

    std::vector<gif::Rgb> palette{{255, 255, 255}};
    for (const Box& box : boxes) {
        std::array<std::size_t, 3> sum{};
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (std::size_t c = 0; c < 3; ++c) {
                sum[c] += std::size_t(channels[c](pixels[i]));
            }
        }
        const std::size_t count = box.end - box.begin;
        const auto mean = [&](std::size_t c) {
            return std::uint8_t((sum[c] + count / 2) / count);
        };
        palette.push_back({mean(0), mean(1), mean(2)});
    }
    palette.resize(size);
    return palette;
}

std::vector<std::uint8_t> toIndices(const QImage& picture, const std::vector<gif::Rgb>& palette)
{
    const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
    std::vector<std::uint8_t> indices;
    indices.reserve(std::size_t(straight.width()) * straight.height());
    for (int y = 0; y < straight.height(); ++y) {
        for (int x = 0; x < straight.width(); ++x) {
            const QRgb pixel = straight.pixel(x, y);
            if (qAlpha(pixel) < kOpaqueEnough) {
                indices.push_back(0);
                continue;
            }
            // Nearest colour with the eye's weights, never the transparent entry.
            std::size_t best = 1;
            int bestDistance = std::numeric_limits<int>::max();
            for (std::size_t i = 1; i < palette.size(); ++i) {
                const int dr = qRed(pixel) - palette[i].r;
                const int dg = qGreen(pixel) - palette[i].g;
                const int db = qBlue(pixel) - palette[i].b;
                const int distance = 3 * dr * dr + 6 * dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
            indices.push_back(static_cast<std::uint8_t>(best));
        }
    }
    return indices;
}

gif::Animation envelopeAnimation()
{
    std::vector<QImage> poses;
    for (const EnvelopePose& pose : kEnvelopePoses) {
        poses.push_back(drawEnvelope(pose));
    }
    gif::Animation animation;
    animation.width = kEnvelopeWidth;
    animation.height = kEnvelopeHeight;
    animation.palette = paletteFor(poses, 64);
    animation.transparentIndex = 0;
    animation.loopCount = 0;
    for (std::size_t i = 0; i < poses.size(); ++i) {
        // Every frame is complete, so each clears the last: its transparent pixels must not
        // show the previous pose through.
        animation.frames.push_back({toIndices(poses[i], animation.palette),
                                    static_cast<std::uint16_t>(kEnvelopePoses[i].delay),
                                    gif::Disposal::RestoreBackground});
    }
    return animation;
}

// ----------------------------------------------------------------------------------------------
// Backgrounds and logo

// The light card behind the forms: pale enough for navy text anywhere on it.
QImage drawCardBackground()
{
    QImage image = canvas(584, 470);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, QColor(250, 252, 255), QColor(237, 243, 251)));
    paintSoftGlow(p, QPointF(500, 70), 240, QColor(205, 226, 250, 110));
    paintSoftGlow(p, QPointF(60, 420), 220, QColor(226, 222, 250, 100));
    paintSoftGlow(p, QPointF(300, 250), 160, QColor(255, 255, 255, 160));
    paintWave(p, all.size(), 330, 22, 40, 0.4, QColor(214, 230, 248, 70));
    paintWave(p, all.size(), 360, 18, 30, 1.9, QColor(222, 236, 250, 80));
    paintWave(p, all.size(), 90, 14, 18, 3.0, QColor(230, 238, 252, 60));
    for (int i = 0; i < 5; ++i) {
        const qreal r = 30 + 26 * i;
        p.setPen(roundPen(QColor(255, 255, 255, 120), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(520, 420), r, r);
    }
    return image;
}

// The side column: sky from deeper blue at the top to pale at the bottom.
QImage drawSidePanel()
{
    QImage image = canvas(170, 525);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, kSkyTop, kSkyBottom));
    paintSoftGlow(p, QPointF(140, 60), 120, QColor(255, 255, 255, 60));
    paintCloud(p, QPointF(40, 150), 1.3, 38);
    paintCloud(p, QPointF(135, 260), 1.0, 32);
    paintCloud(p, QPointF(55, 390), 1.6, 40);
    paintCloud(p, QPointF(140, 480), 1.1, 46);
    paintWave(p, all.size(), 440, 10, 26, 0.8, QColor(255, 255, 255, 40));
    paintWave(p, all.size(), 470, 12, 40, 2.4, QColor(255, 255, 255, 45));
    for (int i = 0; i < 7; ++i) {
        const QPointF at(20 + (i * 53) % 140, 40 + i * 68);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 55));
        p.drawPath(sparkleShape(at, 3 + (i % 3)));
    }
    return image;
}

QImage drawLogo()
{
    QImage image = canvas(170, 110);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    p.fillRect(all, verticalGradient(all, kSkyTop.darker(112), kSkyTop));
    paintSoftGlow(p, QPointF(85, 52), 80, QColor(255, 255, 255, 90));
    paintEmblem(p, QPointF(85, 8), 94);
    return image;
}

// The program's own icon, for its windows and the desktop's menu: the emblem alone, on nothing.
QImage drawProgramIcon()
{
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintEmblem(p, QPointF(128, 8), 240);
    return image;
}

// ----------------------------------------------------------------------------------------------
// Output

std::vector<Icon> icons()
{
    using namespace std::placeholders;
    return {
        {"imgFile", 32, std::bind(drawDocumentIcon, _1, Document::File)},
        {"imgDescrizione", 32, std::bind(drawDocumentIcon, _1, Document::Note)},
        {"cmdNuovo", 32, std::bind(drawDocumentIcon, _1, Document::New)},
        {"cmdEsporta", 28, std::bind(drawDocumentIcon, _1, Document::Export)},
        {"imgPassword", 32, std::bind(drawKeyIcon, _1, false)},
        {"imgCheckPW", 32, std::bind(drawKeyIcon, _1, true)},
        {"imgCripta", 32, std::bind(drawPadlockIcon, _1, false)},
        {"imgDecripta", 32, std::bind(drawPadlockIcon, _1, true)},
        {"cmdSalva", 32, drawDiskIcon},
        {"cmdCerca", 32, drawMagnifierIcon},
        {"imgBackup", 32, drawArchiveIcon},
        {"cmdGuida", 32, drawBookIcon},
        {"cmdEsci", 32, drawDoorIcon},
        {"imgPrimo", 32, std::bind(drawNavigationIcon, _1, Step::First)},
        {"imgIndietro", 32, std::bind(drawNavigationIcon, _1, Step::Back)},
        {"imgAvanti", 32, std::bind(drawNavigationIcon, _1, Step::Forward)},
        {"imgUltimo", 32, std::bind(drawNavigationIcon, _1, Step::Last)},
        {"imgGuida", 32, std::bind(drawSignIcon, _1, Sign::Help)},
        {"imgInfo", 32, std::bind(drawSignIcon, _1, Sign::Info)},
        {"imgCopyright", 32, std::bind(drawSignIcon, _1, Sign::Copyright)},
        {"imgEsci", 32, std::bind(drawSignIcon, _1, Sign::Power)},
    };
}

constexpr int kJpegQuality = 90;

// Writes the pictures and remembers them for the resource list.
class ArtworkFolder
{
public:
    explicit ArtworkFolder(const QString& path) : dir_(path)
    {
        if (!dir_.mkpath(QStringLiteral("."))) {
            fail(path);
        }
    }

    // The name's extension chooses the format.
    void saveImage(const QString& fileName, const QImage& image)
    {
        bool saved = false;
        if (fileName.endsWith(QStringLiteral(".jpg"))) {
            saved = image.save(dir_.filePath(fileName), "JPEG", kJpegQuality);
        } else if (fileName.endsWith(QStringLiteral(".bmp"))) {
            // Bitmaps are read by plain loaders that expect three bytes a pixel and no alpha.
            saved =
                image.convertToFormat(QImage::Format_RGB888).save(dir_.filePath(fileName), "BMP");
        } else {
            saved = image.save(dir_.filePath(fileName), "PNG");
        }
        if (!saved) {
            fail(fileName);
        }
        images_.append(fileName);
    }

    void saveAnimation(const QString& name, const gif::Animation& animation)
    {
        gif::writeFile(dir_.filePath(name).toStdString(), animation);
        animations_.append(name);
    }

    // Animations sit at the root of the resources under their bare name, the rest in /images.
    void writeResourceList(const QString& fileName) const
    {
        QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
        for (const QString& name : animations_) {
            qrc += "    <file alias=\"" + name.toUtf8() + "\">" + name.toUtf8() + "</file>\n";
        }
        qrc += "</qresource>\n<qresource prefix=\"/images\">\n";
        for (const QString& name : images_) {
            qrc += "    <file>" + name.toUtf8() + "</file>\n";
        }
        qrc += "</qresource>\n</RCC>\n";
        QFile file(dir_.filePath(fileName));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(qrc) != qrc.size() || !file.flush()) {
            fail(fileName);
        }
    }

private:
    [[noreturn]] static void fail(const QString& what)
    {
        throw std::runtime_error("cannot write " + what.toStdString());
    }

    QDir dir_;
    QStringList images_;
    QStringList animations_;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: velarium_make_artwork OUTDIR\n");
        return 2;
    }
    try {
        ArtworkFolder out(arguments.at(1));
        const gif::Animation envelope = envelopeAnimation();
        out.saveAnimation(QStringLiteral("RESNAME1"), envelope);
        out.saveImage(QStringLiteral("imgEmail.png"), drawEnvelope(kEnvelopePoses.front()));
        for (const Icon& icon : icons()) {
            out.saveImage(QString::fromLatin1(icon.name) + QStringLiteral(".png"),
                          renderIcon(icon));
        }
        out.saveImage(QStringLiteral("imgBackground.jpg"), drawCardBackground());
        out.saveImage(QStringLiteral("imgSfondo.jpg"), drawSidePanel());
        out.saveImage(QStringLiteral("imgLogo.jpg"), drawLogo());
        out.saveImage(QStringLiteral("Velarium.png"), drawProgramIcon());
        for (const Picture& picture : windowPictures()) {
            out.saveImage(picture.fileName, picture.image);
        }
        out.writeResourceList(QStringLiteral("artwork.qrc"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velarium_make_artwork: %s\n", error.what());
        return 1;
    }
    return 0;
}