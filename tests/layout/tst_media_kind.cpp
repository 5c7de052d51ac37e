#include "layout/media_kind.h"

#include <QTest>

class MediaKindTest : public QObject {
    Q_OBJECT
private slots:
    void classifies_data();
    void classifies();
    void picturesInTheVideoWindow_data();
    void picturesInTheVideoWindow();
};

void MediaKindTest::classifies_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("video");
    QTest::addColumn<bool>("picture");
    const struct {
        const char* name;
        bool video;
        bool picture;
    } cases[] = {
        {"clip.avi", true, false},   {"clip.AVI", true, false},
        {"Clip.Avi", true, false},   {"film.mpg", true, false},
        {"film.mkv", true, false},   {"film.mp4", true, false},
        {"dvd.vob", true, false},    {"win.wmv", true, false},
        {"holiday.ts", true, false}, {"holiday.TS", true, false},
        {"ts", false, false},        {"xts", false, false},
        {"movieavi", true, false},   {"photo.jpg", true, true},
        {"photo.bmp", true, true},   {"PHOTO.JPG", true, true},
        {"photo.png", true, false},  {"photo.jpeg", false, false},
        {"film.mpeg", false, false}, {"stream.m2ts", false, false},
        {"scan.tiff", false, false}, {"jpg", true, true},
        {"", false, false},          {"archive.mp4.bak", false, false},
        {"notes.txt", false, false}, {"pg", false, false},
    };
    for (const auto& c : cases)
        QTest::newRow(c.name[0] ? c.name : "(empty)")
            << QString::fromLatin1(c.name) << c.video << c.picture;
    // Only A to Z fold: the Kelvin sign and dotted capital I are no letters of
    // an ending.
    QTest::newRow("kelvin sign") << QStringLiteral("a.mk\u212A") << false << false;
    QTest::newRow("dotted capital i") << QStringLiteral("a.av\u0130") << false << false;
}

void MediaKindTest::classifies()
{
    QFETCH(QString, name);
    QFETCH(bool, video);
    QFETCH(bool, picture);
    QCOMPARE(tv::IsVideoFile(name), video);
    QCOMPARE(tv::IsPicFile(name), picture);
}

void MediaKindTest::picturesInTheVideoWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("picture");
    for (const char* name : {"a.jpg", "A.PNG", "x.Bmp", "snapjpg", "png"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    for (const char* name : {"clip.avi", "photo.jpeg", "a.jpg.mp4", "a.gif", "pn", ""})
        QTest::newRow(name[0] ? name : "(empty)") << QString::fromLatin1(name) << false;
}

// One rule for every reader: what the video window's list offers as a
// picture is shown as one.
void MediaKindTest::picturesInTheVideoWindow()
{
    QFETCH(QString, name);
    QFETCH(bool, picture);
    QCOMPARE(tv::playsAsPicture(name), picture);
    if (picture)
        QVERIFY(tv::IsVideoFile(name));
}

QTEST_APPLESS_MAIN(MediaKindTest)
#include "tst_media_kind.moc"
