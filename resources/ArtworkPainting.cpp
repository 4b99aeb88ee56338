#include "resources/ArtworkPainting.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QTransform>
#include <cmath>
#include <numbers>

namespace velarium::artwork {

// ----------------------------------------------------------------------------------------------
// Lines, shapes and the common look

QLinearGradient verticalGradient(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

QPen roundPen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void paintBody(QPainter& p, const QPainterPath& shape, const QColor& base, qreal rim)
{
    p.setPen(roundPen(base.darker(220), rim));
    p.setBrush(verticalGradient(shape.boundingRect(), base.lighter(145), base.darker(106)));
    p.drawPath(shape);
}

QPainterPath widened(const QPainterPath& centreLine, qreal width, Qt::PenCapStyle cap)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centreLine).simplified();
}

void strokeLine(QPainter& p, const QPainterPath& path, const QColor& colour, qreal width)
{
    p.strokePath(path, roundPen(colour, width));
}

QPainterPath segment(QPointF from, QPointF to)
{
    QPainterPath path(from);
    path.lineTo(to);
    return path;
}

QPainterPath arc(QPointF centre, qreal radius, qreal startDegrees, qreal sweepDegrees)
{
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.arcMoveTo(box, startDegrees);
    path.arcTo(box, startDegrees, sweepDegrees);
    return path;
}

QPainterPath arrowShape(QPointF tail, QPointF point, qreal shaft, qreal head, qreal headLength)
{
    const QLineF line(tail, point);
    const qreal neck = line.length() - headLength;
    QPainterPath arrow;
    arrow.moveTo(0, -shaft / 2);
    arrow.lineTo(neck, -shaft / 2);
    arrow.lineTo(neck, -head / 2);
    arrow.lineTo(line.length(), 0);
    arrow.lineTo(neck, head / 2);
    arrow.lineTo(neck, shaft / 2);
    arrow.lineTo(0, shaft / 2);
    arrow.closeSubpath();
    QTransform toLine;
    toLine.translate(tail.x(), tail.y());
    toLine.rotate(-line.angle());
    return toLine.map(arrow);
}

QPainterPath curvedArrowShape(const QPainterPath& route, qreal shaft, qreal head, qreal headLength)
{
    // The shaft stops where the head begins, so the head's point stays sharp.
    const qreal neck = route.percentAtLength(route.length() - headLength);
    constexpr int kSteps = 32;
    QPainterPath line(route.pointAtPercent(0));
    for (int i = 1; i <= kSteps; ++i) {
        line.lineTo(route.pointAtPercent(neck * i / kSteps));
    }
    const QPointF base = route.pointAtPercent(neck);
    const QPointF point = route.pointAtPercent(1);
    const QLineF across = QLineF(base, point).normalVector().unitVector();
    const QPointF side = (across.p2() - across.p1()) * (head / 2);
    QPainterPath tip(base + side);
    tip.lineTo(point);
    tip.lineTo(base - side);
    tip.closeSubpath();
    return widened(line, shaft, Qt::FlatCap).united(tip).simplified();
}

QPainterPath heartShape(QPointF c, qreal size)
{
    QPainterPath heart(QPointF(c.x(), c.y() + 0.45 * size));
    heart.cubicTo(c.x() - 0.95 * size, c.y() - 0.05 * size, c.x() - 0.45 * size, c.y() - 0.8 * size,
                  c.x(), c.y() - 0.28 * size);
    heart.cubicTo(c.x() + 0.45 * size, c.y() - 0.8 * size, c.x() + 0.95 * size, c.y() - 0.05 * size,
                  c.x(), c.y() + 0.45 * size);
    return heart;
}

QPainterPath sparkleShape(QPointF c, qreal radius)
{
    const qreal waist = radius * 0.22;
    QPainterPath star(QPointF(c.x(), c.y() - radius));
    star.quadTo(c.x() + waist, c.y() - waist, c.x() + radius, c.y());
    star.quadTo(c.x() + waist, c.y() + waist, c.x(), c.y() + radius);
    star.quadTo(c.x() - waist, c.y() + waist, c.x() - radius, c.y());
    star.quadTo(c.x() - waist, c.y() - waist, c.x(), c.y() - radius);
    return star;
}

void paintRoundBadge(QPainter& p, const QColor& base)
{
    QRadialGradient fill(QPointF(12.5, 10), 21);
    fill.setColorAt(0, base.lighter(150));
    fill.setColorAt(1, base.darker(112));
    p.setPen(roundPen(base.darker(210), 1.0));
    p.setBrush(fill);
    p.drawEllipse(QRectF(2.5, 2.5, 27, 27));

    const QRectF sheen(7, 4.2, 18, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(sheen, QColor(255, 255, 255, 140), QColor(255, 255, 255, 0)));
    p.drawEllipse(sheen);
}

