#include "editor/canvas/display_outlines.h"
#include "editor/canvas/layout_canvas.h"
#include "editor/layout_file_commands.h"
#include "editor/split.h"
#include "layout/layout_inspection.h"
#include "layout/layout_reader.h"
#include "layout/layout_writer.h"
#include "layout/screen_place.h"
#include "stage/stage.h"
#include "stage/stage_plan.h"
#include "support/editor_harness.h"
#include "support/manual_clock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;

// The editor, the display's plan and the inspector read the same layout the
// same way: where each window is drawn, and what the video window shows as a
// picture.
class WhatPlaysTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }
    void everyReaderPlacesAlike();
    void videoWindowPicturesShow_data();
    void videoWindowPicturesShow();
    void anEmptyWindowShowsWhatLiesBeneath();

private:
    test::EditorHarness harness_;
};

namespace {

QRect pixelsOf(const QJsonObject& window)
{
    const QJsonObject pixels = window["pixels"].toObject();
    return {pixels["x"].toInt(), pixels["y"].toInt(), pixels["width"].toInt(),
            pixels["height"].toInt()};
}

} // namespace

void WhatPlaysTest::everyReaderPlacesAlike()
{
    QRandomGenerator random(1207);
    for (int round = 0; round < 25; ++round) {
        harness_.close();
        harness_.open();
        Split& form = *harness_.form;
        if (random.bounded(2))
            harness_.driver->addVideo();
        for (int k = random.bounded(1, 11); k > 0; --k)
            harness_.driver->addPicture();
        // Every window anywhere on the canvas, to the twip; now and then
        // exactly on the file's steps.
        for (int index = 1; index < kLayoutIndices; ++index) {
            if (!form.model().table().inUse(index))
                continue;
            const float width = float(random.bounded(60, 7200));
            const float height = float(random.bounded(60, 4050));
            TwipsRect rect{float(random.bounded(7200.0 - width)),
                           float(random.bounded(4050.0 - height)), width, height};
            if (random.bounded(4) == 0)
                rect = twipsOfPercentPlace(percentPlace(rect));
            form.model().setRect(index, rect);
        }
        const LayoutDescription described = form.layoutFile().describeLayout();
        const auto decoded = std::get<LayoutDescription>(
            decodeLayout(std::get<QByteArray>(encodeLayout(described))));
        const QList<StageWindow> plan = planStage(decoded);
        const QJsonObject json = QJsonDocument::fromJson(inspectLayout(decoded)).object();
        QList<QRect> inspected;
        QList<int> indices;
        if (described.video) {
            inspected << pixelsOf(json["video"].toObject());
            indices << described.video->index;
        }
        for (qsizetype k = 0; k < described.pictures.size(); ++k) {
            inspected << pixelsOf(json["pictures"].toArray()[k].toObject());
            indices << described.pictures[k].index;
        }
        QCOMPARE(plan.size(), inspected.size());
        for (qsizetype i = 0; i < plan.size(); ++i) {
            const QString where = QStringLiteral("round %1, window %2").arg(round).arg(i);
            QVERIFY2(plan[i].place == inspected[i], qPrintable(where));
            const TwipsRect& rect = form.model().window(indices[i]).rect;
            const QRect outline = form.outlines().outlined(indices[i]);
            if (fileHoldsPlace(rect)) {
                // No outline: the canvas shows the place itself, within a
                // screen pixel of each edge the display draws.
                QVERIFY2(outline.isNull(), qPrintable(where));
                const QRectF shown(rect.Left / 3.75, rect.Top / 3.75, rect.Width / 3.75,
                                   rect.Height / 3.75);
                const QRectF drawn = plan[i].place;
                for (auto [a, b] :
                     {std::pair(shown.left(), drawn.left()), std::pair(shown.top(), drawn.top()),
                      std::pair(shown.right(), drawn.right()),
                      std::pair(shown.bottom(), drawn.bottom())})
                    QVERIFY2(std::fabs(a - b) < 1, qPrintable(where));
            } else {
                QVERIFY2(outline == plan[i].place, qPrintable(where));
            }
        }
    }
}

void WhatPlaysTest::videoWindowPicturesShow_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"snapjpg", "photo.JPG", "still.png", "scan.bmp"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// A name the editor offers to the video window as a picture is shown as one
// by the display, whatever the rest of the name.
void WhatPlaysTest::videoWindowPicturesShow()
{
    QFETCH(QString, name);
    QVERIFY(IsVideoFile(name) && playsAsPicture(name));
    QTemporaryDir media;
    QImage red(64, 36, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(media.filePath(name), "PNG"));
    test::ManualClock clock;
    const QList<StageWindow> plan{
        {WindowRole::Video, 0, QRect(0, 0, 1920, 1080), {name}, kVideoWindowPictureMs}};
    Stage stage(plan, media.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    QCOMPARE(stage.grab().toImage().pixelColor(240, 135), QColor(Qt::red));
}

// A picture window with nothing in its list, over the video window, draws
// nothing: the canvas and the display both show the video window's picture
// through it.
void WhatPlaysTest::anEmptyWindowShowsWhatLiesBeneath()
{
    Split& form = *harness_.form;
    QTemporaryDir media;
    QImage red(64, 36, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(media.filePath("still.png"), "PNG"));
    harness_.driver->chooseFolder(media.path());
    harness_.driver->addVideo();
    harness_.driver->doubleClickFileRow(1);
    QVERIFY(harness_.driver->playlist(1).value(0).contains("still.png"));
    harness_.driver->addPicture();
    form.model().setRect(1, {0, 0, 7200, 4050});
    form.model().setRect(2, {1800, 1026, 3600, 2025});
    // Within the empty window, away from its name tag, the canvas shows the
    // video window's red under the window's light wash.
    const QPoint inside = form.canvas().Picture1->rect().center() + QPoint(60, 40);
    const auto reddish = [&] {
        const QColor seen = form.canvas().Picture1->grab().toImage().pixelColor(inside);
        return seen.red() > 200 && seen.green() < seen.red() - 80 && seen.blue() < seen.red() - 80;
    };
    QTRY_VERIFY(reddish());

    const auto decoded = std::get<LayoutDescription>(
        decodeLayout(std::get<QByteArray>(encodeLayout(form.layoutFile().describeLayout()))));
    test::ManualClock clock;
    Stage stage(planStage(decoded), media.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    QCOMPARE(stage.grab().toImage().pixelColor(240, 135), QColor(Qt::red));
}

QTEST_MAIN(WhatPlaysTest)
#include "tst_what_plays.moc"
