#include "editor/model/window_geometry.h"

#include <QTest>

#include <limits>

using namespace tv;

Q_DECLARE_METATYPE(tv::TwipsRect)
Q_DECLARE_METATYPE(tv::ScreenShape)
Q_DECLARE_METATYPE(tv::ScreenRatio)

class WindowGeometryTest : public QObject {
    Q_OBJECT
private slots:
    void partsFollowBody_data();
    void partsFollowBody();
    void screenPixels_data();
    void screenPixels();
    void typedPixels_data();
    void typedPixels();
    void refusedPixels_data();
    void refusedPixels();
    void ratio_data();
    void ratio();
};

void WindowGeometryTest::partsFollowBody_data()
{
    QTest::addColumn<TwipsRect>("body");
    QTest::addColumn<QPointF>("tag");
    QTest::addColumn<QPointF>("handle");
    QTest::newRow("new video window")
        << TwipsRect{180, 180, 3500, 3000} << QPointF(230, 230) << QPointF(3610, 3110);
    QTest::newRow("beyond the canvas is not moved back")
        << TwipsRect{6000, 3500, 3000, 2000} << QPointF(6050, 3550) << QPointF(8930, 5430);
    QTest::newRow("narrower than the handle inset")
        << TwipsRect{100, 100, 50, 40} << QPointF(150, 150) << QPointF(80, 70);
    QTest::newRow("negative place")
        << TwipsRect{-300, -20, 600, 100} << QPointF(-250, 30) << QPointF(230, 10);
    QTest::newRow("fractional twips") << TwipsRect{376.875f, 1012.5f, 3600, 2025}
                                      << QPointF(426.875, 1062.5) << QPointF(3906.875, 2967.5);
}

void WindowGeometryTest::partsFollowBody()
{
    QFETCH(TwipsRect, body);
    QFETCH(QPointF, tag);
    QFETCH(QPointF, handle);
    const PartPlaces places = placeWindowParts(body);
    QCOMPARE(places.outline, body);
    QCOMPARE(QPointF(places.tagLeft, places.tagTop), tag);
    QCOMPARE(QPointF(places.handleLeft, places.handleTop), handle);
}

void WindowGeometryTest::screenPixels_data()
{
    QTest::addColumn<ScreenShape>("shape");
    const auto landscape = ScreenShape::Landscape;
    QTest::addColumn<TwipsRect>("body");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("new video window")
        << landscape << TwipsRect{180, 180, 3500, 3000} << QStringList{"48", "48", "933", "800"};
    QTest::newRow("new picture window")
        << landscape << TwipsRect{180, 180, 1900, 1250} << QStringList{"48", "48", "506", "333"};
    QTest::newRow("template body")
        << landscape << TwipsRect{180, 180, 1935, 1245} << QStringList{"48", "48", "516", "332"};
    QTest::newRow("quarter screen in the middle")
        << landscape << TwipsRect{1800, 1012.5f, 3600, 2025}
        << QStringList{"480", "270", "960", "540"};
    QTest::newRow("less than a pixel floors to 0")
        << landscape << TwipsRect{3, 3, 3, 3} << QStringList{"0", "0", "0", "0"};
    QTest::newRow("negative twip floors to -1")
        << landscape << TwipsRect{-1, -1, 0, 0} << QStringList{"-1", "-1", "0", "0"};
    QTest::newRow("negative zero shows as 0") << landscape << TwipsRect{-0.0f, -0.0f, 7200, 4050}
                                              << QStringList{"0", "0", "1920", "1080"};
    QTest::newRow("very large")
        << landscape << TwipsRect{8246337208320.0f, 0, 0, 0}
        << QStringList{"2199023255552", "0", "0",
                       "0"}; // The same on a portrait screen's canvas: 2278.125 x 4050 twips for
    // 1080 x 1920 pixels.
    const auto portrait = ScreenShape::Portrait;
    QTest::newRow("portrait, quarter screen in the middle")
        << portrait << TwipsRect{569.53125f, 1012.5f, 1139.0625f, 2025}
        << QStringList{"270", "480", "540", "960"};
    QTest::newRow("portrait, less than a pixel floors to 0")
        << portrait << TwipsRect{2, 1, 2, 1} << QStringList{"0", "0", "0", "0"};
    QTest::newRow("portrait, whole screen") << portrait << TwipsRect{-0.0f, -0.0f, 2278.125f, 4050}
                                            << QStringList{"0", "0", "1080", "1920"};
    QTest::newRow("portrait, new picture window")
        << portrait << TwipsRect{56.953125f, 180, 601.171875f, 1250}
        << QStringList{"27", "85", "285", "592"};
}