void paintCornerBadge(QPainter& p, QPointF centre, qreal radius, const QColor& base)
{
    p.setPen(roundPen(kWhite, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius + 0.8, radius + 0.8);
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    paintBody(p, disc, base);
}

void paintPlus(QPainter& p, QPointF c, qreal half, qreal width)
{
    strokeLine(p, segment({c.x() - half, c.y()}, {c.x() + half, c.y()}), kWhite, width);
    strokeLine(p, segment({c.x(), c.y() - half}, {c.x(), c.y() + half}), kWhite, width);
}

void paintCheck(QPainter& p, QPointF c, qreal size, const QColor& colour, qreal width)
{
    QPainterPath tick(QPointF(c.x() - 0.5 * size, c.y() + 0.02 * size));
    tick.lineTo(c.x() - 0.12 * size, c.y() + 0.4 * size);
    tick.lineTo(c.x() + 0.52 * size, c.y() - 0.42 * size);
    strokeLine(p, tick, colour, width);
}

void paintQuestionMark(QPainter& p, QPointF c, qreal height, const QColor& colour)
{
    const qreal width = 0.15 * height;
    const qreal radius = 0.22 * height;
    const QPointF bowl(c.x(), c.y() - 0.5 * height + width / 2 + radius);
    QPainterPath mark = arc(bowl, radius, 160, -240);
    mark.quadTo(c.x(), bowl.y() + radius * 0.75, c.x(), c.y() + 0.16 * height);
    strokeLine(p, mark, colour, width);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const qreal dot = 0.095 * height;
    p.drawEllipse(QPointF(c.x(), c.y() + 0.5 * height - dot), dot, dot);
}

// ----------------------------------------------------------------------------------------------
// Pages, tables and things on the desk

QPainterPath pageShape(const QRectF& r, qreal fold)
{
    QPainterPath page(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    return page;
}

QPainterPath foldedCornerShape(const QRectF& r, qreal fold)
{
    QPainterPath corner(QPointF(r.right() - fold, r.top()));
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    return corner;
}

void paintPage(QPainter& p, const QRectF& r, qreal fold, int lines, const QColor& cornerColour)
{
    p.setPen(roundPen(kOutline, 1.0));
    p.setBrush(verticalGradient(r, kWhite, QColor(216, 227, 240)));
    p.drawPath(pageShape(r, fold));

    p.setBrush(cornerColour);
    p.drawPath(foldedCornerShape(r, fold));

    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + fold + 3 + i * 3.6;
        const qreal end = (i == lines - 1) ? r.center().x() : r.right() - 3.5;
        strokeLine(p, segment({r.left() + 3.5, y}, {end, y}), QColor(112, 140, 176), 1.3);
    }
}

void paintPencil(QPainter& p, QPointF tail, QPointF tip)
{
    const QLineF line(tail, tip);
    const qreal length = line.length();
    const qreal half = 2.8;
    p.save();
    p.translate(tail);
    p.rotate(-line.angle());
    p.setPen(roundPen(kOutline, 0.9));

    const QRectF body(3.5, -half, length - 10, 2 * half);
    QLinearGradient across(0, -half, 0, half);
    across.setColorAt(0, QColor(255, 214, 90));
    across.setColorAt(0.5, QColor(246, 176, 38));
    across.setColorAt(1, QColor(214, 132, 20));
    p.setBrush(across);
    p.drawRect(body);
    p.setBrush(QColor(236, 130, 150));
    p.drawRoundedRect(QRectF(0, -half, 2.2, 2 * half), 1, 1);
    p.setBrush(kSteel);
    p.drawRect(QRectF(2.2, -half, 1.3, 2 * half));

    QPainterPath wood(QPointF(body.right(), -half));
    wood.lineTo(length, 0);
    wood.lineTo(body.right(), half);
    wood.closeSubpath();
    p.setBrush(QColor(240, 208, 160));
    p.drawPath(wood);
    QPainterPath lead(QPointF(length - 2.4, -0.9));
    lead.lineTo(length, 0);
    lead.lineTo(length - 2.4, 0.9);
    lead.closeSubpath();
    p.setBrush(kOutline);
    p.drawPath(lead);
    p.restore();
}

void paintTable(QPainter& p, const QRectF& r, int columns, int rows, const QColor& headerColour)
{
    QPainterPath sheet;
    sheet.addRoundedRect(r, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(r, kWhite, QColor(222, 232, 243)));
    p.drawPath(sheet);

    const qreal rowHeight = r.height() / rows;
    p.save();
    p.setClipPath(sheet);
    const QRectF header(r.left(), r.top(), r.width(), rowHeight);
    p.setBrush(verticalGradient(header, headerColour.lighter(135), headerColour));
    p.drawRect(header);
    p.restore();

    const QColor grid(140, 162, 192);
    for (int c = 1; c < columns; ++c) {
        const qreal x = r.left() + c * r.width() / columns;
        strokeLine(p, segment({x, r.top() + rowHeight}, {x, r.bottom()}), grid, 0.9);
    }
    for (int row = 1; row < rows; ++row) {
        const qreal y = r.top() + row * rowHeight;
        strokeLine(p, segment({r.left(), y}, {r.right(), y}), grid, 0.9);
    }
    p.setPen(roundPen(kOutline, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(sheet);
}

QPainterPath keyShape()
{
    QPainterPath ring;
    ring.addEllipse(QPointF(0, 0), 6.5, 6.5);
    QPainterPath shaft;
    shaft.addRoundedRect(QRectF(4, -2, 18, 4), 1, 1);
    QPainterPath bit(QPointF(13, 1));
    bit.lineTo(13, 6.2);
    bit.lineTo(15.8, 6.2);
    bit.lineTo(15.8, 4.2);
    bit.lineTo(18, 4.2);
    bit.lineTo(18, 6.2);
    bit.lineTo(21, 6.2);
    bit.lineTo(21, 1);
    bit.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(-2.2, 0), 2.3, 2.3);
    return ring.united(shaft).united(bit).subtracted(hole);
}

// ----------------------------------------------------------------------------------------------
// Icons shared by several windows: disk, magnifier, archive, book, door

void drawDiskIcon(QPainter& p)
{
    QPainterPath case_(QPointF(3.5, 5));
    case_.quadTo(3.5, 3.5, 5, 3.5);
    case_.lineTo(24.5, 3.5);
    case_.lineTo(28.5, 7.5);
    case_.lineTo(28.5, 27);
    case_.quadTo(28.5, 28.5, 27, 28.5);
    case_.lineTo(5, 28.5);
    case_.quadTo(3.5, 28.5, 3.5, 27);
    case_.closeSubpath();
    paintBody(p, case_, kBlue);

    QPainterPath shutter;
    shutter.addRect(QRectF(9, 3.5, 14, 9));
    paintBody(p, shutter, kSteel, 0.9);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue.darker(150));
    p.drawRect(QRectF(17.5, 5.3, 3, 5.4));

    const QRectF label(7, 16, 18, 12.5);
    p.setPen(roundPen(kOutline, 0.9));
    p.setBrush(verticalGradient(label, kWhite, QColor(226, 234, 244)));
    p.drawRoundedRect(label, 1.2, 1.2);
    for (const qreal y : {20.0, 24.0}) {
        strokeLine(p, segment({10, y}, {22, y}), QColor(120, 146, 180), 1.2);
    }
}

void drawMagnifierIcon(QPainter& p)
{
    paintBody(p, widened(segment({19.5, 19.5}, {27.5, 27.5}), 5.2), QColor(70, 80, 110));

    const QPointF centre(13, 13);
    QRadialGradient glass(QPointF(10.5, 10), 11);
    glass.setColorAt(0, QColor(250, 253, 255, 235));
    glass.setColorAt(1, QColor(150, 200, 240, 220));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(centre, 8.5, 8.5);
    strokeLine(p, arc(centre, 5.6, 100, 70), QColor(255, 255, 255, 230), 1.6);

    QPainterPath rim;
    rim.addEllipse(centre, 8.5, 8.5);
    paintBody(p, widened(rim, 3.0), kSteel.darker(110), 0.9);
}

void paintArchiveBox(QPainter& p)
{
    const QColor cardboard(206, 150, 86);
    QPainterPath box;
    box.addRect(QRectF(5.5, 16.5, 21, 12.5));
    paintBody(p, box, cardboard);
    QPainterPath lid;
    lid.addRoundedRect(QRectF(3.5, 12, 25, 5.5), 1, 1);
    paintBody(p, lid, cardboard.lighter(110));
    QPainterPath grip;
    grip.addRoundedRect(QRectF(12.5, 20, 7, 2.6), 1.3, 1.3);
    p.setPen(Qt::NoPen);
    p.setBrush(cardboard.darker(190));
    p.drawPath(grip);
}

void drawArchiveIcon(QPainter& p)
{
    paintArchiveBox(p);
    paintBody(p, arrowShape(QPointF(16, 1.5), QPointF(16, 17), 5, 12, 7), kGreen);
}

void drawBookIcon(QPainter& p)
{
    const QRectF pages(7.5, 4.5, 19, 25);
    p.setPen(roundPen(kOutline, 0.9));
    p.setBrush(QColor(248, 246, 238));
    p.drawRoundedRect(pages, 1.5, 1.5);

    QPainterPath cover;
    cover.addRoundedRect(QRectF(5, 2.5, 19.5, 24.5), 1.8, 1.8);
    paintBody(p, cover, QColor(46, 98, 176));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 66, 126));
    p.drawRoundedRect(QRectF(5.5, 3, 3.5, 23.5), 1.2, 1.2);

    paintQuestionMark(p, QPointF(16.5, 14.8), 14, kWhite);
}

