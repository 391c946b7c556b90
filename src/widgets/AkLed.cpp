#include "widgets/AkLed.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <cmath>
#include <numbers>

namespace {

constexpr double fullTurn = 2.0 * std::numbers::pi;

double degrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}

QPointF pointOnCircle(const QPointF &centre, double radius, double angle)
{
    return {centre.x() + radius * std::cos(angle), centre.y() - radius * std::sin(angle)};
}

// Pens are drawn as filled outlines so that the aliased rasteriser covers exactly the
// pixels whose centres lie on the line; a plain pen leaves lopsided small circles.
void strokePath(QPainter &painter, const QPainterPath &path, const QColor &colour, double width)
{
    if (width <= 0.0)
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    painter.fillPath(stroker.createStroke(path), colour);
}

// An arc counterclockwise from |start| to |end|; a negative angle also draws a line from
// the centre to that end of the arc.
void drawArc(QPainter &painter, const QPointF &centre, double radius, double start, double end,
             const QColor &colour, double width)
{
    if (radius <= 0.0)
        return;
    const double from = std::abs(start);
    const double to = std::abs(end);
    double span = to - from;
    if (span <= 0.0)
        span += fullTurn;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2.0 * radius, 2.0 * radius);
    QPainterPath path;
    path.arcMoveTo(box, degrees(from));
    path.arcTo(box, degrees(from), degrees(span));
    if (start < 0.0) {
        path.moveTo(centre);
        path.lineTo(pointOnCircle(centre, radius, from));
    }
    if (end < 0.0) {
        path.moveTo(centre);
        path.lineTo(pointOnCircle(centre, radius, to));
    }
    strokePath(painter, path, colour, width);
}

void drawDisc(QPainter &painter, const QPointF &centre, double radius, const QColor &colour,
              double outlineWidth)
{
    if (radius <= 0.0)
        return;
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    painter.fillPath(path, colour);
    strokePath(painter, path, colour, outlineWidth);
}

QPalette::ColorRole roleForSystemColour(quint32 index)
{
    switch (index) {
    case 2: case 13: return QPalette::Highlight;
    case 5: return QPalette::Base;
    case 6: case 16: return QPalette::Dark;
    case 7: case 8: return QPalette::WindowText;
    case 9: case 14: return QPalette::HighlightedText;
    case 17: return QPalette::PlaceholderText;
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;
    case 21: return QPalette::Shadow;
    case 22: return QPalette::Midlight;
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    case 26: return QPalette::Link;
    case 15: return QPalette::Button;
    default: return QPalette::Window;
    }
}

}

AkLed::AkLed(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
    refresh();
}

void AkLed::setBackColor(quint32 colour)
{
    m_backColor = colour;
    refresh();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void AkLed::setBorderSize(qint16 size)
{
    m_borderSize = size;
    draw(false);
    emit propertyChanged(QStringLiteral("BorderSize"));
}

void AkLed::setLedColour(quint32 colour)
{
    m_ledColour = colour;
    draw(true);
    emit propertyChanged(QStringLiteral("LED_Colour"));
}

void AkLed::setRadius(float radius)
{
    m_radius = radius;
    draw(false);
    emit propertyChanged(QStringLiteral("Radius"));
}

void AkLed::refresh()
{
    draw(false);
}

void AkLed::readProperties(const QVariantMap &bag)
{
    m_backColor = static_cast<quint32>(bag.value(QStringLiteral("BackColor"), defaultBackColor).toLongLong());
    m_scaleMode = static_cast<qint16>(bag.value(QStringLiteral("ScaleMode"), defaultScaleMode).toInt());
    m_borderSize = static_cast<qint16>(bag.value(QStringLiteral("BorderSize"), defaultBorderSize).toInt());
    m_ledColour = static_cast<quint32>(bag.value(QStringLiteral("LED_Colour"), defaultLedColour).toLongLong());
    m_radius = bag.value(QStringLiteral("Radius"), defaultRadius).toFloat();
    refresh();
}

void AkLed::writeProperties(QVariantMap &bag) const
{
    const auto store = [&bag](const char *name, const QVariant &value, const QVariant &fallback) {
        if (value != fallback)
            bag.insert(QString::fromLatin1(name), value);
    };
    store("BackColor", m_backColor, defaultBackColor);
    store("ScaleMode", m_scaleMode, defaultScaleMode);
    store("BorderSize", m_borderSize, defaultBorderSize);
    store("LED_Colour", m_ledColour, defaultLedColour);
    store("Radius", m_radius, defaultRadius);
}

QColor AkLed::colourFromValue(quint32 value, const QPalette &palette)
{
    if (value & systemColourFlag)
        return palette.color(QPalette::Active, roleForSystemColour(value & 0xFFu));
    return QColor(int(value & 0xFFu), int((value >> 8) & 0xFFu), int((value >> 16) & 0xFFu));
}

QSize AkLed::sizeHint() const
{
    return {17, 17};
}

void AkLed::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface);
}

void AkLed::resizeEvent(QResizeEvent *)
{
    refresh();
}

void AkLed::draw(bool lampOnly)
{
    if (m_surface.size() != size()) {
        m_surface = QImage(size(), QImage::Format_RGB32);
        lampOnly = false;
    }
    m_scaleMode = pixelScaleMode;
    QPainter painter(&m_surface);
    // The lamp is centred on the pixel (Radius, Radius), whose centre is half a pixel in.
    const QPointF centre(double(m_radius) + 0.5, double(m_radius) + 0.5);
    if (!lampOnly)
        drawRing(painter, centre);
    drawLamp(painter, centre);
    update();
}

void AkLed::drawRing(QPainter &painter, const QPointF &centre)
{
    painter.fillRect(m_surface.rect(), colour(m_backColor));
    const double width = m_borderSize;
    drawArc(painter, centre, m_radius, 1.0, -4.0, colour(darkShadow3d), width);
    drawArc(painter, centre, m_radius, -4.0, 1.0, colour(highlight3d), width);
}

void AkLed::drawLamp(QPainter &painter, const QPointF &centre)
{
    const QColor lamp = colour(m_ledColour);
    const float discRadius = m_radius - float(m_borderSize);
    const float glintRadius = discRadius * 0.5f;
    const float innerRadius = glintRadius - 1.0f;
    drawDisc(painter, centre, discRadius, lamp, m_borderSize);
    drawArc(painter, centre, glintRadius, -1.5, -3.0, colour(white), 2.0);
    drawDisc(painter, centre, innerRadius, lamp, 2.0);
}

QColor AkLed::colour(quint32 value) const
{
    return colourFromValue(value, palette());
}
