#include "editor/canvas/layout_canvas.h"
#include "editor/canvas/placement_marks.h"
#include "support/editor_harness.h"

#include <QLabel>
#include <QTest>
#include <QUndoStack>

using namespace tv;

class PlacementMarksTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }
    void windowTypedPastTheRightEdge();

private:
    // Stripe pixels in a stretch of the canvas, as the form draws it.
    int stripePixels(const QRect& inCanvas) const
    {
        const QWidget* canvas = harness_.form->canvas().Picture1;
        const QImage image = harness_.form->client()
                                 ->grab(inCanvas.translated(canvas->geometry().topLeft()))
                                 .toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == PlacementMarks::kStripeColour;
        return count;
    }
    QString note() const
    {
        const auto* label = harness_.form->findChild<QLabel*>(QStringLiteral("LayoutNote"));
        return label ? label->text() : QStringLiteral("(no note)");
    }
    tv::test::EditorHarness harness_;
};

void PlacementMarksTest::windowTypedPastTheRightEdge()
{
    tv::test::EditorDriver& driver = *harness_.driver;
    driver.addPicture();
    driver.typeFields({"800", "10", "1017", "300"});
    driver.applyFields();
    QCOMPARE(note(), QString());
    // The window spans canvas rows 3..77; the band lies inside the right edge.
    const QRect band(480 - PlacementMarks::kBandDepth, 10, PlacementMarks::kBandDepth, 60);
    const QRect belowTheWindow(band.translated(0, 100));
    QCOMPARE(stripePixels(band), 0);

    driver.typeFields({"1122", "10", "1017", "300"});
    driver.applyFields();
    QCOMPARE(note(), QStringLiteral("Picture1 reaches past the right edge of the screen"));
    QVERIFY(stripePixels(band) > band.width() * band.height() / 5);
    QCOMPARE(stripePixels(belowTheWindow), 0);

    harness_.form->history().undo();
    QCOMPARE(note(), QString());
    QCOMPARE(stripePixels(band), 0);
}

QTEST_MAIN(PlacementMarksTest)
#include "tst_placement_marks.moc"
