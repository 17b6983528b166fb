#include "ui/PixelLayer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace nearbell {

namespace {

// Every channel of a premultiplied pixel times scale / 256 (scale 0-256).
inline QRgb scaled(QRgb pixel, uint scale)
{
    const uint redBlue = (((pixel & 0x00ff00ffu) * scale) >> 8) & 0x00ff00ffu;
    const uint alphaGreen = (((pixel >> 8) & 0x00ff00ffu) * scale) & 0xff00ff00u;
    return redBlue | alphaGreen;
}

// Colour scaled by coverage (0 to 256) over the pixel.
inline void mix(QRgb &pixel, QRgb colour, int coverage)
{
    if (coverage <= 0)
        return;
    const QRgb source = scaled(colour, uint(coverage));
    pixel = source + scaled(pixel, 256u - qAlpha(source));
}

} // namespace

void PixelLayer::begin(const QSize &size, qreal ratio)
{
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    if (m_image.size() != pixels || m_ratio != ratio) {
        m_image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_image.setDevicePixelRatio(ratio);
        m_image.fill(Qt::transparent);
        m_written = QRect(); // those pixels were in the old image
    }
    // Taken once: the image is not shared while it is written.
    m_pixels = reinterpret_cast<QRgb *>(m_image.bits());
    m_stride = m_image.bytesPerLine() / qsizetype(sizeof(QRgb));
    m_width = m_image.width();
    m_height = m_image.height();
    for (int y = m_written.top(); y <= m_written.bottom(); ++y)
        std::fill(row(y) + m_written.left(), row(y) + m_written.right() + 1, QRgb(0));
    m_ratio = ratio;
    m_written = QRect();
}

inline void PixelLayer::blend(int x, int y, QRgb colour, int coverage)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    mix(row(y)[x], colour, coverage);
}

void PixelLayer::line(const QLineF &line, QRgb colour)
{
    double x0 = line.x1() * m_ratio, y0 = line.y1() * m_ratio;
    double x1 = line.x2() * m_ratio, y1 = line.y2() * m_ratio;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1) || !m_pixels)
        return;
    // Walk the longer axis a pixel at a time; across it the line covers
    // two pixels in the parts of its distance from their centres.
    const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
    if (steep) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int along = steep ? m_height : m_width;
    const int across = steep ? m_width : m_height;
    const double length = x1 - x0;
    const double gradient = length > 0.0 ? (y1 - y0) / length : 0.0;
    // The pixels whose centres the line passes, only those in the image.
    double first = std::ceil(x0 - 0.5);
    double last = std::floor(x1 - 0.5);
    int strength = 256;
    if (first > last) { // shorter than a pixel: one dot, as faint as it is short
        first = last = std::floor((x0 + x1) / 2.0);
        strength = int(256.0 * std::max(length, 0.25));
    }
    const int from = int(std::max(first, 0.0));
    const int to = int(std::min(last, double(along - 1)));
    if (from > to)
        return;
    const double yFrom = y0 + gradient * (from + 0.5 - x0) - 0.5;
    const double yTo = y0 + gradient * (to + 0.5 - x0) - 0.5;
    const double low = std::floor(std::min(yFrom, yTo));
    const double high = std::floor(std::max(yFrom, yTo)) + 1.0;
    if (high < 0.0 || low > double(across - 1))
        return;
    const QRect box(from, int(std::max(low, 0.0)), to - from + 1,
                    int(std::min(high, double(across - 1)) - std::max(low, 0.0)) + 1);
    if (steep)
        grow(box.top(), box.left(), box.bottom(), box.right());
    else
        grow(box.left(), box.top(), box.right(), box.bottom());
    // The crossing in sixteenths of sixteenths of a pixel, stepped along.
    const qint64 step = std::llround(gradient * 65536.0);
    qint64 y = std::llround(yFrom * 65536.0);
    // A pixel clear of the edges (the stepping may drift a little past
    // the ends' rows): every pixel is inside, no test per pixel.
    if (low >= 1.0 && high <= double(across - 2)) {
        for (int i = from; i <= to; ++i, y += step) {
            const int j = int(y >> 16);
            const int upper = ((256 - int((y >> 8) & 0xff)) * strength) >> 8;
            QRgb *pixel = steep ? row(i) + j : row(j) + i;
            mix(pixel[0], colour, upper);
            mix(pixel[steep ? 1 : m_stride], colour, strength - upper);
        }
        return;
    }
    for (int i = from; i <= to; ++i, y += step) {
        const qint64 j = y >> 16; // rounds down, below zero too
        const int upper = ((256 - int((y >> 8) & 0xff)) * strength) >> 8;
        if (steep) {
            blend(int(j), i, colour, upper);
            blend(int(j) + 1, i, colour, strength - upper);
        } else {
            blend(i, int(j), colour, upper);
            blend(i, int(j) + 1, colour, strength - upper);
        }
    }
}

void PixelLayer::square(const QPointF &centre, int side, QRgb colour)
{
    const double x = centre.x() * m_ratio, y = centre.y() * m_ratio;
    // Wholly outside, or no number at all: nothing to write.
    if (!(side > 0 && x > -side && y > -side && x < m_width + side && y < m_height + side) || !m_pixels)
        return;
    // Rounded down by way of a positive number: cheaper than floor.
    const int left = int(x + kOffset) - kOffset - side / 2;
    const int top = int(y + kOffset) - kOffset - side / 2;
    const int x0 = std::max(0, left), x1 = std::min(m_width, left + side);
    const int y0 = std::max(0, top), y1 = std::min(m_height, top + side);
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int row = y0; row < y1; ++row)
        std::fill(this->row(row) + x0, this->row(row) + x1, colour);
    grow(x0, y0, x1 - 1, y1 - 1);
}

void PixelLayer::grow(int left, int top, int right, int bottom)
{
    if (m_written.isEmpty()) {
        m_written.setCoords(left, top, right, bottom);
        return;
    }
    m_written.setCoords(std::min(left, m_written.left()), std::min(top, m_written.top()),
                        std::max(right, m_written.right()), std::max(bottom, m_written.bottom()));
}

void PixelLayer::drawOnto(QPainter &painter) const
{
    if (m_written.isEmpty())
        return;
    const QRectF target(QPointF(m_written.topLeft()) / m_ratio, QSizeF(m_written.size()) / m_ratio);
    painter.drawImage(target, m_image, m_written);
}

} // namespace nearbell
