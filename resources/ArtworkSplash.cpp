// The splash window's pictures: a sea at dusk under sweeping veils, and the flags that drift
// across it.

#include "resources/ArtworkSplash.h"

#include "resources/ArtworkPainting.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace velarium::artwork {

QImage drawSplashScene()
{
    QImage image = canvas(597, 362);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(image.rect());
    constexpr qreal kHorizon = 236;
    const QPointF sun(410, kHorizon + 4);

    const QRectF sky(0, 0, all.width(), kHorizon);
    QLinearGradient dusk(sky.topLeft(), sky.bottomLeft());
    dusk.setColorAt(0, QColor(18, 24, 66));
    dusk.setColorAt(0.38, QColor(66, 52, 124));
    dusk.setColorAt(0.68, QColor(188, 92, 118));
    dusk.setColorAt(0.88, QColor(244, 150, 92));
    dusk.setColorAt(1, QColor(255, 204, 132));
    p.fillRect(sky, dusk);

    // Stars fade out as the sky warms towards the horizon.
    const QRectF starfield(0, 0, all.width(), kHorizon * 0.55);
    for (int i = 0; i < 90; ++i) {
        const QPointF at = scatter(i, starfield);
        const int alpha = int(220 * (1 - at.y() / starfield.height()));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 250, 236, alpha));
        const qreal r = 0.5 + 0.35 * (i % 3);
        p.drawEllipse(at, r, r);
        if (i % 17 == 0) {
            fillShape(p, sparkleShape(at, 4.5), QColor(255, 250, 236, alpha));
        }
    }

    paintSoftGlow(p, sun, 260, QColor(255, 190, 120, 120));
    paintSoftGlow(p, sun, 90, QColor(255, 226, 170, 170));
    QPainterPath disc;
    disc.addEllipse(sun, 32, 32);
    fillShape(p, disc,
              verticalGradient(disc.boundingRect(), QColor(255, 248, 214), QColor(255, 190, 96)));

    // Long thin clouds, lit from below by the sun.
    for (int i = 0; i < 6; ++i) {
        const QPointF at = scatter(i + 3, QRectF(0, 120, all.width(), 90));
        const qreal length = 60 + 14 * (i % 4);
        QPainterPath streak;
        streak.addEllipse(at, length, 3.5 + (i % 2));
        fillShape(p, streak,
                  verticalGradient(streak.boundingRect(), QColor(120, 70, 130, 70),
                                   QColor(255, 170, 130, 110)));
    }

    fillShape(p, veilShape(QPointF(-20, 190), QPointF(620, 20), 70, 26), QColor(255, 236, 246, 30));
    fillShape(p, veilShape(QPointF(-20, 150), QPointF(480, -20), 40, 14),
              QColor(255, 255, 255, 26));
    fillShape(p, veilShape(QPointF(120, 236), QPointF(640, 110), 30, 10),
              QColor(255, 214, 200, 30));

    // Far hills on the left, and the sea below them.
    QPainterPath hills(QPointF(0, kHorizon));
    hills.cubicTo(30, kHorizon - 22, 70, kHorizon - 16, 100, kHorizon - 8);
    hills.cubicTo(130, kHorizon - 18, 170, kHorizon - 10, 210, kHorizon);
    hills.closeSubpath();
    fillShape(p, hills, QColor(70, 42, 92));

    const QRectF sea(0, kHorizon, all.width(), all.height() - kHorizon);
    p.fillRect(sea, verticalGradient(sea, QColor(150, 92, 130), QColor(16, 20, 58)));
    // The sun's path on the water, broken into glints that widen towards us.
    for (int row = 0; row < 40; ++row) {
        const qreal depth = row / 39.0;
        const qreal y = kHorizon + 3 + std::pow(depth, 1.6) * (sea.height() - 8);
        const qreal spread = 10 + 110 * depth;
        const qreal width = 0.8 + 2.2 * depth;
        const int alpha = int(210 * std::pow(1 - depth, 1.2)) + 25;
        for (int k = 0; k < 3; ++k) {
            const qreal start = spread * (1.6 * fraction(row * 0.618 + k * 0.37) - 1);
            const qreal length = spread * (0.25 + 0.35 * fraction(row * 0.414 + k * 0.29));
            strokeLine(p, segment({sun.x() + start, y}, {sun.x() + start + length, y}),
                       QColor(255, 214, 150, alpha), width);
        }
        const qreal x = all.width() * fraction(row * 0.37);
        strokeLine(p, segment({x, y}, {x + 20 + 30 * depth, y}),
                   QColor(255, 255, 255, int(40 * (1 - depth)) + 10), 0.8 + depth);
    }

    // A boat under full sail: the emblem's sail and veil out on the water.
    const QPointF keel(150, kHorizon + 30);
    QPainterPath hull(keel + QPointF(-40, -6));
    hull.lineTo(keel + QPointF(44, -6));
    hull.quadTo(keel + QPointF(36, 6), keel + QPointF(24, 7));
    hull.lineTo(keel + QPointF(-30, 7));
    hull.closeSubpath();
    fillShape(p, hull, QColor(34, 24, 52));
    strokeLine(p, segment(keel + QPointF(0, -6), keel + QPointF(0, -118)), QColor(34, 24, 52), 2.2);
    QPainterPath mainsail(keel + QPointF(-3, -116));
    mainsail.cubicTo(keel + QPointF(-30, -80), keel + QPointF(-44, -40), keel + QPointF(-36, -10));
    mainsail.lineTo(keel + QPointF(-3, -10));
    mainsail.closeSubpath();
    QPainterPath jib(keel + QPointF(3, -112));
    jib.cubicTo(keel + QPointF(26, -78), keel + QPointF(40, -40), keel + QPointF(40, -10));
    jib.lineTo(keel + QPointF(3, -10));
    jib.closeSubpath();
    const QLinearGradient canvasLight =
        verticalGradient(QRectF(keel.x(), keel.y() - 116, 1, 106), QColor(255, 246, 232, 240),
                         QColor(255, 196, 160, 230));
    fillShape(p, mainsail, canvasLight);
    fillShape(p, jib, canvasLight);
    fillShape(p, veilShape(keel + QPointF(-3, -114), keel + QPointF(-34, -12), 8, 6),
              QColor(214, 150, 150, 90));
    // Its reflection, broken by the ripples.
    for (int i = 0; i < 7; ++i) {
        const qreal y = keel.y() + 10 + 6 * i;
        const qreal half = 28 - 3.5 * i;
        strokeLine(p, segment({keel.x() - half + 4 * std::sin(i), y}, {keel.x() + half, y}),
                   QColor(255, 220, 200, 70 - 9 * i), 2.2);
    }

    // A soft vignette draws the eye to the middle, where the flags fly.
    QRadialGradient vignette(all.center(), all.width() * 0.7);
    vignette.setColorAt(0.6, QColor(0, 0, 20, 0));
    vignette.setColorAt(1, QColor(0, 0, 20, 90));
    p.fillRect(all, vignette);
    return image;
}

