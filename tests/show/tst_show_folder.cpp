#include "layout/layout_writer.h"
#include "show/show_folder.h"
#include "show/show_snapshot.h"
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

// The layout a display finds in a show folder is refused at each read when
// it is a link, as the show's media are; named by the user, it is followed.
void ShowFolderTest::aShowsLayoutIsItsOwnFile_data()
{
    QTest::addColumn<QString>("name");    // the layout's name in the show folder
    QTest::addColumn<QString>("leadsTo"); // where that link leads; empty for a file
    QTest::newRow("show.TXT") << "show.TXT" << QString();
    QTest::newRow("show.TXT, a link out of the show") << "show.TXT"
                                                      << "elsewhere.TXT";
    QTest::newRow("show.TXT, a link leading nowhere") << "show.TXT"
                                                      << "gone.TXT";
    QTest::newRow("the only layout file, a link") << "shop.txt"
                                                  << "elsewhere.TXT";
}

void ShowFolderTest::aShowsLayoutIsItsOwnFile()
{
    QFETCH(QString, name);
    QFETCH(QString, leadsTo);
    QTemporaryDir root;
    const QString show = root.filePath("show"), path = show + '/' + name;
    QVERIFY(QDir(root.path()).mkdir("show"));
    QVERIFY(test::put(root.filePath("elsewhere.TXT"), test::layoutNaming({})));
    QVERIFY(leadsTo.isEmpty() ? test::put(path, test::layoutNaming({}))
                              : QFile::link(root.filePath(leadsTo), path));
    QCOMPARE(showLayoutIn(show), path);
    QCOMPARE(ShowReader(path, show, MediaHandle::Links::Refused).read().layoutRefusal,
             leadsTo.isEmpty()
                 ? QString()
                 : "The layout file " + path + " could not be opened: a link, not a file");
    QCOMPARE(ShowReader(path, show).read().layout.has_value(), leadsTo != "gone.TXT");
}

QTEST_GUILESS_MAIN(ShowFolderTest)
#include "tst_show_folder.moc"
