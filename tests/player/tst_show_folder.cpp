#include "display/show_snapshot.h"
#include "layoutfile/layout_writer.h"
#include "layoutfile/show_folder.h"
#include "support/file_helpers.h"
#include "support/one_window_layout.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tv;

// A published show folder is replaced whole, and only a show is replaced.
class ShowFolderTest : public QObject {
    Q_OBJECT
private slots:
    void publishSwapsTheWholeShow();
    void aShowsLayoutIsItsOwnFile_data();
    void aShowsLayoutIsItsOwnFile();
};

namespace {

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

void ShowFolderTest::publishSwapsTheWholeShow()
{
    QTemporaryDir media;
    for (const char* name : {"a.png", "b.png", "c.png", "unused.png"})
        QVERIFY(test::put(media.filePath(name), name));
    QTemporaryDir parent;
    const QString target = parent.filePath("show");
    QCOMPARE(publishShow(test::layoutNaming({"a.png", "b.png", "a.png"}), media.path(), target),
             QString());
    QCOMPARE(filesIn(target), (QStringList{"a.png", "b.png", "show.TXT", "show.json"}));

    const QByteArray second = test::layoutNaming({"c.png"});
    QCOMPARE(publishShow(second, media.path(), target), QString());
    QCOMPARE(filesIn(target), (QStringList{"c.png", "show.TXT", "show.json"}));
    // Nothing is left beside the show.
    QCOMPARE(QDir(parent.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"show"});

    // Missing media: refused by name, before anything is written.
    const QString refusal =
        publishShow(test::layoutNaming({"c.png", "gone.png", "lost.jpg"}), media.path(), target);
    QVERIFY2(refusal.contains("gone.png, lost.jpg"), qPrintable(refusal));
    QCOMPARE(filesIn(target), (QStringList{"c.png", "show.TXT", "show.json"}));
    QCOMPARE(test::contentOf(QDir(target).filePath("show.TXT")), second);
}

// The layout a display finds in a show folder is refused when it is a link,
// as the show's media are; the same file named by the user is followed.
void ShowFolderTest::aShowsLayoutIsItsOwnFile_data()
{
    QTest::addColumn<QString>("name");    // the layout's name in the show folder
    QTest::addColumn<QString>("leadsTo"); // where that link leads; empty for a file
    QTest::newRow("show.TXT") << "show.TXT" << QString();
    QTest::newRow("show.TXT, a link out of the show") << "show.TXT"
                                                      << "elsewhere.TXT";
    QTest::newRow("show.TXT, a link leading nowhere") << "show.TXT"
                                                      << "gone.TXT";
    QTest::newRow("show.TXT, a link to a folder") << "show.TXT"
                                                  << "away";
    QTest::newRow("the only layout file, a link") << "shop.txt"
                                                  << "elsewhere.TXT";
}

void ShowFolderTest::aShowsLayoutIsItsOwnFile()
{
    QFETCH(QString, name);
    QFETCH(QString, leadsTo);
    QTemporaryDir root;
    const QDir at(root.path());
    const QByteArray layout = test::layoutNaming({"a.png"});
    QVERIFY(at.mkdir("show") && at.mkdir("away"));
    QVERIFY(test::put(at.filePath("elsewhere.TXT"), layout));
    QVERIFY(test::put(at.filePath("show/a.png"), "a"));
    const QString path = at.filePath("show/" + name);
    QVERIFY(leadsTo.isEmpty() ? test::put(path, layout) : QFile::link(at.filePath(leadsTo), path));
    QCOMPARE(showLayoutIn(at.filePath("show")), path);

    // Read as the display reads it at each change.
    const ShowSnapshot shown =
        ShowReader(path, at.filePath("show"), MediaHandle::Links::Refused).read();
    if (leadsTo.isEmpty()) {
        QCOMPARE(shown.layoutBytes, layout);
        QVERIFY2(shown.whole(), qPrintable(shown.layoutRefusal));
    } else {
        QCOMPARE(shown.layoutRefusal,
                 QString("The layout file %1 could not be opened: a link, not a file").arg(path));
        QVERIFY(!shown.layout);
    }
    const ShowSnapshot named = ShowReader(path, at.filePath("show")).read();
    QCOMPARE(named.layoutRefusal.isEmpty(), leadsTo.isEmpty() || leadsTo == "elsewhere.TXT");
}

QTEST_GUILESS_MAIN(ShowFolderTest)
#include "tst_show_folder.moc"
