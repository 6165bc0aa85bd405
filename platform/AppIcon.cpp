#include "platform/AppIcon.h"

#include <QPainter>
#include <cstdio>

namespace lemnar {

namespace {

enum class TIconShapeKind { RoundedRect, Rect, Line };

// One shape on the 32 × 32 canvas. Rectangles are left, top, width, height;
// lines run from (A, B) to (C, D). A stroke width of 0 draws no outline, an
// alpha of 0 fills nothing.
struct TIconShape {
    TIconShapeKind Kind;
    double A, B, C, D;
    double Radius;
    QRgb Fill;
    QRgb Stroke;
    double StrokeWidth;
};

constexpr QRgb NoFill = 0;

constexpr TIconShape IconShapes[] = {
    // Monitor frame and screen.
    {TIconShapeKind::RoundedRect, 1, 2, 30, 24, 3, 0xffc8c8c8, 0, 0},
    {TIconShapeKind::Rect, 3, 4, 26, 20, 0, 0xff0000aa, 0, 0},
    {TIconShapeKind::Rect, 12, 26, 8, 3, 0, 0xff787878, 0, 0},
    {TIconShapeKind::Rect, 8, 29, 16, 2, 0, 0xff787878, 0, 0},
    // A double frame line and a prompt in the console's colours.
    {TIconShapeKind::Rect, 5, 6, 22, 16, 0, NoFill, 0xffffff00, 1.2},
    {TIconShapeKind::Line, 8, 10, 12, 13, 0, NoFill, 0xff96dcff, 2},
    {TIconShapeKind::Line, 12, 13, 8, 16, 0, NoFill, 0xff96dcff, 2},
    {TIconShapeKind::Line, 14, 17, 21, 17, 0, NoFill, 0xff96dcff, 2},
};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string Colour(QRgb rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", qRed(rgb), qGreen(rgb), qBlue(rgb));
    return text;
}

// Qt's pens end lines square and join corners bevelled; the SVG says the same.
std::string SvgPaint(const TIconShape& shape) {
    std::string paint = " fill=\"" + (qAlpha(shape.Fill) == 0 ? "none" : Colour(shape.Fill)) + "\"";
    if (shape.StrokeWidth > 0)
        paint += " stroke=\"" + Colour(shape.Stroke) + "\" stroke-width=\"" +
                 Number(shape.StrokeWidth) +
                 "\" stroke-linecap=\"square\" stroke-linejoin=\"bevel\"";
    return paint;
}

std::string SvgElement(const TIconShape& s) {
    switch (s.Kind) {
    case TIconShapeKind::RoundedRect:
    case TIconShapeKind::Rect: {
        std::string element = "<rect x=\"" + Number(s.A) + "\" y=\"" + Number(s.B) + "\" width=\"" +
                              Number(s.C) + "\" height=\"" + Number(s.D) + "\"";
        if (s.Kind == TIconShapeKind::RoundedRect)
            element += " rx=\"" + Number(s.Radius) + "\" ry=\"" + Number(s.Radius) + "\"";
        return element + SvgPaint(s) + "/>";
    }
    case TIconShapeKind::Line:
        return "<line x1=\"" + Number(s.A) + "\" y1=\"" + Number(s.B) + "\" x2=\"" + Number(s.C) +
               "\" y2=\"" + Number(s.D) + "\"" + SvgPaint(s) + "/>";
    }
    return std::string();
}

} // namespace

QPixmap AppIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    for (const TIconShape& shape : IconShapes) {
        if (shape.StrokeWidth > 0)
            p.setPen(QPen(QColor::fromRgba(shape.Stroke), shape.StrokeWidth * s));
        else
            p.setPen(Qt::NoPen);
        if (qAlpha(shape.Fill) != 0)
            p.setBrush(QColor::fromRgba(shape.Fill));
        else
            p.setBrush(Qt::NoBrush);
        switch (shape.Kind) {
        case TIconShapeKind::RoundedRect:
            p.drawRoundedRect(QRectF(shape.A * s, shape.B * s, shape.C * s, shape.D * s),
                              shape.Radius * s, shape.Radius * s);
            break;
        case TIconShapeKind::Rect:
            p.drawRect(QRectF(shape.A * s, shape.B * s, shape.C * s, shape.D * s));
            break;
        case TIconShapeKind::Line:
            p.drawLine(QPointF(shape.A * s, shape.B * s), QPointF(shape.C * s, shape.D * s));
            break;
        }
    }
    return pixmap;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(AppIconPixmap(size));
    return icon;
}

std::string AppIconSvg() {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" "
                      "viewBox=\"0 0 32 32\">\n";
    for (const TIconShape& shape : IconShapes)
        svg += "  " + SvgElement(shape) + "\n";
    return svg + "</svg>\n";
}

} // namespace lemnar
