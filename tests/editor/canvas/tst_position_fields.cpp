#include "editor/canvas/layout_canvas.h"
#include "editor/canvas/position_fields.h"
#include "support/editor_harness.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using namespace tv;
using tv::test::EditorDriver;

Q_DECLARE_METATYPE(tv::TwipsRect)
Q_DECLARE_METATYPE(tv::ScreenRatio)

class PositionFieldsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }

    void appliesTypedValues_data();
    void appliesTypedValues();
    void appliedValuesShowAgain();
    void partsFollowTheAppliedBody();
    void refusesAndChangesNothing_data();
    void refusesAndChangesNothing();
    void ratio_data();
    void ratio();
    void actsOnTheTemplateBeforeAnySelection();
    void actsOnADeletedWindow();
    void keysFollowTheWork();

private:
    Split& form() { return *harness_.form; }
    EditorDriver& driver() { return *harness_.driver; }
    tv::test::EditorHarness harness_;
};

void PositionFieldsTest::appliesTypedValues_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<TwipsRect>("body");
    QTest::newRow("quarter screen in the middle")
        << QStringList{"480", "270", "960", "540"} << TwipsRect{1800, 1012.5f, 3600, 2025};
    QTest::newRow("fraction kept")
        << QStringList{"100.5", "0", "1", "1"} << TwipsRect{376.875f, 0, 3.75f, 3.75f};
    QTest::newRow("leading numbers")
        << QStringList{"12px", "1 920", "abc", ""} << TwipsRect{45, 7200, 0, 0};
    QTest::newRow("negative place, beyond the canvas")
        << QStringList{"-100", "-50", "3000", "2000"} << TwipsRect{-375, -187.5f, 11250, 7500};
}

void PositionFieldsTest::appliesTypedValues()
{
    QFETCH(QStringList, typed);
    QFETCH(TwipsRect, body);
    driver().addPicture();
    driver().typeFields(typed);
    driver().applyFields();
    QCOMPARE(driver().body(2), body);
    QCOMPARE(driver().fields(), typed);
    QCOMPARE(harness_.dialogs.shown.size(), 0);
}

void PositionFieldsTest::appliedValuesShowAgain()
{
    driver().addVideo();
    driver().addPicture();
    driver().typeFields({"480", "270", "960", "540"});
    driver().applyFields();
    driver().pickListEntry(0);
    driver().pickListEntry(1);
    QCOMPARE(driver().fields(), (QStringList{"480", "270", "960", "540"}));
}

void PositionFieldsTest::partsFollowTheAppliedBody()
{
    driver().addVideo();
    driver().typeFields({"-10", "1000", "2000", "200"});
    driver().applyFields();
    const LayoutCanvas& canvas = form().canvas();
    const TwipsRect body = driver().body(1);
    QCOMPARE(canvas.Shape1(1)->twips(), body);
    QCOMPARE(canvas.Label1(1)->Left(), body.Left + 50);
    QCOMPARE(canvas.Label1(1)->Top(), body.Top + 50);
    QCOMPARE(canvas.Image2(1)->Left(), body.Left + body.Width - 70);
    QCOMPARE(canvas.Image2(1)->Top(), body.Top + body.Height - 70);
    // Drawn where the twips put it, clipped by the canvas rather than moved.
    QCOMPARE(canvas.Image1(1)->geometry().left(), -3);
}

void PositionFieldsTest::refusesAndChangesNothing_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("reason");
    QTest::newRow("negative width") << QStringList{"10", "10", "-1", "10"} << "negative";
    QTest::newRow("negative height") << QStringList{"10", "10", "10", "-0.5"} << "negative";
    QTest::newRow("too large for the geometry")
        << QStringList{"1e38", "10", "10", "10"} << "too large";
    QTest::newRow("beyond any number") << QStringList{"10", "10", "1e999", "10"} << "too large";
}