void drawDoorIcon(QPainter& p)
{
    const QRectF frame(4.5, 3.5, 15, 25);
    p.setPen(roundPen(kOutline, 1.1));
    p.setBrush(verticalGradient(frame, QColor(60, 68, 92), QColor(28, 34, 50)));
    p.drawRect(frame);

    // The leaf swings towards us on its left hinge.
    QPainterPath leaf(QPointF(4.5, 3.5));
    leaf.lineTo(12.5, 6.5);
    leaf.lineTo(12.5, 30.5);
    leaf.lineTo(4.5, 28.5);
    leaf.closeSubpath();
    paintBody(p, leaf, QColor(176, 114, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(10.8, 18), 1.1, 1.1);

    paintBody(p, arrowShape(QPointF(14, 16), QPointF(30.5, 16), 4.6, 11, 7), kRed);
}

QImage renderIcon(const Icon& icon)
{
    QImage image(icon.size, icon.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(icon.size / kIconGrid, icon.size / kIconGrid);
    icon.draw(p);
    return image;
}

// ----------------------------------------------------------------------------------------------
// Skies, backgrounds and the emblem

void paintSoftGlow(QPainter& p, QPointF centre, qreal radius, const QColor& colour)
{
    QRadialGradient glow(centre, radius);
    QColor clear = colour;
    clear.setAlpha(0);
    glow.setColorAt(0, colour);
    glow.setColorAt(1, clear);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, radius, radius);
}

void paintWave(QPainter& p, const QSizeF& size, qreal y, qreal amplitude, qreal thickness,
               qreal phase, const QColor& colour)
{
    const auto waveY = [&](qreal x, qreal offset) {
        return y + offset + amplitude * std::sin(phase + x / size.width() * 2 * std::numbers::pi);
    };
    QPainterPath band(QPointF(0, waveY(0, 0)));
    constexpr int kSteps = 48;
    for (int i = 1; i <= kSteps; ++i) {
        const qreal x = size.width() * i / kSteps;
        band.lineTo(x, waveY(x, 0));
    }
    for (int i = kSteps; i >= 0; --i) {
        const qreal x = size.width() * i / kSteps;
        band.lineTo(x, waveY(x * 0.9 + size.width() * 0.05, thickness));
    }
    band.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(band);
}

void paintCloud(QPainter& p, QPointF at, qreal scale, int alpha)
{
    QPainterPath cloud;
    cloud.addEllipse(at, 22 * scale, 9 * scale);
    cloud.addEllipse(at + QPointF(-9, -6) * scale, 11 * scale, 9 * scale);
    cloud.addEllipse(at + QPointF(7, -8) * scale, 13 * scale, 11 * scale);
    cloud.setFillRule(Qt::WindingFill);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, alpha));
    p.drawPath(cloud.simplified());
}

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

