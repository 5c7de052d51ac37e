#include "layout/layout_writer.h"
#include "show/show_folder.h"
#include "show/show_manifest.h"
#include "support/file_helpers.h"
#include "support/one_window_layout.h"
#include "support/os_faults.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace tv;

// The manifest a display trusts a show folder by, and that publishing owns a
// folder by: what is written reads back the same, anything malformed is
// refused; a target holding anything else, or a link, is refused untouched,
// and a failed publish leaves the earlier show as it was.
class ShowManifestTest : public QObject {
    Q_OBJECT
private slots:
    void readsBackWhatIsWritten();
    void refusesMalformed_data();
    void refusesMalformed();
    void replacesOnlyWhatItWrote_data();
    void replacesOnlyWhatItWrote();
    void publishesThroughALinkAndKeepsWhatItDidNotWrite();
    void failedWriteKeepsTheOldShow_data();
    void failedWriteKeepsTheOldShow();
};

namespace {

QByteArray digest(QRandomGenerator& random)
{
    QByteArray bytes(32, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes.toHex();
}

// A manifest whose one file is `file`, as JSON text.
QByteArray withFile(const QByteArray& file, const QByteArray& format = "1")
{
    return R"({"format": )" + format +
           R"(, "layout": "shop.TXT", "id": "x", "published": "2024-05-01T12:00:00Z", "files": [)" +
           file + "]}";
}

const QByteArray kHash(64, 'a');

QStringList filesIn(const QString& folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    files.sort(Qt::CaseInsensitive);
    return files;
}

// Every entry under `root`, links not followed: a link's target, "dir", or a
// file's bytes.
QMap<QString, QByteArray> treeOf(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        tree.insert(entry.filePath().mid(root.size()),
                    entry.isSymLink() ? "-> " + QFile::encodeName(entry.symLinkTarget())
                    : entry.isDir()   ? QByteArray("dir")
                                      : test::contentOf(entry.filePath()));
    }
    return tree;
}

} // namespace

void ShowManifestTest::readsBackWhatIsWritten()
{
    QRandomGenerator random(7);
    for (int round = 0; round < 50; ++round) {
        ShowManifest manifest;
        manifest.layoutName = QStringLiteral("shop \"%1\".TXT").arg(round);
        manifest.id = QStringLiteral("id-%1").arg(random.generate());
        manifest.published =
            QDateTime::fromMSecsSinceEpoch(random.bounded(qint64(1) << 42), Qt::UTC);
        const int count = int(random.bounded(6));
        for (int i = 0; i < count; ++i) {
            // Names a user may give: spaces, quotes, accents, CJK, emoji.
            const QString name = QStringLiteral("%1 ä\"漢😀 %2.png").arg(i).arg(random.generate());
            manifest.files.append({name, random.bounded(qint64(1) << 50), digest(random)});
            // Any listed file may be a layout of either shape, or none.
            if (const quint32 shape = random.bounded(3); shape < 2)
                manifest.shapes.insert(name,
                                       shape ? ScreenShape::Portrait : ScreenShape::Landscape);
        }
        QString why;
        const auto read = decodeManifest(encodeManifest(manifest), &why);
        QVERIFY2(read, qPrintable(why));
        QCOMPARE(*read, manifest);
    }
    // Upper-case digits are read, and kept in lower case.
    const auto upper = decodeManifest(
        withFile(R"({"name": "a.png", "size": 3, "sha256": ")" + kHash.toUpper() + "\"}"), nullptr);
    QVERIFY(upper);
    QCOMPARE(upper->files.first().sha256, kHash);
    QCOMPARE(upper->published, QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
    // As an earlier release wrote it, without shapes: every layout landscape.
    QVERIFY(upper->shapes.isEmpty());
    QCOMPARE(upper->shapeOf("a.png"), ScreenShape::Landscape);
}