void PositionFieldsTest::refusesAndChangesNothing()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, reason);
    driver().addPicture();
    const TwipsRect before = driver().body(2);
    driver().typeFields(typed);
    driver().applyFields();
    QCOMPARE(harness_.dialogs.shown.size(), 1);
    QCOMPARE(harness_.dialogs.shown.first().title, QStringLiteral("+_+"));
    QVERIFY(harness_.dialogs.shown.first().text.contains(reason));
    QCOMPARE(driver().body(2), before);
    QCOMPARE(form().canvas().Shape1(2)->twips(), before);
    QCOMPARE(driver().fields(), typed);
}

void PositionFieldsTest::ratio_data()
{
    QTest::addColumn<bool>("video");
    QTest::addColumn<ScreenRatio>("ratio");
    QTest::addColumn<float>("height");
    QTest::newRow("video at 4:3") << true << ScreenRatio::FourThree << 2625.0f;
    QTest::newRow("video at 16:9") << true << ScreenRatio::SixteenNine << 1968.0f;
    QTest::newRow("picture at 4:3") << false << ScreenRatio::FourThree << 1425.0f;
    QTest::newRow("picture at 16:9") << false << ScreenRatio::SixteenNine << 1068.0f;
}

void PositionFieldsTest::ratio()
{
    QFETCH(bool, video);
    QFETCH(ScreenRatio, ratio);
    QFETCH(float, height);
    video ? driver().addVideo() : driver().addPicture();
    const TwipsRect before = driver().body(driver().current());
    driver().applyRatio(ratio);
    const TwipsRect after = driver().body(driver().current());
    QCOMPARE(after, (TwipsRect{before.Left, before.Top, before.Width, height}));
    QCOMPARE(driver().fields().last(), QString::number(std::floor(height * 1080.0 / 4050)));
    QCOMPARE(form().canvas().Image2(driver().current())->Top(), after.Top + height - 70);
}

void PositionFieldsTest::actsOnTheTemplateBeforeAnySelection()
{
    driver().applyRatio(ScreenRatio::FourThree);
    QCOMPARE(driver().body(0), (TwipsRect{180, 180, 1935, 1451}));
    QCOMPARE(driver().fields(), (QStringList{"48", "48", "516", "386"}));
    driver().typeFields({"0", "0", "100", "100"});
    driver().applyFields();
    QCOMPARE(driver().body(0), (TwipsRect{0, 0, 375, 375}));
    for (const char* name : {"Label1(0)", "Shape1(0)", "Image1(0)", "Image2(0)"})
        QVERIFY(form().findChild<QWidget*>(name)->isHidden());
    QCOMPARE(driver().violations(), QStringList{});
}

void PositionFieldsTest::actsOnADeletedWindow()
{
    driver().addPicture();
    driver().deleteWindow();
    driver().typeFields({"10", "10", "100", "100"});
    driver().applyFields();
    QCOMPARE(driver().body(2), (TwipsRect{37.5f, 37.5f, 375, 375}));
    QVERIFY(form().canvas().Image1(2)->isHidden());
    QCOMPARE(driver().violations(), QStringList{});
}

// After Add the arrow keys move the new window; after Enter applied a field,
// Ctrl+Z undoes the layout step, and typing again is undone as text first.
void PositionFieldsTest::keysFollowTheWork()
{
    Split& form = *harness_.form;
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    driver().addPicture();
    QCOMPARE(QApplication::focusWidget(), form.canvas().Picture1);
    const TwipsRect added = driver().body(form.table().CurrentWindow);
    QTest::keyClick(form.windowHandle(), Qt::Key_Right);
    QCOMPARE(driver().body(form.table().CurrentWindow).Left, added.Left + 3.75f);

    QLineEdit* x = form.positions().Text1[0];
    x->setFocus();
    x->selectAll();
    QTest::keyClicks(x, "600");
    QTest::keyClick(x, Qt::Key_Return);
    QCOMPARE(driver().body(form.table().CurrentWindow).Left, 2250.f);
    QTest::keyClick(form.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(driver().body(form.table().CurrentWindow).Left, added.Left + 3.75f);
    const QString shown = x->text();
    QTest::keyClicks(x, "7");
    QTest::keyClick(form.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(driver().body(form.table().CurrentWindow).Left, added.Left + 3.75f);
    QCOMPARE(x->text(), shown);
}

QTEST_MAIN(PositionFieldsTest)
#include "tst_position_fields.moc"