void paintEmblem(QPainter& p, QPointF topCentre, qreal height)
{
    // Drawn at its full height of 94, the shield's tip at the origin.
    p.save();
    p.translate(topCentre);
    p.scale(height / 94, height / 94);

    QPainterPath shield(QPointF(0, 0));
    shield.quadTo(16, 8, 34, 6);
    shield.cubicTo(36, 38, 27, 71, 0, 94);
    shield.cubicTo(-27, 71, -36, 38, -34, 6);
    shield.quadTo(-16, 8, 0, 0);

    for (int i = 4; i >= 1; --i) {
        p.setPen(roundPen(QColor(10, 30, 70, 22), 2.0 * i));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shield.translated(1.5, 2.5));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(verticalGradient(shield.boundingRect(), QColor(40, 88, 168), QColor(14, 38, 92)));
    p.drawPath(shield);

    p.save();
    p.setClipPath(shield, Qt::IntersectClip);
    QPainterPath sail(QPointF(-27, 12));
    sail.cubicTo(11, 14, 37, 44, 23, 88);
    sail.cubicTo(19, 58, 3, 32, -27, 12);
    p.setBrush(verticalGradient(sail.boundingRect(), QColor(255, 255, 255, 200),
                                QColor(190, 220, 250, 120)));
    p.drawPath(sail);
    QPainterPath veil(QPointF(-33, 32));
    veil.cubicTo(-7, 38, 7, 62, 1, 96);
    veil.cubicTo(-7, 70, -17, 48, -33, 32);
    p.setBrush(verticalGradient(veil.boundingRect(), QColor(255, 255, 255, 120),
                                QColor(170, 205, 245, 60)));
    p.drawPath(veil);
    p.setBrush(verticalGradient(QRectF(-45, -8, 90, 50), QColor(255, 255, 255, 70),
                                QColor(255, 255, 255, 0)));
    p.drawRect(QRectF(-45, -8, 90, 48));
    p.restore();

    p.setPen(roundPen(QColor(246, 206, 96), 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shield);

    QPainterPath keyhole;
    keyhole.addEllipse(QPointF(0, 40), 8, 8);
    QPainterPath slot(QPointF(-4.5, 44));
    slot.lineTo(-7.5, 64);
    slot.lineTo(7.5, 64);
    slot.lineTo(4.5, 44);
    slot.closeSubpath();
    keyhole = keyhole.united(slot);
    p.setPen(roundPen(QColor(150, 100, 10), 1.2));
    p.setBrush(
        verticalGradient(keyhole.boundingRect(), QColor(255, 230, 140), QColor(220, 160, 30)));
    p.drawPath(keyhole);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(14, 38, 92));
    QPainterPath inner;
    inner.addEllipse(QPointF(0, 40), 3.6, 3.6);
    QPainterPath innerSlot(QPointF(-1.5, 42));
    innerSlot.lineTo(-3, 58);
    innerSlot.lineTo(3, 58);
    innerSlot.lineTo(1.5, 42);
    innerSlot.closeSubpath();
    p.drawPath(inner.united(innerSlot));
    p.restore();
}

