#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <functional>
#include <numbers>

class QPainter;

// The drawing toolbox every picture of the generator shares: one palette, one way of lighting and
// rimming shapes, and the motifs that several windows repeat, so they all look of a piece.
namespace velarium::artwork {

inline constexpr qreal kIconGrid = 32.0; // icons are designed on this grid and scaled to their size
inline constexpr qreal kTau = 2 * std::numbers::pi;

inline const QColor kOutline(38, 56, 84);
inline const QColor kBlue(52, 116, 204);
inline const QColor kGreen(56, 166, 86);
inline const QColor kRed(212, 66, 56);
inline const QColor kGold(236, 176, 44);
inline const QColor kSteel(150, 164, 182);
inline const QColor kWhite(255, 255, 255);
inline const QColor kSkyTop(74, 144, 214);
inline const QColor kSkyBottom(196, 226, 249);
inline const QColor kNavy(28, 56, 104);

// ----------------------------------------------------------------------------------------------
// Lines, shapes and the common look

QLinearGradient verticalGradient(const QRectF& r, const QColor& top, const QColor& bottom);
QPen roundPen(const QColor& colour, qreal width);

// The common look: lit from above, with a rim darker than the body so shapes read on any
// background.
void paintBody(QPainter& p, const QPainterPath& shape, const QColor& base, qreal rim = 1.0);

// A centre line widened into an outline, so strokes can be filled and rimmed like bodies.
QPainterPath widened(const QPainterPath& centreLine, qreal width,
                     Qt::PenCapStyle cap = Qt::RoundCap);
void strokeLine(QPainter& p, const QPainterPath& path, const QColor& colour, qreal width);
QPainterPath segment(QPointF from, QPointF to);
QPainterPath arc(QPointF centre, qreal radius, qreal startDegrees, qreal sweepDegrees);

// An arrow along the line from tail to point.
QPainterPath arrowShape(QPointF tail, QPointF point, qreal shaft, qreal head, qreal headLength);
// An arrow following any route, its head at the route's end.
QPainterPath curvedArrowShape(const QPainterPath& route, qreal shaft, qreal head, qreal headLength);
QPainterPath heartShape(QPointF c, qreal size);
// A four-pointed twinkle.
QPainterPath sparkleShape(QPointF c, qreal radius);

// ----------------------------------------------------------------------------------------------
// Signs laid on icons

// A round glossy button filling the icon.
void paintRoundBadge(QPainter& p, const QColor& base);
// A small disc laid over a corner of another picture, with a white ring to part it from it.
void paintCornerBadge(QPainter& p, QPointF centre, qreal radius, const QColor& base);
void paintPlus(QPainter& p, QPointF c, qreal half, qreal width);
void paintCheck(QPainter& p, QPointF c, qreal size, const QColor& colour, qreal width);
void paintQuestionMark(QPainter& p, QPointF c, qreal height, const QColor& colour);

// ----------------------------------------------------------------------------------------------
// Pages, tables and things on the desk

QPainterPath pageShape(const QRectF& r, qreal fold);
// The triangle turned down at a page's top right corner.
QPainterPath foldedCornerShape(const QRectF& r, qreal fold);
void paintPage(QPainter& p, const QRectF& r, qreal fold, int lines,
               const QColor& corner = QColor(190, 206, 226));
void paintPencil(QPainter& p, QPointF tail, QPointF tip);
void paintTable(QPainter& p, const QRectF& r, int columns, int rows, const QColor& header = kBlue);
// Centred on the ring, the bit pointing right.
QPainterPath keyShape();
// The open cardboard box that stands for the archive, on the icon grid.
void paintArchiveBox(QPainter& p);

// Whole icons, on the icon grid.
void drawDiskIcon(QPainter& p);
void drawMagnifierIcon(QPainter& p);
void drawArchiveIcon(QPainter& p);
void drawBookIcon(QPainter& p);
void drawDoorIcon(QPainter& p);

struct Icon
{
    const char* name;
    int size;
    std::function<void(QPainter&)> draw;
};

QImage renderIcon(const Icon& icon);

// ----------------------------------------------------------------------------------------------
// Skies, backgrounds and the emblem

void paintSoftGlow(QPainter& p, QPointF centre, qreal radius, const QColor& colour);
// A band between two wavy lines across the picture.
void paintWave(QPainter& p, const QSizeF& size, qreal y, qreal amplitude, qreal thickness,
               qreal phase, const QColor& colour);
void paintCloud(QPainter& p, QPointF at, qreal scale, int alpha);
QImage canvas(int width, int height);

// The program's emblem: a shield veiled by sweeping sails, with a keyhole at its heart.
// Its width is about three quarters of its height.
void paintEmblem(QPainter& p, QPointF topCentre, qreal height);

// ----------------------------------------------------------------------------------------------
// Motifs of the smaller windows: veils, sparkles and fading rules

qreal fraction(qreal x);
// Points spread evenly but without a visible pattern over an area, the same on every run: the
// additive sequence of the plastic number.
QPointF scatter(int i, const QRectF& area);
// A crescent between two curves that meet at both ends, like a veil caught by the wind; it
// bulges to the left of the way from `from` to `to`.
QPainterPath veilShape(QPointF from, QPointF to, qreal bulge, qreal thickness);
void fillShape(QPainter& p, const QPainterPath& shape, const QBrush& brush);
void paintSparkles(QPainter& p, const QRectF& area, int count, qreal size, int alpha);
// A line that fades in from one end and out at the other.
void paintFadingRule(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width);
QImage transparentCanvas(int width, int height);

} // namespace velarium::artwork
