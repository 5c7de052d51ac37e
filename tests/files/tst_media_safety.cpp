#include "base/log_text.h"
#include "base/message_tally.h"
#include "base/qt_message_route.h"
#include "decode/picture_decoding.h"
#include "files/media_open.h"
#include "support/file_helpers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tv;

// What the player does with a media file before anything decodes it, and
// the sizes it decodes at.
class MediaSafetyTest : public QObject {
    Q_OBJECT
private slots:
    void opening_data();
    void opening();
    void decodeSizes_data();
    void decodeSizes();
    void picturesDecodeToTheirDrawnSize();
    void logEscapes();
};

void MediaSafetyTest::opening_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem"); // empty: it opens
    QTest::newRow("a regular file") << "plain.png"
                                    << "";
    QTest::newRow("a FIFO without a writer") << "fifo.png"
                                             << "not a regular file";
    QTest::newRow("a link to a device") << "zero.png"
                                        << "a link, not a file";
    QTest::newRow("a link to a regular file") << "link.png"
                                              << "a link, not a file";
    QTest::newRow("a folder") << "folder.png"
                              << "not a regular file";
    QTest::newRow("nothing") << "missing.png"
                             << "No such file or directory";
}

// Whatever the name stands for, opening it returns at once; only a regular
// file, reached without a link, is read.
void MediaSafetyTest::opening()
{
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain.png"));
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("0123456789") == 10);
    plain.close();
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.png")).constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.png")));
    QVERIFY(QFile::link(dir.filePath("plain.png"), dir.filePath("link.png")));
    QVERIFY(QDir(dir.path()).mkdir("folder.png"));

    const MediaHandle file = MediaHandle::open(dir.filePath(name));
    QCOMPARE(file.problem(), problem);
    QCOMPARE(file.isOpen(), problem.isEmpty());
    QString why;
    const QByteArray bytes = file.readAll(1 << 20, &why);
    QCOMPARE(bytes, problem.isEmpty() ? QByteArray("0123456789") : QByteArray());
    QCOMPARE(why, problem);
    if (file.isOpen()) {
        // The file read is the one opened, whatever its name points at now.
        QVERIFY(QFile::remove(dir.filePath(name)));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600), 0);
        QCOMPARE(file.readAll(1 << 20, &why), QByteArray("0123456789"));
        QFile again(file.stablePath());
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray("0123456789"));
        QCOMPARE(file.readAll(9, &why), QByteArray());
        QCOMPARE(why, QStringLiteral("larger than 9 bytes"));
    }
}

void MediaSafetyTest::decodeSizes_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("visible");
    QTest::addColumn<QSize>("decoded");
    QTest::newRow("fits the window")
        << QSize(1920, 1080) << QSize(384, 216) << QSize(384, 216) << QSize(384, 216);
    QTest::newRow("a square in a wide window")
        << QSize(5700, 5700) << QSize(960, 540) << QSize(960, 540) << QSize(540, 540);
    QTest::newRow("never enlarged")
        << QSize(64, 36) << QSize(1920, 1080) << QSize(1920, 1080) << QSize(64, 36);
    QTest::newRow("a window reaching far past the screen")
        << QSize(1920, 1080) << QSize(4896, 2754) << QSize(1920, 1080) << QSize(1920, 1080);
    QTest::newRow("mostly off the screen")
        << QSize(5700, 5700) << QSize(4000, 4000) << QSize(100, 1000) << QSize(100, 100);
    QTest::newRow("a window 0 wide")
        << QSize(5700, 5700) << QSize(0, 1080) << QSize(0, 1080) << QSize(1, 1);
    QTest::newRow("an empty window") << QSize(5700, 5700) << QSize() << QSize() << QSize(1, 1);
    QTest::newRow("a 1-pixel-high window")
        << QSize(1920, 1080) << QSize(1920, 1) << QSize(1920, 1) << QSize(1, 1);
}

void MediaSafetyTest::decodeSizes()
{
    QFETCH(QSize, source);
    QFETCH(QSize, window);
    QFETCH(QSize, visible);
    QFETCH(QSize, decoded);
    QCOMPARE(decodeSize(source, {window, visible}), decoded);
}

