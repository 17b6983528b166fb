#pragma once

#include <QImage>
#include <QLineF>
#include <QRect>
#include <QRgb>

class QPainter;

namespace nearbell {

// A transparent layer of the drawing area into which thin lines and small
// squares are written pixel by pixel, then drawn at once. A thousand
// course arrows or twenty thousand track segments cost a few additions
// per pixel this way, not a painter call with its set-up each.
//
// Responsibilities:
//  - keep one image of the area, cleared only where it was written;
//  - write antialiased lines one pixel wide (Wu's method) and filled
//    squares, blended over what is there, clipped to the image however
//    far outside it they reach;
//  - draw the written part onto a painter.
//
// Coordinates are the painter's logical pixels; the layer scales them by
// the device ratio it was begun with.
class PixelLayer
{
public:
    // Starts a new picture of this many logical pixels.
    void begin(const QSize &size, qreal ratio);
    // A line of a premultiplied colour (qPremultiply), translucent or not.
    void line(const QLineF &line, QRgb colour);
    // A square of side device pixels around a point, in an opaque colour.
    void square(const QPointF &centre, int side, QRgb colour);
    void drawOnto(QPainter &painter) const;

    const QImage &image() const { return m_image; }
    // The device pixels written since begin.
    QRect written() const { return m_written; }

private:
    // Blends colour scaled by coverage (0 to 256) into one pixel, if it is in the image.
    void blend(int x, int y, QRgb colour, int coverage);
    QRgb *row(int y) const { return m_pixels + y * m_stride; }
    // Adds device pixels (inclusive) to those written.
    void grow(int left, int top, int right, int bottom);

    static constexpr int kOffset = 1 << 16;

    QImage m_image;
    QRgb *m_pixels = nullptr;
    qsizetype m_stride = 0;
    int m_width = 0;
    int m_height = 0;
    QRect m_written;
    qreal m_ratio = 1.0;
};

} // namespace nearbell
