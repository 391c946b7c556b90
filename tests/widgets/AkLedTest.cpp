#include "widgets/AkLed.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

// Colours compared as plain RGB: palette colours may carry another colour spec.
QColor at(const AkLed &led, int x, int y)
{
    return QColor::fromRgb(led.surface().pixel(x, y));
}

QColor system(const AkLed &led, quint32 value)
{
    return QColor::fromRgb(AkLed::colourFromValue(value, led.palette()).rgb());
}

}

class AkLedTest : public QObject
{
    Q_OBJECT

private slots:
    void newInstanceDefaults();
    void defaultPicture();
    void otherRadiiAndBorders_data();
    void otherRadiiAndBorders();
    void colourChangeKeepsRingAndGlint();
    void backColorRepaints();
    void tooSmallRadiusDrawsNoNegativeCircles();
    void colourValues();
    void propertyBagRoundTrip();
    void propertyBagDefaults();
    void propertiesByName();
};

void AkLedTest::newInstanceDefaults()
{
    AkLed led;
    QCOMPARE(led.radius(), 7.0f);
    QCOMPARE(led.borderSize(), qint16(1));
    QCOMPARE(led.ledColour(), 255u);
    QCOMPARE(led.backColor(), 0x8000000Fu);
    QCOMPARE(led.scaleMode(), AkLed::pixelScaleMode);
    QCOMPARE(led.size(), QSize(17, 17));
}

void AkLedTest::defaultPicture()
{
    AkLed led;
    const QColor dark = system(led, AkLed::darkShadow3d);
    const QColor light = system(led, AkLed::highlight3d);
    QVERIFY(dark != light);
    // Ring of radius 7 around pixel (7, 7): dark on the upper left, light on the lower right.
    QCOMPARE(at(led, 0, 7), dark);
    QCOMPARE(at(led, 7, 0), dark);
    QCOMPARE(at(led, 14, 7), light);
    QCOMPARE(at(led, 7, 14), light);
    // Disc of radius 6, inner disc at the centre.
    QCOMPARE(at(led, 7, 7), QColor(Qt::red));
    QCOMPARE(at(led, 1, 7), QColor(Qt::red));
    QCOMPARE(at(led, 13, 7), QColor(Qt::red));
    QCOMPARE(at(led, 10, 10), QColor(Qt::red));
    // White glint at radius 3 on the upper left only.
    QCOMPARE(at(led, 5, 4), QColor(Qt::white));
    QCOMPARE(at(led, 9, 10), QColor(Qt::red));
    // Button-face background outside the ring.
    QCOMPARE(at(led, 0, 0), system(led, AkLed::buttonFace));
    QCOMPARE(at(led, 16, 16), system(led, AkLed::buttonFace));
}

void AkLedTest::otherRadiiAndBorders_data()
{
    QTest::addColumn<float>("radius");
    QTest::addColumn<int>("border");
    QTest::newRow("radius 12") << 12.0f << 1;
    QTest::newRow("radius 20, border 3") << 20.0f << 3;
    QTest::newRow("radius 9, border 2") << 9.0f << 2;
}

void AkLedTest::otherRadiiAndBorders()
{
    QFETCH(float, radius);
    QFETCH(int, border);
    AkLed led;
    led.resize(int(2 * radius) + 3, int(2 * radius) + 3);
    led.setRadius(radius);
    led.setBorderSize(qint16(border));
    const int c = int(radius);
    const QColor dark = system(led, AkLed::darkShadow3d);
    const QColor light = system(led, AkLed::highlight3d);
    // The ring sits at the new radius, centred on (Radius, Radius): the lamp grew to the lower right.
    QCOMPARE(at(led, 0, c), dark);
    QCOMPARE(at(led, c, 0), dark);
    QCOMPARE(at(led, 2 * c, c), light);
    QCOMPARE(at(led, c, 2 * c), light);
    // The disc is inset by the border size.
    QCOMPARE(at(led, border + 1, c), QColor(Qt::red));
    QCOMPARE(at(led, 2 * c - border - 1, c), QColor(Qt::red));
    QCOMPARE(at(led, c, c), QColor(Qt::red));
    // Inside the disc, white only on the upper left, outside the inner disc: the glint.
    const double inner = (radius - border) * 0.5 - 1.0;
    int white = 0;
    for (int y = 0; y < led.height(); ++y) {
        for (int x = 0; x < led.width(); ++x) {
            const double distance = std::hypot(x - c, y - c);
            if (at(led, x, y) != QColor(Qt::white) || distance >= radius - border)
                continue;
            ++white;
            QVERIFY(x <= c + 1 && y <= c + 1);
            QVERIFY(distance > inner);
        }
    }
    QVERIFY(white >= 3);
}