void ShowManifestTest::refusesMalformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const auto file = [](const QByteArray& name, const QByteArray& size = "1",
                         const QByteArray& hash = kHash) {
        return R"({"name": ")" + name + R"(", "size": )" + size + R"(, "sha256": ")" + hash + "\"}";
    };
    QByteArray many;
    for (int i = 0; i <= kMaxManifestFiles; ++i)
        many += (i ? "," : "") + file("f" + QByteArray::number(i));
    QTest::newRow("not JSON") << QByteArray("{\"format\": 1,") << "not JSON";
    QTest::newRow("a list") << QByteArray("[]") << "not a JSON object";
    QTest::newRow("format 2") << withFile(file("a"), "2") << "format";
    QTest::newRow("format as text") << withFile(file("a"), "\"1\"") << "format";
    QTest::newRow("a path") << withFile(file("media/a.png")) << "media/a.png";
    QTest::newRow("a backslash") << withFile(file(R"(..\\a.png)")) << "is not a file name";
    QTest::newRow("a NUL") << withFile(file(R"(a\u0000b)")) << "a\\x00b";
    QTest::newRow("dot") << withFile(file(".")) << "is not a file name";
    QTest::newRow("dot dot") << withFile(file("..")) << "is not a file name";
    QTest::newRow("no name") << withFile(file("")) << "no name";
    QTest::newRow("itself") << withFile(file("show.json")) << "itself";
    QTest::newRow("twice") << withFile(file("a.png") + "," + file("a.png")) << "a.png twice";
    QTest::newRow("negative size") << withFile(file("a", "-1")) << "size";
    QTest::newRow("fractional size") << withFile(file("a", "1.5")) << "size";
    QTest::newRow("short sha256") << withFile(file("a", "1", kHash.left(63))) << "sha256";
    QTest::newRow("not hex") << withFile(file("a", "1", kHash.left(63) + "g")) << "sha256";
    QTest::newRow("4097 files") << withFile(many) << "more than 4096";
    QTest::newRow("local time") << QByteArray(withFile(file("a")).replace("00Z", "00"))
                                << "published";
    QTest::newRow("too large") << withFile(file("a")) + QByteArray(kMaxManifestBytes, ' ')
                               << "larger than 4 MB";
    const auto shaped = [&file](const QByteArray& shapes) {
        return withFile(file("show.TXT")).chopped(1) + R"(, "shapes": )" + shapes + "}";
    };
    QTest::newRow("shapes as a list") << shaped(R"(["portrait"])") << "shapes are not";
    QTest::newRow("an unknown shape") << shaped(R"({"show.TXT": "square"})") << "not landscape";
    QTest::newRow("a shape as a number") << shaped(R"({"show.TXT": 1})") << "not landscape";
    QTest::newRow("the shape of a file not listed")
        << shaped(R"({"other.TXT": "portrait"})") << "other.TXT, which it does not list";
}

void ShowManifestTest::refusesMalformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QString why;
    QVERIFY(!decodeManifest(bytes, &why));
    QVERIFY2(why.contains(reason), qPrintable(why));
}

// Whatever the target is, a publish replaces only a show it wrote, with a
// show.json or from before there was one: anything else is refused by name,
// and left exactly as it was. No reason: the target becomes the new show.
void ShowManifestTest::replacesOnlyWhatItWrote_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    const auto row = [](const char* name, const char* target, const char* reason) {
        QTest::newRow(name) << QString(target) << QString(reason);
    };
    row("the media folder", "media", "is the media folder");
    row("the media folder/", "media/", "is the media folder");
    row("the media's parent", ".", "holds the media folder");
    row("media/..", "media/..", "holds the media folder");
    row("the layout's folder", "layout", "holds the layout");
    row("the user's files", "docs", "has no show.json");
    row("a show with a note", "show", "holds note.txt, which is not part");
    row("a show with a folder", "show2", "holds keep, which is not part");
    row("a file", "file.doc", "is a file, not a folder");
    row("a link to the user's files", "link", "has no show.json");
    row("a link leading nowhere", "nowhere", "which leads nowhere");
    row("a link leading nowhere, as link/", "nowhere/", "which leads nowhere");
    row("past a link leading nowhere", "nowhere/show", "lies past");
    row("an earlier show with a note", "old2", "holds note.txt, which is not part");
    row("an earlier show.TXT that is no layout", "old3", "its show.TXT is not a layout");
    row("a show published before", "show3", "");
    row("an earlier show, names in another case", "old", "");
}

