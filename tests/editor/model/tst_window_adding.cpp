#include "editor/model/window_adding.h"

#include <QTest>

using namespace tv;

Q_DECLARE_METATYPE(tv::WindowKind)
Q_DECLARE_METATYPE(tv::AddAction)

class WindowAddingTest : public QObject {
    Q_OBJECT
private slots:
    void plan_data();
    void plan();
    void findsByExactName_data();
    void findsByExactName();
    void markedRange_data();
    void markedRange();
};

void WindowAddingTest::plan_data()
{
    QTest::addColumn<int>("hasVideo");
    QTest::addColumn<int>("pictureCount");
    QTest::addColumn<QList<int>>("inUse");
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<AddAction>("action");
    QTest::addColumn<int>("index");

    const auto video = WindowKind::Video;
    const auto picture = WindowKind::Picture;
    QTest::newRow("first video") << 0 << 0 << QList<int>{} << video << AddAction::CreateVideo << 1;
    QTest::newRow("video in use") << 1 << 0 << QList<int>{1} << video << AddAction::VideoLimit << 0;
    QTest::newRow("video deleted")
        << 1 << 3 << QList<int>{2, 3, 4} << video << AddAction::ShowVideoAgain << 1;
    QTest::newRow("first picture")
        << 0 << 0 << QList<int>{} << picture << AddAction::CreatePicture << 2;
    QTest::newRow("next picture after the video")
        << 1 << 2 << QList<int>{1, 2, 3} << picture << AddAction::CreatePicture << 4;
    QTest::newRow("lowest deleted picture first")
        << 0 << 5 << QList<int>{2, 4, 6} << picture << AddAction::ShowPictureAgain << 3;
    QTest::newRow("deleted picture before a new one")
        << 0 << 3 << QList<int>{3, 4} << picture << AddAction::ShowPictureAgain << 2;
    QTest::newRow("ten in use") << 0 << 10 << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << picture
                                << AddAction::PictureLimit << 0;
    QTest::newRow("ten created, Picture4 deleted")
        << 1 << 10 << QList<int>{1, 2, 3, 4, 6, 7, 8, 9, 10, 11} << picture
        << AddAction::ShowPictureAgain << 5;
    QTest::newRow("tenth picture") << 0 << 9 << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10} << picture
                                   << AddAction::CreatePicture << 11;
}

void WindowAddingTest::plan()
{
    QFETCH(int, hasVideo);
    QFETCH(int, pictureCount);
    QFETCH(QList<int>, inUse);
    QFETCH(WindowKind, kind);
    QFETCH(AddAction, action);
    QFETCH(int, index);

    WindowTable table;
    table.HasVideoWindow = static_cast<std::int16_t>(hasVideo);
    table.PictureWindowCount = static_cast<std::int16_t>(pictureCount);
    for (int i : inUse)
        table.WindowInUse[static_cast<std::size_t>(i)] = kInUse;
    const AddStep step = planAddWindow(table, kind);
    QCOMPARE(step.action, action);
    QCOMPARE(step.index, index);
}

void WindowAddingTest::findsByExactName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("video name with its line feed") << "Video\n1" << 1;
    QTest::newRow("video name without the line feed") << "Video1" << 0;
    QTest::newRow("picture") << "Picture2" << 3;
    QTest::newRow("case counts") << "picture2" << 0;
    QTest::newRow("prefix selects nothing") << "Pic" << 0;
    QTest::newRow("deleted window") << "Picture1" << 0;
    QTest::newRow("template") << "***" << 0;
    QTest::newRow("empty") << "" << 0;
}

void WindowAddingTest::findsByExactName()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    WindowTable table;
    table.HasVideoWindow = 1;
    table.PictureWindowCount = 2;
    table.WindowInUse[1] = kInUse;
    table.WindowInUse[3] = kInUse; // Picture1 (index 2) is deleted
    const QStringList names{"***", "Video\n1", "Picture1", "Picture2"};
    const auto nameOf = [&names](int i) { return i < names.size() ? names[i] : QString(); };
    QCOMPARE(findWindowByName(table, nameOf, name), index);
}

void WindowAddingTest::markedRange_data()
{
    QTest::addColumn<int>("hasVideo");
    QTest::addColumn<int>("pictureCount");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("nothing created") << 0 << 0 << 2 << 1;
    QTest::newRow("video only") << 1 << 0 << 1 << 1;
    QTest::newRow("pictures only") << 0 << 3 << 2 << 4;
    QTest::newRow("both") << 1 << 10 << 1 << 11;
}

void WindowAddingTest::markedRange()
{
    QFETCH(int, hasVideo);
    QFETCH(int, pictureCount);
    QFETCH(int, first);
    QFETCH(int, last);
    WindowTable table;
    table.HasVideoWindow = static_cast<std::int16_t>(hasVideo);
    table.PictureWindowCount = static_cast<std::int16_t>(pictureCount);
    const IndexRange range = createdWindows(table);
    QCOMPARE(range.first, first);
    QCOMPARE(range.last, last);
}

QTEST_APPLESS_MAIN(WindowAddingTest)
#include "tst_window_adding.moc"