namespace {

// On a plain bitmap this colour stands for "nothing here".
const QColor kColourKey(0, 0, 255);

// Half-covered pixels become wholly flag or wholly ground: mixed with the key, an edge would
// show a blue fringe wherever it is laid.
QImage onColourKey(const QImage& drawn)
{
    const QImage straight = drawn.convertToFormat(QImage::Format_ARGB32);
    QImage keyed(straight.size(), QImage::Format_RGB32);
    for (int y = 0; y < straight.height(); ++y) {
        for (int x = 0; x < straight.width(); ++x) {
            const QRgb pixel = straight.pixel(x, y);
            QRgb out = kColourKey.rgb();
            if (qAlpha(pixel) >= 128) {
                out = qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel));
                if (out == kColourKey.rgb()) {
                    out = qRgb(0, 0, 254); // the key is reserved for the ground
                }
            }
            keyed.setPixel(x, y, out);
        }
    }
    return keyed;
}

// The cloth drawn flat: white with golden hems, a swallowtail and the emblem.
QImage drawFlatCloth(QSize size)
{
    QImage cloth = transparentCanvas(size.width(), size.height());
    QPainter p(&cloth);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    QPainterPath outline(QPointF(0, 0));
    outline.lineTo(w, 0);
    outline.lineTo(w - 13, h / 2);
    outline.lineTo(w, h);
    outline.lineTo(0, h);
    outline.closeSubpath();
    p.setClipPath(outline);
    p.fillRect(cloth.rect(), verticalGradient(QRectF(0, 0, w, h), kWhite, QColor(222, 232, 246)));
    const QColor hem(240, 180, 50);
    p.fillRect(QRectF(0, 0, w, 4), hem);
    p.fillRect(QRectF(0, h - 4, w, 4), hem);
    p.fillRect(QRectF(0, 0, 4, h), kNavy);
    paintEmblem(p, QPointF(w * 0.42, 6), h - 12);
    return cloth;
}

} // namespace

QImage drawSplashFlag()
{
    constexpr int kWidth = 108;
    constexpr int kHeight = 60;
    QImage flag = transparentCanvas(kWidth, kHeight);
    {
        QPainter p(&flag);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath pole;
        pole.addRoundedRect(QRectF(4, 4, 3.5, 54), 1.2, 1.2);
        paintBody(p, pole, QColor(150, 110, 70), 0.8);
        QPainterPath knob;
        knob.addEllipse(QPointF(5.75, 4.5), 3.4, 3.4);
        paintBody(p, knob, kGold, 0.8);
    }

    // The flat cloth is waved column by column: each is shifted up or down and shaded by the
    // slope of the wave, which grows from the pole to the free end.
    const QImage cloth = drawFlatCloth(QSize(94, 38));
    const QPoint at(8, 10);
    constexpr qreal kAmplitude = 4.5;
    for (int x = 0; x < cloth.width(); ++x) {
        const qreal reach = qreal(x) / cloth.width();
        const qreal phase = kTau * 1.15 * reach;
        const qreal shift = kAmplitude * reach * std::sin(phase) - 1.5 * reach;
        const qreal shade = 1 + 0.22 * std::cos(phase) * std::min(1.0, reach * 3);
        const auto clothAt = [&](int row) {
            return row >= 0 && row < cloth.height() ? cloth.pixel(x, row) : QRgb(0);
        };
        for (int y = 0; y < kHeight; ++y) {
            const qreal source = y - at.y() - shift;
            const int above = int(std::floor(source));
            const qreal weight = source - above;
            // Premultiplied values blend straight, and stay premultiplied when capped by alpha.
            const QRgb upper = clothAt(above);
            const QRgb lower = clothAt(above + 1);
            const auto blend = [&](int (*channel)(QRgb)) {
                return channel(upper) * (1 - weight) + channel(lower) * weight;
            };
            const qreal alpha = blend(qAlpha);
            if (alpha < 0.5) {
                continue;
            }
            const auto lit = [&](int (*channel)(QRgb)) {
                return int(std::lround(std::min(blend(channel) * shade, alpha)));
            };
            flag.setPixel(at.x() + x, y,
                          qRgba(lit(qRed), lit(qGreen), lit(qBlue), int(std::lround(alpha))));
        }
    }
    return onColourKey(flag);
}

} // namespace velarium::artwork
