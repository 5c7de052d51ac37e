#include "editor/canvas/layout_canvas.h"
#include "editor/controls/flex_grid.h"
#include "editor/media/playlist_panel.h"
#include "editor/media/switch_time_box.h"
#include "editor/window_commands.h"
#include "support/editor_harness.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tv;
using tv::test::EditorDriver;

class WindowCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }

    void limits_data();
    void limits();
    void newWindowFields_data();
    void newWindowFields();
    void newVideoWindow();
    void newPictureWindow();
    void deletedPictureComesBackEmptied();
    void lowestDeletedIndexFirst();
    void namesNeverRenumbered();
    void deletedVideoComesBackWhole();
    void deletingTheOnlyWindow();
    void deleteWithNothingSelected();
    void reusedPictureShowsItsSwitchTime();
    void newestWindowOnTop();
    void clearLayout();
    void clearEmptyLayout();

private:
    Split& form() { return *harness_.form; }
    EditorDriver& driver() { return *harness_.driver; }
    void addPictures(int count)
    {
        for (int i = 0; i < count; ++i)
            driver().addPicture();
    }
    void selectByName(const QString& name)
    {
        driver().pickListEntry(driver().listEntries().indexOf(name));
    }
    tv::test::EditorHarness harness_;
};

void WindowCommandsTest::limits_data()
{
    QTest::addColumn<int>("videos");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QString>("message");
    QTest::newRow("second video window") << 2 << 0 << "+__+: Can only add one video window";
    QTest::newRow("eleventh picture window") << 1 << 11 << "+_+: Can only add ten picture window";
}

