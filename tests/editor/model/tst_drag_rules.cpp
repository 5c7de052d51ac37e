#include "editor/model/drag_rules.h"

#include <QTest>

Q_DECLARE_METATYPE(tv::ScreenShape)

using namespace tv;

Q_DECLARE_METATYPE(tv::DragReceiver)

namespace {
constexpr auto kCanvas = DragReceiver::Canvas;
constexpr auto kBody = DragReceiver::Body;
constexpr auto kForm = DragReceiver::FormBackground;
} // namespace

class DragRulesTest : public QObject {
    Q_OBJECT
private slots:
    void pointerOnTheCanvas_data();
    void pointerOnTheCanvas();
    void move_data();
    void move();
    void resize_data();
    void resize();
};

void DragRulesTest::pointerOnTheCanvas_data()
{
    QTest::addColumn<DragReceiver>("receiver");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<QPointF>("canvas");
    QTest::newRow("canvas") << kCanvas << QPointF(100, 200) << QPointF(100, 200);
    QTest::newRow("body at 300, 400") << kBody << QPointF(10, 20) << QPointF(310, 420);
    QTest::newRow("form") << kForm << QPointF(190, 2000) << QPointF(100, 200);
    QTest::newRow("form left of the canvas") << kForm << QPointF(30, 1700) << QPointF(-60, -100);
}

void DragRulesTest::pointerOnTheCanvas()
{
    QFETCH(DragReceiver, receiver);
    QFETCH(QPointF, at);
    QFETCH(QPointF, canvas);
    QCOMPARE(canvasPointer(receiver, float(at.x()), float(at.y()), QPointF(300, 400), {}), canvas);
}

void DragRulesTest::move_data()
{
    // A 1900 x 1250 window at (1000, 1000), grabbed 100 twips in from its
    // corner; on a portrait screen's canvas, 600 x 1250.
    QTest::addColumn<ScreenShape>("shape");
    QTest::addColumn<DragReceiver>("receiver");
    QTest::addColumn<QPointF>("pointer"); // on the canvas
    QTest::addColumn<QPointF>("place");   // Left, Top
    for (auto [receiver, name] :
         {std::pair{kCanvas, "canvas"}, std::pair{kBody, "body"}, std::pair{kForm, "form"}}) {
        auto row = [&](ScreenShape shape, const char* what, QPointF pointer, QPointF place) {
            QTest::newRow(qPrintable(
                QStringLiteral("%1: %2: %3").arg(shapeName(shape), QLatin1String(name), what)))
                << shape << receiver << pointer << place;
        };
        const auto wide = ScreenShape::Landscape;
        row(wide, "follows the pointer", {2100, 1600}, {2000, 1500});
        row(wide, "stops at the left and top", {50, 20}, {0, 0});
        row(wide, "flush right stays", {5400, 600}, {5300, 500});
        row(wide, "flush bottom stays", {600, 2900}, {500, 2800});
        row(wide, "pushed past the bottom", {600, 3500}, {500, 2800});
        row(wide, "pushed past the right", {6000, 600}, {receiver == kForm ? 5300.0 : 5270.0, 500});
        const auto tall = ScreenShape::Portrait;
        row(tall, "follows the pointer", {1100, 1600}, {1000, 1500});
        row(tall, "stops at the left and top", {50, 20}, {0, 0});
        row(tall, "flush right stays", {1778.125, 600}, {1678.125, 500});
        row(tall, "flush bottom stays", {600, 2900}, {500, 2800});
        row(tall, "pushed past the bottom", {600, 3500}, {500, 2800});
        row(tall, "pushed past the right", {2500, 600},
            {receiver == kForm ? 1678.125 : 1648.125, 500});
    }
}

void DragRulesTest::move()
{
    QFETCH(DragReceiver, receiver);
    QFETCH(QPointF, pointer);
    QFETCH(QPointF, place);
    QFETCH(ScreenShape, shape);
    const float width = shape == ScreenShape::Portrait ? 600 : 1900;
    const TwipsRect moved = movedWindow(receiver, {1000, 1000, width, 1250}, pointer,
                                        QPointF(100, 100), canvasFrameOf(shape));
    QCOMPARE(QPointF(moved.Left, moved.Top), place);
    QCOMPARE(moved.Width, width);
    QCOMPARE(moved.Height, 1250.0f);
}

void DragRulesTest::resize_data()
{
    // A window at Left 1000, Top 1000 (7180, 1000 where it says "near the edge").
    QTest::addColumn<DragReceiver>("receiver");
    QTest::addColumn<QPointF>("corner"); // Left, Top of the window
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<ScreenShape>("shape");
    const QPointF at(1000, 1000);
    const auto wide = ScreenShape::Landscape;
    QTest::newRow("canvas: follows")
        << kCanvas << at << QPointF(3000, 2000) << QSizeF(2000, 1000) << wide;
    QTest::newRow("canvas: stops at the edges")
        << kCanvas << at << QPointF(8000, 5000) << QSizeF(6200, 3050) << wide;
    QTest::newRow("canvas: at least 50")
        << kCanvas << at << QPointF(900, 1030) << QSizeF(50, 50) << wide;
    QTest::newRow("body: follows")
        << kBody << at << QPointF(3000, 2000) << QSizeF(2000, 1000) << wide;
    QTest::newRow("body: no upper limit")
        << kBody << at << QPointF(9000, 6000) << QSizeF(8000, 5000) << wide;
    QTest::newRow("body: at least 50")
        << kBody << at << QPointF(1020, 500) << QSizeF(50, 50) << wide;
    QTest::newRow("form: beyond the edges")
        << kForm << at << QPointF(7300, 4100) << QSizeF(6200, 3050) << wide;
    QTest::newRow("form: follows")
        << kForm << at << QPointF(1050, 2000) << QSizeF(50, 1000) << wide;
    QTest::newRow("form: at least 50") << kForm << at << QPointF(1049, 0) << QSizeF(50, 50) << wide;
    QTest::newRow("form: right edge exactly, below 50")
        << kForm << QPointF(7180, 1000) << QPointF(7300, 2000) << QSizeF(20, 1000) << wide;
    // On a portrait screen's canvas, 2278.125 twips across.
    const auto tall = ScreenShape::Portrait;
    QTest::newRow("portrait canvas: stops at the edges")
        << kCanvas << at << QPointF(3000, 5000) << QSizeF(1278.125, 3050) << tall;
    QTest::newRow("portrait form: beyond the edges")
        << kForm << at << QPointF(2400, 4100) << QSizeF(1278.125, 3050) << tall;
    QTest::newRow("portrait body: no upper limit")
        << kBody << at << QPointF(9000, 6000) << QSizeF(8000, 5000) << tall;
}

void DragRulesTest::resize()
{
    QFETCH(DragReceiver, receiver);
    QFETCH(QPointF, corner);
    QFETCH(QPointF, pointer);
    QFETCH(QSizeF, size);
    const TwipsRect body{float(corner.x()), float(corner.y()), 500, 500};
    QFETCH(ScreenShape, shape);
    const TwipsRect resized = resizedWindow(receiver, body, pointer, canvasFrameOf(shape));
    QCOMPARE(QSizeF(resized.Width, resized.Height), size);
    QCOMPARE(QPointF(resized.Left, resized.Top), corner);
}

QTEST_APPLESS_MAIN(DragRulesTest)
#include "tst_drag_rules.moc"