void ShowManifestTest::replacesOnlyWhatItWrote()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir root;
    const QDir at(root.path());
    for (const char* folder : {"media", "layout", "docs"})
        QVERIFY(at.mkdir(folder));
    QVERIFY(test::put(at.filePath("media/a.png"), "a"));
    QVERIFY(test::put(at.filePath("layout/shop.TXT"), test::layoutNaming({"a.png"})));
    QVERIFY(test::put(at.filePath("docs/letter.doc"), "mine"));
    QVERIFY(test::put(at.filePath("file.doc"), "mine too"));
    QVERIFY(QFile::link(at.filePath("docs"), at.filePath("link")));
    QVERIFY(QFile::link(at.filePath("away/deeper"), at.filePath("nowhere")));
    for (const char* show : {"show", "show2", "show3"})
        QCOMPARE(
            publishShow(test::layoutNaming({"a.png"}), at.filePath("media"), at.filePath(show)),
            QString());
    QVERIFY(test::put(at.filePath("show/note.txt"), "a note"));
    QVERIFY(at.mkdir("show2/keep"));
    // Shows the previous release published: a layout and its media only.
    for (const char* old : {"old/", "old2/"}) {
        QVERIFY(at.mkdir(old));
        QVERIFY(test::put(at.filePath(old + QString("show.TXT")),
                          test::layoutNaming({"a.png", "B.PNG"})));
        QVERIFY(test::put(at.filePath(old + QString("a.png")), "an old a"));
        QVERIFY(test::put(at.filePath(old + QString("b.png")), "an old b"));
    }
    QVERIFY(test::put(at.filePath("old2/note.txt"), "a note"));
    QVERIFY(at.mkdir("old3"));
    QVERIFY(test::put(at.filePath("old3/show.TXT"), "not a layout"));
    QVERIFY(test::put(at.filePath("old3/a.png"), "an old a"));

    auto expected = treeOf(root.path());
    const QString given = at.filePath(target);
    const QString named = given.chopped(target.endsWith('/') ? 1 : 0);
    const QString refusal = publishShow(test::layoutNaming({"a.png"}), at.filePath("media"), given,
                                        at.filePath("layout/shop.TXT"));
    auto after = treeOf(root.path());
    if (reason.isEmpty()) {
        QCOMPARE(refusal, QString());
        const QString inside = '/' + target + '/';
        QVERIFY(decodeManifest(after.take(inside + "show.json"), nullptr));
        expected.removeIf([&](auto entry) { return entry.key().startsWith(inside); });
        expected.insert(inside + "show.TXT", test::layoutNaming({"a.png"}));
        expected.insert(inside + "a.png", "a");
    } else {
        QVERIFY2(refusal.contains(reason) && refusal.endsWith("Nothing was published.") &&
                     refusal.startsWith(named),
                 qPrintable(refusal));
    }
    QCOMPARE(after, expected);
}

