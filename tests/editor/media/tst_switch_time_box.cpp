#include "editor/canvas/position_fields.h"
#include "editor/media/switch_time_box.h"
#include "support/editor_harness.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace tv;

namespace {
struct FocusOutSpy : QObject {
    QList<Qt::FocusReason> reasons;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut)
            reasons << static_cast<QFocusEvent*>(event)->reason();
        return false;
    }
};
} // namespace

class SwitchTimeBoxTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { harness_.close(); }

    void typingAboveTheCap();
    void leavingTheBox_data();
    void leavingTheBox();
    void onlyAnotherControlLeavesTheBox_data();
    void onlyAnotherControlLeavesTheBox();
    void okStores_data();
    void okStores();
    void okRefuses_data();
    void okRefuses();
    void okWithoutAWindowDoesNothing();
    void videoWindowHasNoSwitchTime();

private:
    QLineEdit* box() { return harness_.form->switchTime().Text3; }
    void type(const QString& text)
    {
        box()->setFocus();
        box()->selectAll();
        box()->del();
        QTest::keyClicks(box(), text);
    }
    void pressOk() { QTest::mouseClick(harness_.form->switchTime().Command12, Qt::LeftButton); }
    test::EditorHarness harness_;
};

void SwitchTimeBoxTest::init()
{
    harness_.open();
    QApplication::setActiveWindow(harness_.form.get());
    QVERIFY(QTest::qWaitForWindowActive(harness_.form.get()));
}

void SwitchTimeBoxTest::typingAboveTheCap()
{
    harness_.driver->addPicture();
    type("70000");
    QCOMPARE(box()->text(), QStringLiteral("65535"));
}

void SwitchTimeBoxTest::leavingTheBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::newRow("below the floor") << "3"
                                     << "5";
    QTest::newRow("letters only") << "abc"
                                  << "5";
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("in range stands") << "30"
                                     << "30";
}

void SwitchTimeBoxTest::leavingTheBox()
{
    QFETCH(QString, typed);
    QFETCH(QString, left);
    harness_.driver->addPicture();
    type(typed);
    QCOMPARE(box()->text(), typed);
    harness_.form->positions().Text1[0]->setFocus();
    QCOMPARE(box()->text(), left);
}

void SwitchTimeBoxTest::onlyAnotherControlLeavesTheBox_data()
{
    QTest::addColumn<QString>("focusGoesTo");
    QTest::addColumn<QString>("left");
    QTest::newRow("another control") << "control"
                                     << "5";
    QTest::newRow("another window") << "window"
                                    << "3";
    QTest::newRow("a context menu") << "menu"
                                    << "3";
}

void SwitchTimeBoxTest::onlyAnotherControlLeavesTheBox()
{
    QFETCH(QString, focusGoesTo);
    QFETCH(QString, left);
    harness_.driver->addPicture();
    type("3");
    FocusOutSpy focusOuts;
    box()->installEventFilter(&focusOuts);
    QWidget other;
    QMenu menu;
    menu.addAction("Copy");
    if (focusGoesTo == "control") {
        harness_.form->positions().Text1[0]->setFocus(Qt::TabFocusReason);
    } else if (focusGoesTo == "window") {
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
    } else {
        menu.popup(box()->mapToGlobal(QPoint(2, 2)));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
    }
    QTRY_COMPARE(focusOuts.reasons.size(), 1); // the box was left in each case
    QCOMPARE(box()->text(), left);
}

void SwitchTimeBoxTest::okStores_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("seconds");
    QTest::newRow("a fraction, rounded") << "8.5" << 8;
    QTest::newRow("raised to the floor on the way to OK") << "2" << 5;
}

void SwitchTimeBoxTest::okStores()
{
    QFETCH(QString, typed);
    QFETCH(int, seconds);
    harness_.driver->addPicture();
    harness_.driver->addPicture();
    type(typed);
    pressOk();
    QCOMPARE(harness_.form->table().SwitchTime[2], seconds);
    QCOMPARE(harness_.form->table().SwitchTime[1], 10);
    QCOMPARE(harness_.dialogs.shown.size(), 0);
}

void SwitchTimeBoxTest::okRefuses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("letters after the number") << "12abc";
    QTest::newRow("empty") << "";
}

void SwitchTimeBoxTest::okRefuses()
{
    QFETCH(QString, typed);
    harness_.driver->addPicture();
    type(typed);
    pressOk();
    QCOMPARE(harness_.form->table().SwitchTime[1], 10);
    QCOMPARE(harness_.dialogs.shown.size(), 1);
    QCOMPARE(harness_.dialogs.shown.first().title, QStringLiteral("+_+"));
}

void SwitchTimeBoxTest::okWithoutAWindowDoesNothing()
{
    type("20");
    pressOk();
    QCOMPARE(harness_.form->table().SwitchTime[0], 0);
    QCOMPARE(harness_.dialogs.shown.size(), 0);
}

void SwitchTimeBoxTest::videoWindowHasNoSwitchTime()
{
    harness_.driver->addPicture();
    harness_.driver->addVideo();
    const SwitchTimeBox& controls = harness_.form->switchTime();
    QCOMPARE(box()->text(), QString());
    QVERIFY(!controls.Text3->isEnabled());
    QVERIFY(!controls.Label9->isEnabled());
    QVERIFY(!controls.Command12->isEnabled());
}

QTEST_MAIN(SwitchTimeBoxTest)
#include "tst_switch_time_box.moc"
