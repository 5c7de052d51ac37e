#include "layoutfile/save_files.h"
#include "support/file_helpers.h"
#include "support/os_faults.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;
using tv::test::contentOf;
using tv::test::put;

namespace {

// Fails the n-th file operation that can fail; a failing replacement leaves a
// half-written new version behind, which must never reach the old file.
class FailingFiles final : public SaveFiles {
public:
    explicit FailingFiles(int failAt) : failAt_(failAt) {}
    bool remove(const QString& path, QString* error) override
    {
        return !fails(error) && SaveFiles::remove(path, error);
    }
    bool writeWhole(const QString& path, const QByteArray& bytes, QString* error) override
    {
        return !fails(error) && SaveFiles::writeWhole(path, bytes, error);
    }
    bool readWhole(const QString& path, QByteArray* bytes, QString* error) override
    {
        return !fails(error) && SaveFiles::readWhole(path, bytes, error);
    }
    bool replaceWhole(const QString& path, const QByteArray& bytes, QString* error) override
    {
        if (!fails(error))
            return SaveFiles::replaceWhole(path, bytes, error);
        // Half the new file is written, then the writing breaks off.
        QSaveFile file(path);
        file.setDirectWriteFallback(false);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes.left(bytes.size() / 2));
        file.cancelWriting();
        return false;
    }
    int calls = 0;

private:
    bool fails(QString* error)
    {
        if (++calls != failAt_)
            return false;
        *error = QStringLiteral("injected failure");
        return true;
    }
    int failAt_;
};

} // namespace

class SaveFilesTest : public QObject {
    Q_OBJECT
private slots:
    void everyFailingStepKeepsTheOldFile();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void tempPath_data();
    void tempPath();
};

void SaveFilesTest::everyFailingStepKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString destination = dir.filePath("LAYOUT.TXT");
    const QString temp = dir.filePath("TEMP2.mzy");
    const QByteArray layout(161, 'n');
    int step = 1;
    for (;; ++step) {
        QVERIFY(put(destination, "old layout"));
        QVERIFY(put(temp, "old temp"));
        FailingFiles files(step);
        const QString failure = saveLayoutFile(layout, destination, temp, files);
        if (failure.isEmpty())
            break;
        QVERIFY2(failure.contains("injected failure"), qPrintable(failure));
        QCOMPARE(contentOf(destination), QByteArray("old layout"));
        QVERIFY(step < 10);
    }
    QCOMPARE(step, 5); // remove, write, read back, replace: four steps that can fail
    QCOMPARE(contentOf(destination), layout);
    QCOMPARE(contentOf(temp), layout);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void SaveFilesTest::fileSizeLimit_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("replacing the layout file") << true;
    QTest::newRow("writing the scratch file") << false;
}

// A write the system cuts short must fail with the system's reason, and a
// replacement must leave the old file as it was and nothing beside it.
void SaveFilesTest::fileSizeLimit()
{
    QFETCH(bool, replace);
    QTemporaryDir dir;
    const QString path = dir.filePath("old.TXT");
    const QByteArray oldBytes(81, 'o');
    QVERIFY(put(path, oldBytes));
    SaveFiles files;
    QString why;
    bool written = true;
    {
        test::FileSizeLimit limit(100);
        QVERIFY(limit.active());
        written = replace ? files.replaceWhole(path, QByteArray(241, 'n'), &why)
                          : files.writeWhole(path, QByteArray(241, 'n'), &why);
    }
    QVERIFY(!written);
    QCOMPARE(why, QStringLiteral("File too large"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.TXT"});
    if (replace)
        QCOMPARE(contentOf(path), oldBytes);
}

void SaveFilesTest::tempPath_data()
{
    QTest::addColumn<QByteArray>("temp");
    QTest::addColumn<QString>("folder");
    QTest::newRow("TEMP names the folder") << QByteArray("/var/tmp") << "/var/tmp";
    QTest::newRow("TEMP empty") << QByteArray("") << QDir::tempPath();
}

void SaveFilesTest::tempPath()
{
    QFETCH(QByteArray, temp);
    QFETCH(QString, folder);
    const QByteArray before = qgetenv("TEMP");
    qputenv("TEMP", temp);
    const QString path = tempLayoutPath();
    qputenv("TEMP", before);
    QCOMPARE(path, QDir::toNativeSeparators(QDir(folder).filePath("TEMP2.mzy")));
}

QTEST_GUILESS_MAIN(SaveFilesTest)
#include "tst_save_files.moc"
