#include "editor/model/window_table.h"

#include <QTest>

#include <functional>

using namespace tv;

using Mutation = std::function<void(WindowTable&, LayoutView&)>;
Q_DECLARE_METATYPE(Mutation)

namespace {

WindowPartsView parts(int existing, int visible, const QString& name)
{
    WindowPartsView view;
    view.existing = existing;
    view.visible = visible;
    view.name = name;
    return view;
}

void showWindow(WindowTable& table, LayoutView& view, int index, const QString& name)
{
    table.WindowInUse[index] = kInUse;
    view.windows[index] = parts(kWindowParts, kWindowParts, name);
    view.listedNames << name;
}

// The video window and Picture1 in use, Picture2 deleted, Picture2 current.
void sampleLayout(WindowTable& table, LayoutView& view)
{
    table.HasVideoWindow = 1;
    table.PictureWindowCount = 2;
    showWindow(table, view, 1, QStringLiteral("Video\n1"));
    showWindow(table, view, 2, QStringLiteral("Picture1"));
    view.windows[3] = parts(kWindowParts, 0, QStringLiteral("Picture2"));
    table.CurrentWindow = 3;
}

} // namespace

class WindowTableTest : public QObject {
    Q_OBJECT
private slots:
    void emptyTableHolds();
    void sampleLayoutHolds();
    void brokenRuleIsReported_data();
    void brokenRuleIsReported();
    void emptyingKeepsSwitchTimes();
};

void WindowTableTest::emptyTableHolds()
{
    QCOMPARE(windowTableViolations(WindowTable{}, LayoutView{}), QStringList{});
}

void WindowTableTest::sampleLayoutHolds()
{
    WindowTable table;
    LayoutView view;
    sampleLayout(table, view);
    QCOMPARE(windowTableViolations(table, view), QStringList{});
}

void WindowTableTest::brokenRuleIsReported_data()
{
    QTest::addColumn<Mutation>("mutation");
    QTest::addColumn<QString>("rule");

    QTest::newRow("video controls missing while counted") << Mutation([](auto&, auto& v) {
        v.windows[1].existing = 0;
        v.windows[1].visible = 0;
    }) << "rule 1";
    QTest::newRow("one part of a window missing")
        << Mutation([](auto&, auto& v) { v.windows[2].existing = 4; }) << "rule 1";
    QTest::newRow("controls beyond the picture count")
        << Mutation([](auto&, auto& v) { v.windows[4] = parts(kWindowParts, 0, "Picture3"); })
        << "rule 1";
    QTest::newRow("video controls exist without the flag") << Mutation([](auto& t, auto& v) {
        t.HasVideoWindow = 0;
        t.WindowInUse[1] = kFree;
        v.listedNames.removeAll("Video\n1");
        v.windows[1].visible = 0;
    }) << "rule 1";
    QTest::newRow("in use but never created")
        << Mutation([](auto& t, auto&) { t.WindowInUse[7] = kInUse; }) << "rule 2";
    QTest::newRow("in use but a part hidden")
        << Mutation([](auto&, auto& v) { v.windows[2].visible = 4; }) << "rule 2";
    QTest::newRow("in use but not listed")
        << Mutation([](auto&, auto& v) { v.listedNames.removeAll("Picture1"); }) << "rule 2";
    QTest::newRow("listed twice") << Mutation([](auto&, auto& v) { v.listedNames << "Picture1"; })
                                  << "rule 2";
    QTest::newRow("deleted window still listed")
        << Mutation([](auto&, auto& v) { v.listedNames << "Picture2"; }) << "rule 2";
    QTest::newRow("a template listed")
        << Mutation([](auto&, auto& v) { v.listedNames << "***"; }) << "rule 2";
    QTest::newRow("flag neither true nor false")
        << Mutation([](auto& t, auto&) { t.WindowInUse[2] = 1; }) << "rule 2";
    QTest::newRow("deleted window partly visible")
        << Mutation([](auto&, auto& v) { v.windows[3].visible = 1; }) << "rule 3";
    QTest::newRow("current window never created")
        << Mutation([](auto& t, auto&) { t.CurrentWindow = 4; }) << "rule 4";
}

void WindowTableTest::brokenRuleIsReported()
{
    QFETCH(Mutation, mutation);
    QFETCH(QString, rule);
    WindowTable table;
    LayoutView view;
    sampleLayout(table, view);
    mutation(table, view);
    const QStringList problems = windowTableViolations(table, view);
    QVERIFY2(!problems.isEmpty(), "the broken rule went unnoticed");
    QVERIFY2(problems.first().startsWith(rule), qPrintable(problems.join('\n')));
}

void WindowTableTest::emptyingKeepsSwitchTimes()
{
    WindowTable table;
    LayoutView view;
    sampleLayout(table, view);
    table.SwitchTime[1] = 25;
    table.empty();
    QCOMPARE(table.HasVideoWindow, std::int16_t(0));
    QCOMPARE(table.PictureWindowCount, std::int16_t(0));
    QCOMPARE(table.CurrentWindow, std::int16_t(0));
    QVERIFY(std::all_of(table.WindowInUse.begin(), table.WindowInUse.end(),
                        [](std::int16_t flag) { return flag == kFree; }));
    QCOMPARE(table.SwitchTime[1], 25);
}

QTEST_APPLESS_MAIN(WindowTableTest)
#include "tst_window_table.moc"
