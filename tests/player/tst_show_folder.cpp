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

QTEST_GUILESS_MAIN(ShowFolderTest)
#include "tst_show_folder.moc"
