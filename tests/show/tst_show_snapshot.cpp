#include "decode/picture_decoding.h"
#include "layout/layout_writer.h"
#include "show/show_folder.h"
#include "show/show_snapshot.h"
#include "support/os_faults.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tv;

// A display reading its show: however many files the show has, it keeps
// handles for what plays, never takes a file written since it read the
// show, and hashes nothing twice, not even over a restart.
class ShowSnapshotTest : public QObject {
    Q_OBJECT
private slots:
    void aLargeShowLeavesHandlesFree();
    void aFileWrittenSinceTheReadIsNeverTaken_data();
    void aFileWrittenSinceTheReadIsNeverTaken();
    void hashesOutliveARestart();
};

namespace {

constexpr int kNames = 200;
constexpr rlim_t kLimit = 64; // the budget is eight files held open

QString nameOf(int i)
{
    return QStringLiteral("p%1.png").arg(i, 3, 10, QLatin1Char('0'));
}

// A show of kNames pictures of one colour in one window, published to
// `live` from `media`.
bool publishPictures(const QString& media, const QString& live, QColor colour)
{
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(colour);
    LayoutDescription layout;
    layout.pictures << LayoutWindow{{0, 0, 7200, 4050}, {}, {}, 1};
    layout.switchTimes = {5};
    for (int i = 0; i < kNames; ++i) {
        if (!picture.save(QDir(media).filePath(nameOf(i))))
            return false;
        layout.pictures[0].names << nameOf(i);
    }
    return publishShow(std::get<QByteArray>(encodeLayout(layout)), media, live).isEmpty();
}

QColor colourAt(const ShowSnapshot& snapshot, int i)
{
    QString why;
    const QString path = snapshot.media.resolve(nameOf(i), &why);
    const DecodedItem decoded = decodePicture(path, {QSize(8, 8), QSize(8, 8), 0});
    return decoded.problem.isEmpty() ? decoded.image.pixelColor(4, 4) : QColor();
}

QString problemAt(const ShowSnapshot& snapshot, int i)
{
    QString why;
    return decodePicture(snapshot.media.resolve(nameOf(i), &why), {QSize(8, 8), QSize(8, 8), 0})
        .problem;
}

int openFiles()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size());
}

// Sets a file's times far back, so that a write now surely changes them on
// any file system's clock.
bool agedFile(const QString& path)
{
    const struct timespec old[2] = {{946684800, 0}, {946684800, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0) == 0;
}

} // namespace

void ShowSnapshotTest::aLargeShowLeavesHandlesFree()
{
    QTemporaryDir media, root;
    const QString live = root.filePath("live");
    QVERIFY(publishPictures(media.path(), live, Qt::red));
    const test::OpenFileLimit limit(kLimit);
    QVERIFY(limit.active());
    ShowReader reader(QDir(live).filePath(kShowLayoutName), live);
    const ShowSnapshot first = reader.read();
    QVERIFY(first.whole());
    QVERIFY2(openFiles() < int(kLimit) / 2, qPrintable(QString::number(openFiles())));
    // Every file changed, while the first show still plays: both are read
    // within the limit, and each plays its own files.
    QVERIFY(publishPictures(media.path(), live, Qt::green));
    const ShowSnapshot second = reader.read();
    QVERIFY(second.whole());
    QVERIFY2(openFiles() < int(kLimit) / 2, qPrintable(QString::number(openFiles())));
    for (int i : {0, 7, 8, kNames - 1}) {
        QCOMPARE(colourAt(second, i), QColor(Qt::green));
        // The first show's files held open play on; the others are gone.
        if (i < 8)
            QCOMPARE(colourAt(first, i), QColor(Qt::red));
        else
            QCOMPARE(problemAt(first, i), QString(kChangedSinceRead));
    }
}

void ShowSnapshotTest::aFileWrittenSinceTheReadIsNeverTaken_data()
{
    QTest::addColumn<int>("item"); // the first eight are held open, the others not
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<bool>("oldPlays");
    QTest::newRow("held, written in place") << 0 << true << false;
    QTest::newRow("held, renamed over") << 0 << false << true;
    QTest::newRow("remembered, written in place") << kNames - 1 << true << false;
    QTest::newRow("remembered, renamed over") << kNames - 1 << false << false;
}

// A sync tool writing in place gives a mix of two files while it writes, and
// one of the next show after: neither is ever decoded for the show read
// before. A file renamed over is another file: one held open plays on.
void ShowSnapshotTest::aFileWrittenSinceTheReadIsNeverTaken()
{
    QFETCH(int, item);
    QFETCH(bool, inPlace);
    QFETCH(bool, oldPlays);
    QTemporaryDir media, root;
    const QString live = root.filePath("live");
    QVERIFY(publishPictures(media.path(), live, Qt::red));
    const QString path = QDir(live).filePath(nameOf(item));
    QVERIFY(agedFile(path));
    const test::OpenFileLimit limit(kLimit);
    ShowReader reader(QDir(live).filePath(kShowLayoutName), live);
    const ShowSnapshot snapshot = reader.read();
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    if (inPlace) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite)); // neither truncated nor replaced
        QVERIFY(blue.save(&file, "PNG"));
    } else {
        QVERIFY(blue.save(path + ".part", "PNG"));
        QVERIFY(::rename(QFile::encodeName(path + ".part"), QFile::encodeName(path)) == 0);
    }
    if (oldPlays)
        QCOMPARE(colourAt(snapshot, item), QColor(Qt::red));
    else
        QCOMPARE(problemAt(snapshot, item), QString(kChangedSinceRead));
    // The next read takes the file as it is now.
    QCOMPARE(colourAt(reader.read(), item), QColor(Qt::blue));
}

void ShowSnapshotTest::hashesOutliveARestart()
{
    QTemporaryDir media, root, state;
    const QString live = root.filePath("live");
    QVERIFY(publishPictures(media.path(), live, Qt::red));
    const QString layout = QDir(live).filePath(kShowLayoutName);
    const QString cache = state.filePath("tessellview/hashes");
    ShowSnapshot first = ShowReader(layout, live, MediaHandle::Links::Refused, cache)
                             .read(ShowReader::Hashing::KnownOnly);
    QCOMPARE(first.unchecked, kNames);
    QVERIFY(ShowReader(layout, live, MediaHandle::Links::Refused, cache).read().whole());
    // Restarted, the display knows every hash at its first look...
    first = ShowReader(layout, live, MediaHandle::Links::Refused, cache)
                .read(ShowReader::Hashing::KnownOnly);
    QCOMPARE(first.unchecked, 0);
    QVERIFY(first.whole());
    // ...but that of a file written since, even to its old size and times.
    const QString path = QDir(live).filePath(nameOf(3));
    const struct stat before = [&] {
        struct stat status {};
        ::stat(QFile::encodeName(path).constData(), &status);
        return status;
    }();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(file.size() - 1) && file.write("\x01", 1) == 1);
    file.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
    const ShowSnapshot again = ShowReader(layout, live, MediaHandle::Links::Refused, cache)
                                   .read(ShowReader::Hashing::KnownOnly);
    QCOMPARE(again.unchecked, 1);
    QCOMPARE(ShowReader(layout, live, MediaHandle::Links::Refused, cache).read().notWhole,
             QStringList{nameOf(3)});
}

QTEST_MAIN(ShowSnapshotTest)
#include "tst_show_snapshot.moc"