void WindowGeometryTest::screenPixels()
{
    QFETCH(TwipsRect, body);
    QFETCH(QStringList, texts);
    QFETCH(ScreenShape, shape);
    const auto shown = screenPixelTexts(body, shape);
    QCOMPARE(QStringList(shown.begin(), shown.end()), texts);
}

void WindowGeometryTest::typedPixels_data()
{
    QTest::addColumn<ScreenShape>("shape");
    const auto landscape = ScreenShape::Landscape;
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<TwipsRect>("twips");
    QTest::newRow("quarter screen in the middle")
        << landscape << QList<double>{480, 270, 960, 540} << TwipsRect{1800, 1012.5f, 3600, 2025};
    QTest::newRow("fraction kept")
        << landscape << QList<double>{100.5, 0, 0, 0} << TwipsRect{376.875f, 0, 0, 0};
    QTest::newRow("negative place allowed")
        << landscape << QList<double>{-10, -20, 1920, 1080} << TwipsRect{-37.5f, -75, 7200, 4050};
    QTest::newRow("beyond the screen allowed") << landscape << QList<double>{5000, 5000, 5000, 5000}
                                               << TwipsRect{18750, 18750, 18750, 18750};
    QTest::newRow("negative zero size allowed")
        << landscape << QList<double>{0, 0, -0.0, -0.0} << TwipsRect{0, 0, 0, 0};
    const auto portrait = ScreenShape::Portrait;
    QTest::newRow("portrait, quarter screen in the middle")
        << portrait << QList<double>{270, 480, 540, 960}
        << TwipsRect{569.53125f, 1012.5f, 1139.0625f, 2025};
    QTest::newRow("portrait, negative place allowed")
        << portrait << QList<double>{-10, -20, 1080, 1920}
        << TwipsRect{-21.09375f, -42.1875f, 2278.125f, 4050};
}

void WindowGeometryTest::typedPixels()
{
    QFETCH(QList<double>, values);
    QFETCH(TwipsRect, twips);
    QFETCH(ScreenShape, shape);
    const TypedRect typed =
        twipsOfScreenPixels({values[0], values[1], values[2], values[3]}, shape);
    QCOMPARE(typed.refusal, QString());
    QCOMPARE(typed.twips, twips);
}

void WindowGeometryTest::refusedPixels_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QString>("reason");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("negative width") << QList<double>{0, 0, -1, 10} << "negative";
    QTest::newRow("negative height") << QList<double>{0, 0, 10, -0.5} << "negative";
    QTest::newRow("x too large for single precision")
        << QList<double>{1e38, 0, 10, 10} << "too large";
    QTest::newRow("height too large") << QList<double>{0, 0, 10, 1e38} << "too large";
    QTest::newRow("negative x too large") << QList<double>{-1e38, 0, 10, 10} << "too large";
    QTest::newRow("infinite width") << QList<double>{0, 0, inf, 10} << "too large";
}

void WindowGeometryTest::refusedPixels()
{
    QFETCH(QList<double>, values);
    QFETCH(QString, reason);
    const TypedRect typed = twipsOfScreenPixels({values[0], values[1], values[2], values[3]});
    QVERIFY2(typed.refusal.contains(reason), qPrintable(typed.refusal));
}

void WindowGeometryTest::ratio_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<ScreenRatio>("ratio");
    QTest::addColumn<float>("height");
    QTest::newRow("3500 at 4:3") << 3500.0f << ScreenRatio::FourThree << 2625.0f;
    QTest::newRow("3500 at 16:9") << 3500.0f << ScreenRatio::SixteenNine << 1968.0f;
    QTest::newRow("1900 at 4:3") << 1900.0f << ScreenRatio::FourThree << 1425.0f;
    QTest::newRow("1900 at 16:9") << 1900.0f << ScreenRatio::SixteenNine << 1068.0f;
    QTest::newRow("fractional width floors") << 3600.5f << ScreenRatio::FourThree << 2700.0f;
    QTest::newRow("zero width") << 0.0f << ScreenRatio::SixteenNine << 0.0f;
}

void WindowGeometryTest::ratio()
{
    QFETCH(float, width);
    QFETCH(ScreenRatio, ratio);
    QFETCH(float, height);
    QCOMPARE(ratioHeight(width, ratio), height);
}

QTEST_APPLESS_MAIN(WindowGeometryTest)
#include "tst_window_geometry.moc"
