// Draws the program's icon, a yellow bell on a red disc, as the scalable
// SVG and as PNGs of the usual sizes, from one description of its shapes,
// so every size shows the same bell.
//
// Usage: make_icons OUTDIR  -> OUTDIR/scalable/apps/nearbell.svg and
//                              OUTDIR/<n>x<n>/apps/nearbell.png

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

// One shape on a 256 x 256 canvas: an SVG path with fill and outline.
struct Shape
{
    const char *path;
    const char *fill;
    const char *stroke;
    double strokeWidth;
};

const Shape kShapes[] = {
    // the disc
    {"M 128 6 C 195.4 6 250 60.6 250 128 C 250 195.4 195.4 250 128 250 C 60.6 250 6 195.4 6 128 "
     "C 6 60.6 60.6 6 128 6 Z",
     "#cc1f1f", "#7a0e0e", 8},
    // the clapper, behind the bell
    {"M 128 186 C 138 186 146 194 146 204 C 146 214 138 222 128 222 C 118 222 110 214 110 204 "
     "C 110 194 118 186 128 186 Z",
     "#ffd21f", "#6b4200", 6},
    // the bell
    {"M 128 60 C 166 62 176 100 178 150 C 179 168 188 176 200 182 L 200 192 L 56 192 L 56 182 "
     "C 68 176 77 168 78 150 C 80 100 90 62 128 60 Z",
     "#ffd21f", "#6b4200", 6},
    // the knob on top
    {"M 128 38 C 136 38 142 44 142 52 C 142 60 136 66 128 66 C 120 66 114 60 114 52 "
     "C 114 44 120 38 128 38 Z",
     "#ffd21f", "#6b4200", 6},
    // a highlight on the bell's left flank
    {"M 104 96 C 100 112 98 132 98 156 L 108 156 C 108 132 110 114 114 100 Z", "#fff3b0", "none", 0},
};

QPainterPath toPainterPath(const char *text)
{
    const QStringList tokens = QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
    QPainterPath path;
    qsizetype i = 0;
    auto number = [&] { return tokens.at(i++).toDouble(); };
    while (i < tokens.size()) {
        const QString command = tokens.at(i++);
        if (command == QLatin1String("M")) {
            const double x = number();
            path.moveTo(x, number());
        } else if (command == QLatin1String("L")) {
            const double x = number();
            path.lineTo(x, number());
        } else if (command == QLatin1String("C")) {
            const double x1 = number(), y1 = number(), x2 = number(), y2 = number(), x = number();
            path.cubicTo(x1, y1, x2, y2, x, number());
        } else if (command == QLatin1String("Z")) {
            path.closeSubpath();
        }
    }
    return path;
}

bool writeSvg(const QString &file)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream svg(&out);
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
           "  <title>Nearbell</title>\n";
    for (const Shape &shape : kShapes) {
        svg << "  <path d=\"" << shape.path << "\" fill=\"" << shape.fill << "\"";
        if (shape.strokeWidth > 0)
            svg << " stroke=\"" << shape.stroke << "\" stroke-width=\"" << shape.strokeWidth
                << "\" stroke-linejoin=\"round\"";
        svg << "/>\n";
    }
    svg << "</svg>\n";
    return svg.status() == QTextStream::Ok;
}

bool writePng(const QString &file, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    for (const Shape &shape : kShapes) {
        painter.setBrush(QColor(QString::fromLatin1(shape.fill)));
        if (shape.strokeWidth > 0) {
            // Small sizes keep a visible outline of at least one pixel.
            QPen pen(QColor(QString::fromLatin1(shape.stroke)), std::max(shape.strokeWidth, 256.0 / size));
            pen.setJoinStyle(Qt::RoundJoin);
            painter.setPen(pen);
        } else {
            painter.setPen(Qt::NoPen);
        }
        painter.drawPath(toPainterPath(shape.path));
    }
    painter.end();
    return image.save(file, "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: make_icons OUTDIR\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = out.mkpath(QStringLiteral("scalable/apps"))
              && writeSvg(out.filePath(QStringLiteral("scalable/apps/nearbell.svg")));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        ok = ok && out.mkpath(folder) && writePng(out.filePath(folder + QStringLiteral("/nearbell.png")), size);
    }
    if (!ok) {
        std::fprintf(stderr, "make_icons: cannot write the icons below %s\n", argv[1]);
        return 1;
    }
    return 0;
}