void WindowCommandsTest::limits()
{
    QFETCH(int, videos);
    QFETCH(int, pictures);
    QFETCH(QString, message);
    for (int i = 0; i < videos - 1; ++i)
        driver().addVideo();
    addPictures(pictures - 1);
    const WindowTable before = form().table();
    const QStringList entriesBefore = driver().listEntries();

    if (pictures > 0)
        driver().addPicture();
    else
        driver().addVideo();

    QCOMPARE(harness_.dialogs.messages(), QStringList{message});
    QCOMPARE(form().table().WindowInUse, before.WindowInUse);
    QCOMPARE(form().table().PictureWindowCount, before.PictureWindowCount);
    QCOMPARE(form().table().CurrentWindow, before.CurrentWindow);
    QCOMPARE(driver().listEntries(), entriesBefore);
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowCommandsTest::newWindowFields_data()
{
    QTest::addColumn<bool>("video");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("video") << true << QStringList{"48", "48", "933", "800"};
    QTest::newRow("picture") << false << QStringList{"48", "48", "506", "333"};
}

void WindowCommandsTest::newWindowFields()
{
    QFETCH(bool, video);
    QFETCH(QStringList, fields);
    driver().typeFields({"1", "2", "3", "4"});
    video ? driver().addVideo() : driver().addPicture();
    QCOMPARE(driver().fields(), fields);
}

void WindowCommandsTest::newVideoWindow()
{
    driver().addVideo();
    LayoutCanvas& canvas = form().canvas();
    const WindowTable& table = form().table();
    QCOMPARE(table.HasVideoWindow, std::int16_t(1));
    QCOMPARE(table.CurrentWindow, std::int16_t(1));
    QCOMPARE(canvas.Label1(1)->Caption(), QStringLiteral("Video\n1"));
    QCOMPARE(driver().listEntries(), QStringList{"Video\n1"});
    QCOMPARE(driver().listText(), QStringLiteral("Video\n1"));
    QCOMPARE(canvas.Shape1(1)->FillStyle(), WindowOutline::kUpwardDiagonal);
    QCOMPARE(canvas.Shape1(1)->FillColor(), QColor(255, 0, 0));
    QCOMPARE(canvas.Shape1(1)->twips(), (TwipsRect{180, 180, 3500, 3000}));
    QCOMPARE(QPointF(canvas.Label1(1)->Left(), canvas.Label1(1)->Top()), QPointF(230, 230));
    QCOMPARE(QPointF(canvas.Image2(1)->Left(), canvas.Image2(1)->Top()), QPointF(3610, 3110));
    QCOMPARE(canvas.Image2(1)->Width(), 120.0f);

    const FlexGrid* grid = form().playlists().MSFlexGrid2(1);
    QCOMPARE(grid->Rows(), 1);
    QCOMPARE(grid->TextMatrix(0, 2), QStringLiteral("File"));
    QVERIFY(!grid->isHidden());

    const SwitchTimeBox& box = form().switchTime();
    QCOMPARE(box.Text3->text(), QString());
    QVERIFY(!box.Text3->isEnabled() && !box.Command12->isEnabled() && !box.Label9->isEnabled());
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowCommandsTest::newPictureWindow()
{
    driver().addVideo();
    driver().addPicture();
    LayoutCanvas& canvas = form().canvas();
    const WindowTable& table = form().table();
    QCOMPARE(table.PictureWindowCount, std::int16_t(1));
    QCOMPARE(table.CurrentWindow, std::int16_t(2));
    QCOMPARE(table.SwitchTime[1], 10);
    QCOMPARE(canvas.Label1(2)->Caption(), QStringLiteral("Picture1"));
    QCOMPARE(canvas.Shape1(2)->FillStyle(), WindowOutline::kDownwardDiagonal);
    QCOMPARE(canvas.Image1(2)->twips(), (TwipsRect{180, 180, 1900, 1250}));
    QCOMPARE(canvas.Shape1(1)->FillColor(), QColor(0, 0, 0));
    QCOMPARE(canvas.Shape1(2)->FillColor(), QColor(255, 0, 0));

    const SwitchTimeBox& box = form().switchTime();
    QCOMPARE(box.Text3->text(), QStringLiteral("10"));
    QVERIFY(box.Text3->isEnabled() && box.Command12->isEnabled() && box.Label9->isEnabled());
}

void WindowCommandsTest::deletedPictureComesBackEmptied()
{
    driver().addVideo();
    addPictures(10);
    selectByName("Picture4");
    QCOMPARE(driver().current(), 5);
    driver().typeFields({"100", "200", "300", "150"});
    driver().applyFields();
    const TwipsRect placed = driver().body(5);
    FlexGrid* grid = form().playlists().MSFlexGrid2(5);
    grid->AddItem();
    grid->setTextMatrix(1, 2, "a.jpg");
    form().table().SwitchTime[4] = 33;

    driver().deleteWindow();
    QVERIFY(!driver().listEntries().contains("Picture4"));
    driver().addPicture();

    QCOMPARE(harness_.dialogs.messages(), QStringList{});
    QCOMPARE(driver().current(), 5);
    QCOMPARE(form().canvas().Label1(5)->Caption(), QStringLiteral("Picture4"));
    QCOMPARE(driver().listEntries().last(), QStringLiteral("Picture4"));
    QCOMPARE(grid->Rows(), 1);
    QCOMPARE(grid->Row(), 0);
    QCOMPARE(driver().body(5), placed);
    QCOMPARE(form().table().SwitchTime[4], 33);
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowCommandsTest::lowestDeletedIndexFirst()
{
    addPictures(3);
    selectByName("Picture2");
    driver().deleteWindow();
    selectByName("Picture1");
    driver().deleteWindow();

    driver().addPicture();
    QCOMPARE(driver().current(), 2);
    QCOMPARE(driver().listText(), QStringLiteral("Picture1"));
    driver().addPicture();
    QCOMPARE(driver().current(), 3);
    QCOMPARE(driver().listText(), QStringLiteral("Picture2"));
    QCOMPARE(form().table().PictureWindowCount, std::int16_t(3));
}

void WindowCommandsTest::namesNeverRenumbered()
{
    driver().addVideo();
    addPictures(3);
    selectByName("Picture1");
    driver().deleteWindow();
    QCOMPARE(driver().listEntries(), (QStringList{"Video\n1", "Picture2", "Picture3"}));
    QCOMPARE(form().canvas().Label1(3)->Caption(), QStringLiteral("Picture2"));
    QCOMPARE(form().canvas().Label1(4)->Caption(), QStringLiteral("Picture3"));

    driver().addPicture();
    QCOMPARE(driver().listEntries(), (QStringList{"Video\n1", "Picture2", "Picture3", "Picture1"}));
}

void WindowCommandsTest::deletedVideoComesBackWhole()
{
    driver().addVideo();
    driver().typeFields({"0", "0", "960", "540"});
    driver().applyFields();
    FlexGrid* grid = form().playlists().MSFlexGrid2(1);
    form().model().setPlaylist(1, {{"clip.avi", "10"}}, 0, 0);
    driver().addPicture();
    selectByName("Video\n1");
    driver().deleteWindow();
    QCOMPARE(driver().current(), 2);

    driver().addVideo();
    QCOMPARE(driver().current(), 1);
    QCOMPARE(driver().listEntries(), (QStringList{"Picture1", "Video\n1"}));
    QCOMPARE(driver().body(1), (TwipsRect{0, 0, 3600, 2025}));
    QCOMPARE(grid->TextMatrix(1, 2), QStringLiteral("clip.avi"));
    QCOMPARE(driver().fields(), (QStringList{"0", "0", "960", "540"}));
    const SwitchTimeBox& box = form().switchTime();
    QCOMPARE(box.Text3->text(), QString());
    QVERIFY(!box.Text3->isEnabled());
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowCommandsTest::deletingTheOnlyWindow()
{
    driver().addPicture();
    driver().deleteWindow();
    QCOMPARE(driver().listEntries(), QStringList{});
    QCOMPARE(driver().listText(), QString());
    QCOMPARE(driver().current(), 2);
    QVERIFY(form().canvas().Image1(2)->isHidden());
    QCOMPARE(driver().violations(), QStringList{});

    const WindowTable before = form().table();
    driver().deleteWindow();
    QCOMPARE(form().table().WindowInUse, before.WindowInUse);
    QCOMPARE(driver().current(), 2);
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowCommandsTest::deleteWithNothingSelected()
{
    driver().deleteWindow();
    QCOMPARE(driver().current(), 0);
    QCOMPARE(harness_.dialogs.shown.size(), 0);
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowCommandsTest::reusedPictureShowsItsSwitchTime()
{
    driver().addPicture();
    form().table().SwitchTime[1] = 33;
    driver().deleteWindow();
    driver().addVideo();
    driver().addPicture(); // index 2 again, with the time it had
    QCOMPARE(driver().current(), 2);
    const SwitchTimeBox& box = form().switchTime();
    QCOMPARE(box.Text3->text(), QStringLiteral("33"));
    QVERIFY(box.Text3->isEnabled());
}

void WindowCommandsTest::newestWindowOnTop()
{
    driver().addVideo();
    driver().addPicture();
    LayoutCanvas& canvas = form().canvas();
    QList<QWidget*> stacked;
    for (QObject* child : canvas.Picture1->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isHidden())
            stacked << widget;
    const QList<QWidget*> expected{canvas.Image1(1), canvas.Shape1(1), canvas.Label1(1),
                                   canvas.Image2(1), canvas.Image1(2), canvas.Shape1(2),
                                   canvas.Label1(2), canvas.Image2(2)};
    QCOMPARE(stacked, expected);
}

void WindowCommandsTest::clearLayout()
{
    driver().addVideo();
    addPictures(4);
    selectByName("Picture2");
    driver().deleteWindow();
    form().table().SwitchTime[2] = 44;

    form().windows().ClearLayout();
    const WindowTable& table = form().table();
    QCOMPARE(table.HasVideoWindow, std::int16_t(0));
    QCOMPARE(table.PictureWindowCount, std::int16_t(0));
    QCOMPARE(table.CurrentWindow, std::int16_t(0));
    QCOMPARE(table.SwitchTime[2], 44);
    QCOMPARE(driver().listEntries(), QStringList{});
    QCOMPARE(driver().listText(), QString());
    for (int i = 1; i <= 5; ++i)
        QVERIFY(!form().canvas().Image1.exists(i) && !form().playlists().MSFlexGrid2.exists(i));
    QVERIFY(form().canvas().Image1.exists(0));
    QCOMPARE(driver().violations(), QStringList{});

    driver().addPicture();
    QCOMPARE(form().canvas().Label1(2)->Caption(), QStringLiteral("Picture1"));
}

void WindowCommandsTest::clearEmptyLayout()
{
    driver().typeFields({"7", "7", "7", "7"});
    form().windows().ClearLayout();
    QCOMPARE(driver().current(), 0);
    QCOMPARE(driver().fields(), (QStringList{"7", "7", "7", "7"}));
    QCOMPARE(driver().violations(), QStringList{});
}

QTEST_MAIN(WindowCommandsTest)
#include "tst_window_commands.moc"