void AkLedTest::colourChangeKeepsRingAndGlint()
{
    AkLed led;
    const QImage before = led.surface();
    QSignalSpy changed(&led, &AkLed::propertyChanged);
    led.setLedColour(AkLed::green);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toString(), QStringLiteral("LED_Colour"));
    QCOMPARE(at(led, 7, 7), QColor(Qt::green));
    QCOMPARE(at(led, 1, 7), QColor(Qt::green));
    QCOMPARE(at(led, 5, 4), QColor(Qt::white));
    int changedPixels = 0;
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 17; ++x) {
            const QColor was = QColor::fromRgb(before.pixel(x, y));
            const QColor now = at(led, x, y);
            if (was == QColor(Qt::red))
                QCOMPARE(now, QColor(Qt::green));
            else
                QCOMPARE(now, was);
            changedPixels += was != now ? 1 : 0;
        }
    }
    QVERIFY(changedPixels > 80);

    // The lamp-only pass paints over what is there: a ring drawn in another colour stays.
    QImage &surface = const_cast<QImage &>(led.surface());
    surface.setPixelColor(0, 7, Qt::blue);
    led.setLedColour(AkLed::yellow);
    QCOMPARE(at(led, 0, 7), QColor(Qt::blue));
    led.refresh();
    QCOMPARE(at(led, 0, 7), system(led, AkLed::darkShadow3d));
    QCOMPARE(at(led, 7, 7), QColor(Qt::yellow));
}

void AkLedTest::backColorRepaints()
{
    AkLed led;
    led.setBackColor(0x00C0C0C0);
    QCOMPARE(at(led, 0, 0), QColor(192, 192, 192));
    QCOMPARE(at(led, 7, 7), QColor(Qt::red));
}

void AkLedTest::tooSmallRadiusDrawsNoNegativeCircles()
{
    AkLed led;
    led.setBorderSize(4);
    led.setRadius(3.0f);
    // Radius - border is negative: only the ring and background are drawn.
    QVERIFY(at(led, 3, 3) != QColor(Qt::red));
    QCOMPARE(at(led, 16, 16), system(led, AkLed::buttonFace));
}

void AkLedTest::colourValues()
{
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Shadow, QColor(4, 5, 6));
    palette.setColor(QPalette::Light, QColor(7, 8, 9));
    QCOMPARE(AkLed::colourFromValue(255, palette), QColor(255, 0, 0));
    QCOMPARE(AkLed::colourFromValue(65280, palette), QColor(0, 255, 0));
    QCOMPARE(AkLed::colourFromValue(65535, palette), QColor(255, 255, 0));
    QCOMPARE(AkLed::colourFromValue(0x00C0C0C0, palette), QColor(192, 192, 192));
    QCOMPARE(AkLed::colourFromValue(0x00563412, palette), QColor(0x12, 0x34, 0x56));
    QCOMPARE(AkLed::colourFromValue(0x8000000F, palette), QColor(1, 2, 3));
    QCOMPARE(AkLed::colourFromValue(0x80000015, palette), QColor(4, 5, 6));
    QCOMPARE(AkLed::colourFromValue(0x80000014, palette), QColor(7, 8, 9));
}

void AkLedTest::propertyBagRoundTrip()
{
    AkLed led;
    led.setBackColor(0x00C0C0C0);
    led.setRadius(9.5f);
    led.setBorderSize(2);
    led.setLedColour(AkLed::green);
    QVariantMap bag;
    led.writeProperties(bag);
    QCOMPARE(bag.value("BackColor").toUInt(), 0x00C0C0C0u);
    QCOMPARE(bag.value("ScaleMode").toInt(), 3);
    QCOMPARE(bag.value("Radius").toFloat(), 9.5f);

    AkLed copy;
    copy.readProperties(bag);
    QCOMPARE(copy.backColor(), 0x00C0C0C0u);
    QCOMPARE(copy.radius(), 9.5f);
    QCOMPARE(copy.borderSize(), qint16(2));
    QCOMPARE(copy.ledColour(), AkLed::green);
}

void AkLedTest::propertyBagDefaults()
{
    AkLed led;
    led.setLedColour(AkLed::green);
    led.readProperties({{QStringLiteral("BackColor"), int(0x00C0C0C0)}, {QStringLiteral("ScaleMode"), 3}});
    QCOMPARE(led.radius(), 7.0f);
    QCOMPARE(led.borderSize(), qint16(1));
    QCOMPARE(led.ledColour(), 255u);
    QCOMPARE(at(led, 7, 7), QColor(Qt::red));
    QCOMPARE(at(led, 0, 0), QColor(192, 192, 192));
    // A stored system colour comes back from its signed 32-bit form.
    led.readProperties({{QStringLiteral("BackColor"), int(0x8000000F)}});
    QCOMPARE(led.backColor(), 0x8000000Fu);
    QVariantMap bag;
    led.writeProperties(bag);
    QCOMPARE(bag.keys(), QStringList{QStringLiteral("ScaleMode")});
}

void AkLedTest::propertiesByName()
{
    AkLed led;
    QVERIFY(led.setProperty("LED_Colour", QVariant::fromValue(quint32(65535))));
    QCOMPARE(led.ledColour(), 65535u);
    QVERIFY(led.setProperty("Radius", QVariant::fromValue(5.0f)));
    QCOMPARE(led.property("Radius").toFloat(), 5.0f);
    QVERIFY(led.setProperty("BorderSize", QVariant::fromValue(qint16(2))));
    QCOMPARE(led.property("BorderSize").toInt(), 2);
    QVERIFY(led.setProperty("BackColor", QVariant::fromValue(quint32(0x00C0C0C0))));
    QCOMPARE(led.property("BackColor").toUInt(), 0x00C0C0C0u);
}

QTEST_MAIN(AkLedTest)
#include "AkLedTest.moc"
