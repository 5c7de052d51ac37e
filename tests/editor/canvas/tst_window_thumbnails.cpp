#include "editor/canvas/layout_canvas.h"
#include "support/editor_harness.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace tv;

// The canvas shows what each window holds, and follows its list.
class WindowThumbnailsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }
    void firstPictureShows_data();
    void firstPictureShows();

private:
    test::EditorHarness harness_;
};

void WindowThumbnailsTest::firstPictureShows_data()
{
    QTest::addColumn<bool>("video");
    QTest::addColumn<QString>("name");
    QTest::newRow("a picture window") << false << "red.jpg";
    QTest::newRow("a picture in the video window") << true << "snapjpg";
}

void WindowThumbnailsTest::firstPictureShows()
{
    QFETCH(bool, video);
    QFETCH(QString, name);
    QTemporaryDir media;
    QImage red(320, 180, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(media.filePath(name), "JPG"));
    test::EditorDriver& driver = *harness_.driver;
    driver.chooseFolder(media.path());
    if (video)
        driver.addVideo();
    else
        driver.addPicture();
    const int index = driver.current();
    const WindowBody* body = harness_.form->canvas().Image1(index);
    QVERIFY(body->thumbnail().isNull());

    driver.pressFileRow(1);
    driver.addMarkedFiles();
    QTRY_VERIFY(!body->thumbnail().isNull());
    // Decoded at the size drawn, not the picture's own.
    QVERIFY(body->thumbnail().width() <= body->width());
    const QColor middle = body->thumbnail().pixelColor(body->thumbnail().rect().center());
    QVERIFY2(middle.red() > 200 && middle.green() < 60, qPrintable(middle.name()));

    // An empty list shows nothing; undoing brings the picture back.
    driver.clickPlaylistRow(1);
    driver.playlistDelete();
    QTRY_VERIFY(body->thumbnail().isNull());
    harness_.form->history().undo();
    QTRY_VERIFY(!body->thumbnail().isNull());
}

QTEST_MAIN(WindowThumbnailsTest)
#include "tst_window_thumbnails.moc"
