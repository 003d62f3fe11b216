#include "ContinuityMap.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace continuity {

namespace {

using Stroke = std::vector<QPointF>;
using Glyph = std::vector<Stroke>;

// Strokes in a unit box, x to the right and y downwards, for the sixteen characters a cell name
// can hold. Straight segments only: at 20 pixels high they read as well as a font would.
Glyph glyph(char c) {
    switch (c) {
    case 'A':
        return {{{0, 1}, {0, 0.3}, {0.5, 0}, {1, 0.3}, {1, 1}}, {{0, 0.55}, {1, 0.55}}};
    case 'B':
        return {{{0, 0}, {0, 1}, {0.75, 1}, {1, 0.85}, {1, 0.65}, {0.75, 0.5}, {0, 0.5}},
                {{0, 0}, {0.7, 0}, {0.95, 0.12}, {0.95, 0.38}, {0.7, 0.5}}};
    case 'C':
        return {{{1, 0.15}, {0.8, 0}, {0.2, 0}, {0, 0.2}, {0, 0.8}, {0.2, 1}, {0.8, 1}, {1, 0.85}}};
    case 'D':
        return {{{0, 0}, {0, 1}, {0.6, 1}, {1, 0.7}, {1, 0.3}, {0.6, 0}, {0, 0}}};
    case 'E':
        return {{{1, 0}, {0, 0}, {0, 1}, {1, 1}}, {{0, 0.5}, {0.7, 0.5}}};
    case 'F':
        return {{{1, 0}, {0, 0}, {0, 1}}, {{0, 0.5}, {0.7, 0.5}}};
    case 'G':
        return {{{1, 0.15},
                 {0.8, 0},
                 {0.2, 0},
                 {0, 0.2},
                 {0, 0.8},
                 {0.2, 1},
                 {0.8, 1},
                 {1, 0.8},
                 {1, 0.55},
                 {0.55, 0.55}}};
    case 'H':
        return {{{0, 0}, {0, 1}}, {{1, 0}, {1, 1}}, {{0, 0.5}, {1, 0.5}}};
    case '1':
        return {{{0.2, 0.2}, {0.55, 0}, {0.55, 1}}, {{0.2, 1}, {0.9, 1}}};
    case '2':
        return {{{0, 0.2}, {0.2, 0}, {0.8, 0}, {1, 0.2}, {1, 0.4}, {0, 1}, {1, 1}}};
    case '3':
        return {{{0, 0.1}, {0.2, 0}, {0.8, 0}, {1, 0.15}, {1, 0.35}, {0.8, 0.5}, {0.3, 0.5}},
                {{0.8, 0.5}, {1, 0.65}, {1, 0.85}, {0.8, 1}, {0.2, 1}, {0, 0.9}}};
    case '4':
        return {{{0.75, 1}, {0.75, 0}, {0, 0.7}, {1, 0.7}}};
    case '5':
        return {{{1, 0}, {0, 0}, {0, 0.45}, {0.7, 0.45}, {1, 0.6}, {1, 0.85}, {0.8, 1}, {0, 1}}};
    case '6':
        return {{{0.9, 0},
                 {0.3, 0},
                 {0, 0.3},
                 {0, 0.85},
                 {0.15, 1},
                 {0.85, 1},
                 {1, 0.85},
                 {1, 0.6},
                 {0.85, 0.45},
                 {0, 0.45}}};
    case '7':
        return {{{0, 0}, {1, 0}, {0.35, 1}}};
    case '8':
        return {{{0.2, 0},
                 {0.8, 0},
                 {1, 0.12},
                 {1, 0.35},
                 {0.8, 0.5},
                 {0.2, 0.5},
                 {0, 0.35},
                 {0, 0.12},
                 {0.2, 0}},
                {{0.2, 0.5},
                 {0, 0.65},
                 {0, 0.88},
                 {0.2, 1},
                 {0.8, 1},
                 {1, 0.88},
                 {1, 0.65},
                 {0.8, 0.5}}};
    default:
        return {};
    }
}

// Draws `text` with its top-left corner at `origin`, each character `height` high.
void drawLabel(QPainter& painter, const char* text, QPointF origin, double height) {
    const double width = height * 0.6;
    const double advance = width + height * 0.3;
    for (const char* c = text; *c != '\0'; ++c) {
        for (const Stroke& stroke : glyph(*c)) {
            QPolygonF line;
            for (const QPointF& point : stroke) {
                line << origin + QPointF(point.x() * width, point.y() * height);
            }
            painter.drawPolyline(line);
        }
        origin.rx() += advance;
    }
}

// Cell edges in pixels: cell i spans [edge(i), edge(i + 1)), also when size is no multiple of 8.
int edge(int index, int size) {
    return index * size / GridCells;
}

} // namespace

QColor cellColour(int column, int row) {
    return QColor::fromHsvF(column * 45.0 / 360.0, 0.8, 1.0 - 0.08 * row);
}

QImage drawContinuityMap(int size) {
    QImage image(size, size, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int row = 0; row < GridCells; ++row) {
        for (int column = 0; column < GridCells; ++column) {
            const QRect cell(QPoint(edge(column, size), edge(row, size)),
                             QPoint(edge(column + 1, size) - 1, edge(row + 1, size) - 1));
            const QColor fill = cellColour(column, row);
            painter.fillRect(cell, fill);
            // Dark on light cells, light on dark ones.
            const QColor ink =
                fill.lightnessF() > 0.45 ? QColor(20, 20, 20) : QColor(245, 245, 245);
            const double height = std::max(6.0, cell.height() / 6.0);
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(
                QPen(ink, std::max(1.0, height / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const char name[3] = {static_cast<char>('A' + column), static_cast<char>('1' + row), 0};
            drawLabel(painter, name, QPointF(cell.left() + height * 0.5, cell.top() + height * 0.5),
                      height);
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
    }
    // Grid lines on every cell edge, the outer border included, whole pixels wide.
    const int thickness = std::max(1, size / 512);
    const QColor lineColour(32, 32, 32);
    for (int i = 0; i <= GridCells; ++i) {
        const int at = std::min(edge(i, size), size - thickness);
        painter.fillRect(QRect(at, 0, thickness, size), lineColour);
        painter.fillRect(QRect(0, at, size, thickness), lineColour);
    }
    painter.end();
    return image;
}

} // namespace continuity
