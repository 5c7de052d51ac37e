#include "files/folder_listing.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;

namespace {

void writeFile(const QString& path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size));
}

} // namespace

class FolderListingTest : public QObject {
    Q_OBJECT
private slots:
    void listsNormalFilesInOrder();
    void emptyFolder();
    void limit_data();
    void limit();
    void firstOfAFullSort();
    void largeFileShowsItsTrueSize();
    void order_data();
    void order();
};

void FolderListingTest::listsNormalFilesInOrder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir.filePath("b.jpg"), 1234);
    writeFile(dir.filePath("A.avi"), 0);
    writeFile(dir.filePath("notes.txt"), 7);
    writeFile(dir.filePath(".hidden.jpg"), 5);
    QVERIFY(QDir(dir.path()).mkdir("folder.jpg"));
    QVERIFY(QFile::link(dir.filePath("b.jpg"), dir.filePath("link.jpg")));
    QVERIFY(QFile::link(dir.filePath("gone.jpg"), dir.filePath("broken.jpg")));

    const FolderListing listing = listFolder(dir.path() + "/");
    QCOMPARE(listing.truncated, false);
    const QList<MediaFile> expected{
        {"A.avi", "0"}, {"b.jpg", "1234"}, {"link.jpg", "1234"}, {"notes.txt", "7"}};
    QCOMPARE(listing.files, expected);
}

void FolderListingTest::emptyFolder()
{
    QTemporaryDir dir;
    QCOMPARE(listFolder(dir.path()).files.size(), 0);
    QCOMPARE(listFolder(dir.path() + "/no such folder").files.size(), 0);
}

void FolderListingTest::limit_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("listed");
    QTest::addColumn<bool>("truncated");
    QTest::newRow("255 files") << 255 << 255 << false;
    QTest::newRow("256 files") << 256 << 255 << true;
}

void FolderListingTest::limit()
{
    QFETCH(int, files);
    QFETCH(int, listed);
    QFETCH(bool, truncated);
    QTemporaryDir dir;
    for (int i = 0; i < files; ++i)
        writeFile(dir.filePath(QStringLiteral("f%1.jpg").arg(i, 3, 10, QLatin1Char('0'))), i);
    const FolderListing listing = listFolder(dir.path());
    QCOMPARE(listing.files.size(), listed);
    QCOMPARE(listing.truncated, truncated);
    QCOMPARE(listing.files.first().name, QStringLiteral("f000.jpg"));
    QCOMPARE(listing.files.last().name, QStringLiteral("f254.jpg"));
}

// Whatever the limit, the listing holds the first names of the whole folder
// in order, as a full sort would put them.
void FolderListingTest::firstOfAFullSort()
{
    QRandomGenerator random(20261207);
    QTemporaryDir dir;
    QStringList names;
    const QString letters = QStringLiteral("aAbB_z9Z.");
    while (names.size() < 300) {
        QString name = QStringLiteral("x");
        for (int n = random.bounded(1, 6); n > 0; --n)
            name += letters[random.bounded(int(letters.size()))];
        if (!names.contains(name)) {
            names << name;
            writeFile(dir.filePath(name), 1);
        }
    }
    std::sort(names.begin(), names.end(), listedBefore);
    for (int limit : {1, 2, 17, 255, 299, 300, 301}) {
        const FolderListing listing = listFolder(dir.path(), limit);
        QStringList listed;
        for (const MediaFile& file : listing.files)
            listed << file.name;
        QCOMPARE(listed, names.mid(0, limit));
        QCOMPARE(listing.truncated, limit < 300);
    }
}

void FolderListingTest::largeFileShowsItsTrueSize()
{
    QTemporaryDir dir;
    // A sparse file: its length is large, its blocks are few.
    writeFile(dir.filePath("big.mkv"), Q_INT64_C(3221225472));
    QCOMPARE(listFolder(dir.path()).files.value(0).sizeText, QStringLiteral("3221225472"));
}

void FolderListingTest::order_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::newRow("case does not count") << "apple.jpg"
                                         << "Banana.jpg";
    QTest::newRow("digits before letters") << "9.jpg"
                                           << "a.jpg";
    QTest::newRow("text order of numbers") << "10.jpg"
                                           << "9.jpg";
    QTest::newRow("letters before underscore, as upper case") << "aab.png"
                                                              << "a_b.png";
    QTest::newRow("same letters, upper case first") << "Clip.avi"
                                                    << "clip.avi";
    QTest::newRow("shorter first") << "a.jpg"
                                   << "a.jpg.bmp";
}

void FolderListingTest::order()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QVERIFY(listedBefore(a, b));
    QVERIFY(!listedBefore(b, a));
}

QTEST_APPLESS_MAIN(FolderListingTest)
#include "tst_folder_listing.moc"
