#include "base/twips.h"

#include <QTest>

using namespace tv;

class TwipsTest : public QObject {
    Q_OBJECT
private slots:
    void pixelsOfTwips_data();
    void pixelsOfTwips();
    void placeOfControl();
    void farPlacesStayOffTheCanvas_data();
    void farPlacesStayOffTheCanvas();
    void centredOrigin_data();
    void centredOrigin();
};

void TwipsTest::pixelsOfTwips_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("canvas width") << 7200.0 << 480;
    QTest::newRow("canvas height") << 4050.0 << 270;
    QTest::newRow("editor client width") << 12540.0 << 836;
    QTest::newRow("editor client height") << 7245.0 << 483;
    QTest::newRow("below half a pixel") << 7.0 << 0;
    QTest::newRow("half a pixel rounds up") << 7.5 << 1;
    QTest::newRow("a third") << 3500.0 << 233;
    QTest::newRow("two thirds") << 1250.0 << 83;
    QTest::newRow("negative half rounds away from zero") << -7.5 << -1;
    QTest::newRow("negative") << -180.0 << -12;
}

void TwipsTest::pixelsOfTwips()
{
    QFETCH(double, twips);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips), pixels);
}

void TwipsTest::placeOfControl()
{
    // Each edge value is converted on its own: width and height do not
    // depend on where the control starts.
    QCOMPARE(twipsToPixels(TwipsRect{7.5f, 0, 22.5f, 15}), QRect(1, 0, 2, 1));
    QCOMPARE(twipsToPixels(TwipsRect{180, 180, 3500, 3000}), QRect(12, 12, 233, 200));
}

void TwipsTest::farPlacesStayOffTheCanvas_data()
{
    // Only the x axis is far off; the window is 15 twips high at the top.
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("width");
    QTest::addColumn<QRect>("onCanvas"); // the part of the 480 x 270 canvas covered
    QTest::newRow("typed x of 2^34 pixels") << 6.4424509e10f << 1900.0f << QRect();
    QTest::newRow("as far to the left") << -6.4424509e10f << 1900.0f << QRect();
    QTest::newRow("largest single values") << 3e38f << 3e38f << QRect();
    QTest::newRow("from far left to far right") << -1e12f << 2e12f << QRect(0, 0, 480, 1);
    QTest::newRow("from the canvas to far right") << 3600.0f << 1e30f << QRect(240, 0, 240, 1);
}

void TwipsTest::farPlacesStayOffTheCanvas()
{
    QFETCH(float, left);
    QFETCH(float, width);
    QFETCH(QRect, onCanvas);
    const QRect pixels = twipsToPixels(TwipsRect{left, 0, width, 15});
    const QRect covered = pixels.intersected(QRect(0, 0, 480, 270));
    if (onCanvas.isNull())
        QVERIFY2(covered.isEmpty(), qPrintable(QStringLiteral("%1 %2 %3 %4")
                                                   .arg(pixels.x())
                                                   .arg(pixels.y())
                                                   .arg(pixels.width())
                                                   .arg(pixels.height())));
    else
        QCOMPARE(covered, onCanvas);
}

void TwipsTest::centredOrigin_data()
{
    QTest::addColumn<double>("screen");
    QTest::addColumn<double>("window");
    QTest::addColumn<double>("origin");
    QTest::newRow("even difference") << 28800.0 << 4800.0 << 12000.0;
    QTest::newRow("odd difference gives a half twip") << 1001.0 << 100.0 << 450.5;
    QTest::newRow("window as large as the screen") << 4680.0 << 4680.0 << 0.0;
    QTest::newRow("screen smaller than the window") << 3000.0 << 4680.0 << -840.0;
}

void TwipsTest::centredOrigin()
{
    QFETCH(double, screen);
    QFETCH(double, window);
    QFETCH(double, origin);
    QCOMPARE(tv::centredOrigin(screen, window), origin);
}

QTEST_APPLESS_MAIN(TwipsTest)
#include "tst_twips.moc"