// ----------------------------------------------------------------------------------------------
// Motifs of the smaller windows: veils, sparkles and fading rules

qreal fraction(qreal x)
{
    return x - std::floor(x);
}

QPointF scatter(int i, const QRectF& area)
{
    constexpr qreal kStepX = 0.7548776662466927;
    constexpr qreal kStepY = 0.5698402909980532;
    return {area.left() + area.width() * fraction(0.5 + i * kStepX),
            area.top() + area.height() * fraction(0.5 + i * kStepY)};
}

QPainterPath veilShape(QPointF from, QPointF to, qreal bulge, qreal thickness)
{
    const QPointF third = (to - from) / 3;
    const QLineF normal = QLineF(from, to).normalVector().unitVector();
    const QPointF side = normal.p2() - normal.p1();
    // A cubic whose two handles stand out equally reaches three quarters of the way to them.
    const QPointF outer = side * bulge;
    const QPointF inner = side * (bulge - thickness * 4 / 3);
    QPainterPath veil(from);
    veil.cubicTo(from + third + outer, to - third + outer, to);
    veil.cubicTo(to - third + inner, from + third + inner, from);
    return veil;
}

void fillShape(QPainter& p, const QPainterPath& shape, const QBrush& brush)
{
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawPath(shape);
}

void paintSparkles(QPainter& p, const QRectF& area, int count, qreal size, int alpha)
{
    for (int i = 0; i < count; ++i) {
        fillShape(p, sparkleShape(scatter(i, area), size * (0.6 + 0.2 * (i % 3))),
                  QColor(255, 255, 255, alpha));
    }
}

namespace {

QColor withAlpha(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

} // namespace

void paintFadingRule(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width)
{
    QLinearGradient fade(from, to);
    fade.setColorAt(0, withAlpha(colour, 0));
    fade.setColorAt(0.3, colour);
    fade.setColorAt(0.7, colour);
    fade.setColorAt(1, withAlpha(colour, 0));
    p.setPen(QPen(QBrush(fade), width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from, to);
}

QImage transparentCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace velarium::artwork
