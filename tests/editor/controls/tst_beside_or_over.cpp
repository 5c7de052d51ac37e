#include "editor/controls/beside_or_over.h"

#include <QScreen>
#include <QTest>
#include <QWidget>

using namespace tv;

class BesideOrOverTest : public QObject {
    Q_OBJECT
private slots:
    void previewPlace_data();
    void previewPlace();
    void aWindowOpensBesideItsOwner();
};

void BesideOrOverTest::previewPlace_data()
{
    QTest::addColumn<QRect>("editor");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("at");
    const QRect wide(0, 0, 2560, 1440);
    QTest::newRow("room on the right") << QRect(100, 200, 840, 520) << wide << QPoint(948, 200);
    QTest::newRow("room on the left only")
        << QRect(1600, 200, 840, 520) << wide << QPoint(622, 200);
    QTest::newRow("no room: over it, centred")
        << QRect(382, 190, 840, 520) << QRect(0, 0, 1600, 900) << QPoint(316, 165);
    QTest::newRow("low on the screen: pulled up")
        << QRect(100, 1200, 840, 520) << wide << QPoint(948, 872);
    QTest::newRow("a screen smaller than the preview: its corner")
        << QRect(0, 0, 640, 480) << QRect(0, 0, 800, 480) << QPoint(0, 0);
    QTest::newRow("a second screen to the right")
        << QRect(2000, 100, 840, 520) << QRect(1920, 0, 1920, 1080) << QPoint(2848, 100);
}

// The preview (970 x 568 with its frame) never covers the editor when the
// screen has room, and never leaves the screen.
void BesideOrOverTest::previewPlace()
{
    QFETCH(QRect, editor);
    QFETCH(QRect, screen);
    QFETCH(QPoint, at);
    const QRect placed = besideOrOver(editor, QSize(970, 568), screen);
    QCOMPARE(placed.topLeft(), at);
    QCOMPARE(placed.size(), QSize(970, 568));
}

// On a real screen: a small owner at the screen's left leaves room on its
// right, and the window opens there, wholly on the screen.
void BesideOrOverTest::aWindowOpensBesideItsOwner()
{
    QWidget owner, window;
    const QRect screen = owner.screen()->availableGeometry();
    owner.setGeometry(QRect(screen.topLeft() + QPoint(10, 10), QSize(200, 150)));
    window.resize(screen.width() / 2, screen.height() / 2);
    placeBesideOrOver(&window, &owner);
    QVERIFY2(window.pos().x() > owner.frameGeometry().right(),
             qPrintable(QString::number(window.pos().x())));
    QVERIFY(screen.contains(window.geometry()));
}

QTEST_MAIN(BesideOrOverTest)
#include "tst_beside_or_over.moc"
