#include "layoutfile/layout_writer.h"
#include "layoutfile/show_folder.h"
#include "player/show_watcher.h"
#include "support/file_helpers.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tv;

// A show that changes while it plays: the watcher takes a layout only once it
// is written whole, and a published show folder is replaced whole.
class ShowFolderTest : public QObject {
    Q_OBJECT
private slots:
    void halfWrittenLayoutWaits();
    void publishSwapsTheWholeShow();
};

namespace {

QByteArray layoutNaming(const QStringList& names)
{
    LayoutDescription layout;
    layout.pictures << LayoutWindow{{0, 0, 7200, 4050}, names, {}, 2};
    layout.switchTimes[0] = 5;
    return std::get<QByteArray>(encodeLayout(layout));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

void ShowFolderTest::halfWrittenLayoutWaits()
{
    QTemporaryDir show;
    const QString path = show.filePath("show.TXT");
    QVERIFY(test::put(path, layoutNaming({"a.png"})));
    auto watcher = std::make_unique<ShowWatcher>(path, show.path());
    QSignalSpy read(watcher.get(), &ShowWatcher::layoutRead);
    QTest::qWait(300);
    // A slow writer: a piece every 200 ms, never resting as long as 500 ms.
    const QByteArray next = layoutNaming({"b.png", "c.png", "d.png"});
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered));
    for (qsizetype done = 0; done < next.size(); done += 50) {
        file.write(next.mid(done, 50));
        QTest::qWait(200);
        QCOMPARE(read.count(), 0);
    }
    file.close();
    QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 5000);
    QCOMPARE(read.first().at(0).toByteArray(), next);
    QCOMPARE(read.first().at(1).toString(), QString());
    QTest::qWait(ShowWatcher::kSettleMs * 2);
    QCOMPARE(read.count(), 1);
    watcher.reset();
    QTest::qWait(100); // its thread ends and is freed
}

void ShowFolderTest::publishSwapsTheWholeShow()
{
    QTemporaryDir media;
    for (const char* name : {"a.png", "b.png", "c.png", "unused.png"})
        QVERIFY(test::put(media.filePath(name), name));
    QTemporaryDir parent;
    const QString target = parent.filePath("show");
    QCOMPARE(publishShow(layoutNaming({"a.png", "b.png", "a.png"}), media.path(), target),
             QString());
    QCOMPARE(filesIn(target), (QStringList{"a.png", "b.png", "show.TXT", "show.json"}));

    auto watcher = std::make_unique<ShowWatcher>(QDir(target).filePath("show.TXT"), target);
    QSignalSpy read(watcher.get(), &ShowWatcher::layoutRead);
    QSignalSpy media_(watcher.get(), &ShowWatcher::mediaChanged);
    QTest::qWait(300);
    const QByteArray second = layoutNaming({"c.png"});
    QCOMPARE(publishShow(second, media.path(), target), QString());
    QCOMPARE(filesIn(target), (QStringList{"c.png", "show.TXT", "show.json"}));
    // Nothing is left beside the show.
    QCOMPARE(QDir(parent.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"show"});
    QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 5000);
    QCOMPARE(read.first().at(0).toByteArray(), second);
    QTRY_VERIFY_WITH_TIMEOUT(media_.count() >= 1, 5000);

    // Missing media: refused by name, before anything is written.
    const QString refusal =
        publishShow(layoutNaming({"c.png", "gone.png", "lost.jpg"}), media.path(), target);
    QVERIFY2(refusal.contains("gone.png, lost.jpg"), qPrintable(refusal));
    QCOMPARE(filesIn(target), (QStringList{"c.png", "show.TXT", "show.json"}));
    QCOMPARE(test::contentOf(QDir(target).filePath("show.TXT")), second);
    watcher.reset();
    QTest::qWait(100);
}

QTEST_GUILESS_MAIN(ShowFolderTest)
#include "tst_show_folder.moc"