// A large picture comes out at the size it is drawn, by the real reader;
// a file that is not a picture and a FIFO give their reasons at once.
void MediaSafetyTest::picturesDecodeToTheirDrawnSize()
{
    QTemporaryDir dir;
    QImage big(4000, 3000, QImage::Format_RGB32);
    big.fill(QColor(200, 30, 40));
    QVERIFY(big.save(dir.filePath("big.jpg"), "JPG", 90));
    const DecodedItem decoded = decodePicture(dir.filePath("big.jpg"), {{400, 400}, {400, 400}});
    QVERIFY(decoded.problem.isEmpty());
    QCOMPARE(decoded.image.size(), QSize(400, 300));
    const QColor middle = decoded.image.pixelColor(200, 150);
    QVERIFY2(qAbs(middle.red() - 200) < 12 && middle.green() < 50, qPrintable(middle.name()));

    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.jpg")).constData(), 0600), 0);
    QCOMPARE(decodePicture(dir.filePath("fifo.jpg"), {{400, 400}, {400, 400}}).problem,
             QStringLiteral("not a regular file"));
    QFile text(dir.filePath("text.jpg"));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
    text.close();
    const DecodedItem broken = decodePicture(dir.filePath("text.jpg"), {{400, 400}, {400, 400}});
    QVERIFY(broken.image.isNull());
    QVERIFY(!broken.problem.isEmpty());
    // A JPEG cut short is shown as far as it goes, and the reader's warning
    // is told under the file's name.
    QByteArray whole = test::contentOf(dir.filePath("big.jpg"));
    QVERIFY(test::put(dir.filePath("cut.jpg"), whole.left(whole.size() / 2)));
    QStringList lines;
    MessageTally tally([&lines](const QString& line) { lines.append(line); });
    {
        const QtMessageRoute route(tally);
        QVERIFY(!decodePicture(dir.filePath("cut.jpg"), {{400, 400}, {400, 400}}).image.isNull());
    }
    QVERIFY2(!lines.isEmpty() && lines.filter(QStringLiteral("cut.jpg")) == lines,
             qPrintable(lines.join('\n')));

    // A header that claims more pixels than a display uses is refused before
    // anything is decoded: the files hold a PNG's header and an empty image.
    const std::pair<int, const char*> headers[] = {
        {50000, "89504e470d0a1a0a0000000d494844520000c3500000c3500802000000c4cdaa9d"
                "000000004944415435af061e0000000049454e44ae426082"},
        {7072, "89504e470d0a1a0a0000000d4948445200001ba000001ba00802000000eca37bc1"
               "000000004944415435af061e0000000049454e44ae426082"}};
    for (const auto& [side, hex] : headers) {
        QVERIFY(test::put(dir.filePath("huge.png"), QByteArray::fromHex(hex)));
        QVERIFY(decodePicture(dir.filePath("huge.png"), {{400, 400}, {400, 400}})
                    .problem.startsWith(QStringLiteral("too large: %1x%1").arg(side)));
    }
    // A picture decoded whole before it is reduced is bounded lower than a
    // JPEG, which is reduced as it is decoded.
    for (const char* format : {"PNG", "JPG"}) {
        QImage wide(4100, 4100, QImage::Format_RGB32);
        wide.fill(Qt::darkRed);
        const QString path = dir.filePath(QStringLiteral("wide.") + format);
        QVERIFY(wide.save(path, format));
        const QString problem = decodePicture(path, {{400, 400}, {400, 400}}).problem;
        QCOMPARE(problem, format == QByteArray("PNG")
                              ? "too large: 4100x4100 (a PNG is shown up to 16 megapixels)"
                              : "");
    }
}

void MediaSafetyTest::logEscapes()
{
    QCOMPARE(escapedForLog(QStringLiteral("a\nb\x1b[2Jc\\d\u2028é.png")),
             QStringLiteral("a\\x0ab\\x1b[2Jc\\\\d\\x2028é.png"));
}

QTEST_MAIN(MediaSafetyTest)
#include "tst_media_safety.moc"
