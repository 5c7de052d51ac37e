#include "editor/model/placement_notes.h"

#include <QTest>

using namespace tv;

Q_DECLARE_METATYPE(QList<tv::PlacedWindow>)

namespace {

// A window placed in screen pixels, as the position fields take them.
PlacedWindow at(int index, double x, double y, double w, double h)
{
    const QString name =
        index == 1 ? QStringLiteral("Video\n1") : QStringLiteral("Picture%1").arg(index - 1);
    return {index, name, {float(x * 3.75), float(y * 3.75), float(w * 3.75), float(h * 3.75)}};
}

} // namespace

class PlacementNotesTest : public QObject {
    Q_OBJECT
private slots:
    void findings_data();
    void findings();
};

void PlacementNotesTest::findings_data()
{
    QTest::addColumn<QList<PlacedWindow>>("windows");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("note");
    using L = QList<PlacedWindow>;
    using S = QStringList;
    const QString right = QStringLiteral("Picture1 reaches past the right edge of the screen");

    QTest::newRow("inside") << L{at(2, 10, 10, 500, 300)} << 0 << S{} << QString();
    QTest::newRow("whole screen, exact fit") << L{at(2, 0, 0, 1920, 1080)} << 0 << S{} << QString();
    // Single precision puts the first one's right edge a hair past the
    // second one's left.
    QTest::newRow("meeting at typed fractions")
        << L{at(2, 234.74, 0, 369.63, 100), at(3, 604.37, 0, 100, 100)} << 0 << S{} << QString();
    QTest::newRow("left") << L{at(2, -1, 0, 100, 100)} << 0
                          << S{"Picture1 reaches past the left edge of the screen"} << QString();
    QTest::newRow("right, typed past it")
        << L{at(2, 1122, 10, 1017, 300)} << 0 << S{right} << QString();
    QTest::newRow("top") << L{at(2, 0, -0.5, 100, 100)} << 0
                         << S{"Picture1 reaches past the top edge of the screen"} << QString();
    QTest::newRow("bottom") << L{at(2, 0, 1000, 100, 81)} << 0
                            << S{"Picture1 reaches past the bottom edge of the screen"}
                            << QString();
    QTest::newRow("two edges at once")
        << L{at(2, 1900, 1000, 100, 100)} << 0
        << S{"Picture1 reaches past the right and bottom edges"} << QString();
    QTest::newRow("three edges") << L{at(2, -10, -10, 2000, 100)} << 0
                                 << S{"Picture1 reaches past the left, right and top edges"}
                                 << QString();
    QTest::newRow("larger than the screen")
        << L{at(2, -10, -10, 2000, 1100)} << 0
        << S{"Picture1 reaches past every edge of the screen"} << QString();
    QTest::newRow("wholly off, named as its tag names it")
        << L{at(1, 1920.5, 10, 100, 100)} << 0 << S{"Video 1 lies off the screen"} << QString();
    QTest::newRow("overlap: the higher slot covers")
        << L{at(3, 100, 100, 200, 200), at(2, 0, 0, 101, 101)} << 0
        << S{"Picture2 covers part of Picture1"} << QString();
    QTest::newRow("covered whole") << L{at(2, 10, 10, 50, 50), at(3, 10, 10, 50, 50)} << 0
                                   << S{"Picture2 covers all of Picture1"} << QString();
    QTest::newRow("touching edges and corners")
        << L{at(2, 0, 0, 100, 100), at(3, 100, 0, 100, 100), at(4, 100, 100, 50, 50)} << 0 << S{}
        << QString();
    QTest::newRow("pictures over the video")
        << L{at(1, 0, 0, 1920, 1080), at(2, 10, 10, 50, 50)} << 0 << S{} << QString();
    QTest::newRow("several, in window order")
        << L{at(2, 1122, 10, 1017, 300), at(3, 10, 500, 200, 200), at(4, 20, 520, 200, 200)} << 0
        << S{right, "Picture3 covers part of Picture2"} << right + " (and 1 more)";
    QTest::newRow("several, the current window first")
        << L{at(2, 1122, 10, 1017, 300), at(3, 10, 500, 200, 200), at(4, 20, 520, 200, 200),
             at(5, 10, 1000, 100, 100)}
        << 5
        << S{"Picture4 reaches past the bottom edge of the screen", right,
             "Picture3 covers part of Picture2"}
        << "Picture4 reaches past the bottom edge of the screen (and 2 more)";
}

void PlacementNotesTest::findings()
{
    QFETCH(QList<PlacedWindow>, windows);
    QFETCH(int, current);
    QFETCH(QStringList, expected);
    QFETCH(QString, note);
    const QList<PlacementFinding> findings = placementFindings(windows, current);
    QStringList texts;
    for (const PlacementFinding& finding : findings)
        texts << finding.text;
    QCOMPARE(texts, expected);
    // A lone finding is the whole note.
    QCOMPARE(placementNote(findings), expected.size() == 1 ? expected.first() : note);
}

QTEST_APPLESS_MAIN(PlacementNotesTest)
#include "tst_placement_notes.moc"
