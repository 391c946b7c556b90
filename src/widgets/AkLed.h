#pragma once

#include <QImage>
#include <QVariantMap>
#include <QWidget>

class QPainter;
class QPainterPath;
class QPointF;

// A circular indicator lamp: a sunken ring, a disc in the lamp colour and a white glint.
//
// Colours are 32-bit values with red in the low byte; 0x80000000 + index names a system
// colour, which is taken from the widget's palette. Drawing goes to a surface that keeps
// the last picture, so a colour change repaints only the lamp over the ring it leaves.
class AkLed : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(quint32 BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(qint16 BorderSize READ borderSize WRITE setBorderSize)
    Q_PROPERTY(quint32 LED_Colour READ ledColour WRITE setLedColour)
    Q_PROPERTY(float Radius READ radius WRITE setRadius)

public:
    static constexpr quint32 systemColourFlag = 0x80000000u;
    static constexpr quint32 buttonFace = systemColourFlag + 15;
    static constexpr quint32 highlight3d = systemColourFlag + 20;
    static constexpr quint32 darkShadow3d = systemColourFlag + 21;
    static constexpr quint32 white = 0x00FFFFFF;
    static constexpr quint32 red = 255;
    static constexpr quint32 green = 65280;
    static constexpr quint32 yellow = 65535;

    static constexpr quint32 defaultBackColor = buttonFace;
    static constexpr qint16 defaultScaleMode = 1;
    static constexpr qint16 pixelScaleMode = 3;
    static constexpr qint16 defaultBorderSize = 1;
    static constexpr quint32 defaultLedColour = red;
    static constexpr float defaultRadius = 7.0f;

    explicit AkLed(QWidget *parent = nullptr);

    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 colour);
    qint16 borderSize() const { return m_borderSize; }
    void setBorderSize(qint16 size);
    quint32 ledColour() const { return m_ledColour; }
    void setLedColour(quint32 colour);
    float radius() const { return m_radius; }
    void setRadius(float radius);
    qint16 scaleMode() const { return m_scaleMode; }

    // Repaints the whole surface.
    void refresh();
    // What the last drawing pass produced.
    const QImage &surface() const { return m_surface; }

    // The stored form: a missing value takes its default.
    void readProperties(const QVariantMap &bag);
    // Values equal to their defaults are left out.
    void writeProperties(QVariantMap &bag) const;

    static QColor colourFromValue(quint32 value, const QPalette &palette);

    QSize sizeHint() const override;

signals:
    // Tells a hosting designer that the stored form changed.
    void propertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void draw(bool lampOnly);
    void drawRing(QPainter &painter, const QPointF &centre);
    void drawLamp(QPainter &painter, const QPointF &centre);
    QColor colour(quint32 value) const;

    quint32 m_backColor = defaultBackColor;
    qint16 m_scaleMode = defaultScaleMode;
    qint16 m_borderSize = defaultBorderSize;
    quint32 m_ledColour = defaultLedColour;
    float m_radius = defaultRadius;
    QImage m_surface;
};