// A link to a folder is followed, and stays a link; what only looks like
// scratch an interrupted publish left holds nothing recorded as a publish's,
// so it all stays, each such folder of the target's told once; names
// differing only in case are one file.
void ShowManifestTest::publishesThroughALinkAndKeepsWhatItDidNotWrite()
{
    QTemporaryDir media;
    for (const char* name : {"a.png", "B.png", "c.png"})
        QVERIFY(test::put(media.filePath(name), QByteArray(name).repeated(1000)));
    QTemporaryDir parent;
    const QDir at(parent.path());
    QCOMPARE(publishShow(test::layoutNaming({"c.png"}), media.path(), at.filePath("real")),
             QString());
    QVERIFY(QFile::link(at.filePath("real"), at.filePath("show")));
    // What an interrupted publish leaves, and what only looks like it.
    for (const char* folder : {".real.new-Ab12Cd", ".real.new-Zz99Yy/sub", ".real.new-Ln00Ln",
                               ".real.new-toolong", ".show.new-Ab12Cd"})
        QVERIFY(at.mkpath(folder));
    QVERIFY(test::put(at.filePath(".real.new-Ab12Cd/show.TXT"), "half"));
    QVERIFY(test::put(at.filePath(".real.new-Zz99Yy/keep.txt"), "beside a folder"));
    QVERIFY(QFile::link(media.filePath("a.png"), at.filePath(".real.new-Ln00Ln/a.png")));
    QVERIFY(test::put(at.filePath(".real.new-Qq11Ww"), "a file"));
    const auto scratch = [&] { return treeOf(parent.path()).keys().filter("new-"); };
    const QStringList kept = scratch();
    QCOMPARE(kept.size(), 10);

    const QByteArray layout = test::layoutNaming({"a.png", "A.PNG", "b.png"});
    QStringList told;
    QCOMPARE(publishShow(layout, media.path(), at.filePath("show/"), QString(),
                         [&](const QString& line) { told << line; }),
             QString());
    QCOMPARE(
        told.filter(QRegularExpression("/\\.real\\.new-\\w{6} is left as it is: it holds ")).size(),
        3);
    QVERIFY(QFileInfo(at.filePath("show")).isSymLink());
    QCOMPARE(filesIn(at.filePath("real")),
             (QStringList{"a.png", "B.png", "show.json", "show.TXT"}));
    QCOMPARE(scratch(), kept);
    QCOMPARE(test::contentOf(media.filePath("a.png")), QByteArray("a.png").repeated(1000));

    QString why;
    const auto manifest = decodeManifest(test::contentOf(at.filePath("real/show.json")), &why);
    QVERIFY2(manifest, qPrintable(why));
    QStringList listed;
    for (const ShowFile& file : manifest->files) {
        const QByteArray bytes = test::contentOf(at.filePath("real/" + file.name));
        QCOMPARE(file.size, bytes.size());
        QCOMPARE(file.sha256, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        QCOMPARE(sha256OfFile(at.filePath("real/" + file.name), &why), file.sha256);
        listed << file.name;
    }
    QCOMPARE(listed, (QStringList{"show.TXT", "a.png", "B.png"}));
}

// A write the OS refuses leaves the earlier show and its folder's neighbours
// as they were, and tells the OS's reason.
void ShowManifestTest::failedWriteKeepsTheOldShow_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a read-only parent") << true << "Permission denied";
    QTest::newRow("a file too large") << false << "File too large";
}

void ShowManifestTest::failedWriteKeepsTheOldShow()
{
    QFETCH(bool, readOnly);
    QFETCH(QString, reason);
    if (readOnly && geteuid() == 0)
        QSKIP("root writes in a read-only folder");
    QTemporaryDir media;
    QVERIFY(test::put(media.filePath("a.png"), "a"));
    QVERIFY(test::put(media.filePath("big.png"), QByteArray(1 << 20, 'b')));
    QTemporaryDir parent;
    const QString target = QDir(parent.path()).filePath("show");
    QCOMPARE(publishShow(test::layoutNaming({"a.png"}), media.path(), target), QString());
    const auto before = treeOf(parent.path());

    std::optional<test::FileSizeLimit> limit;
    if (readOnly)
        QVERIFY(QFile::setPermissions(parent.path(), QFile::ReadOwner | QFile::ExeOwner));
    else
        QVERIFY(limit.emplace(64 * 1024).active());
    const QString failure = publishShow(test::layoutNaming({"big.png"}), media.path(), target);
    limit.reset();
    QFile::setPermissions(parent.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(failure.contains(target) && failure.contains(reason), qPrintable(failure));
    QCOMPARE(treeOf(parent.path()), before);
}

QTEST_GUILESS_MAIN(ShowManifestTest)
#include "tst_show_manifest.moc"
