#include "files/save_files.h"
#include "support/file_helpers.h"
#include "support/os_faults.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace tv;
using tv::test::contentOf;
using tv::test::put;

namespace {

// Fails the n-th file operation that can fail; a failing replacement leaves a
// half-written new version behind, which must never reach the old file.
class FailingFiles final : public SaveFiles {
public:
    explicit FailingFiles(int failAt) : failAt_(failAt) {}
    bool writeScratch(const QString& path, const QByteArray& bytes, QString* error,
                      Readers readers) override
    {
        return !fails(error) && SaveFiles::writeScratch(path, bytes, error, readers);
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

// Saves one layout again and again in a child process; the exit status is the
// number of saves that failed or left other bytes at the destination.
pid_t saveRepeatedly(const QByteArray& bytes, const QString& destination, const QString& temp,
                     int times)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    SaveFiles files;
    int wrong = 0;
    for (int n = 0; n < times; ++n)
        if (!saveLayoutFile(bytes, destination, temp, files).isEmpty() ||
            contentOf(destination) != bytes)
            ++wrong;
    ::_exit(std::min(wrong, 255));
}

} // namespace

class SaveFilesTest : public QObject {
    Q_OBJECT
private slots:
    void everyFailingStepKeepsTheOldFile();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void tempPath_data();
    void tempPath();
    void plantedLinksAreReplaced_data();
    void plantedLinksAreReplaced();
    void concurrentSavesKeepTheirOwnBytes();
};

void SaveFilesTest::everyFailingStepKeepsTheOldFile()
{
    QTemporaryDir dir;
    QTemporaryDir own;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(own.path()));
    const QString destination = dir.filePath("LAYOUT.TXT");
    const QString temp = dir.filePath("TEMP2.mzy");
    const QByteArray layout(161, 'n');
    // Step 1 is the copy in TEMP, which then goes to the user's own folder;
    // step 2 the replacement, which alone can end the save.
    for (int step = 1; step <= 3; ++step) {
        QVERIFY(put(destination, "old layout"));
        QVERIFY(put(temp, "old temp"));
        QFile::remove(own.filePath("TEMP2.mzy"));
        FailingFiles files(step);
        const QString failure = saveLayoutFile(layout, destination, temp, files);
        QCOMPARE(failure.isEmpty(), step != 2);
        QCOMPARE(contentOf(destination), step == 2 ? QByteArray("old layout") : layout);
        QCOMPARE(contentOf(step == 1 ? own.filePath("TEMP2.mzy") : temp), layout);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
    qputenv("XDG_RUNTIME_DIR", runtime);
}

void SaveFilesTest::fileSizeLimit_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("replacing the layout file") << true;
    QTest::newRow("writing the scratch copy") << false;
}

// A write the system cuts short must fail with the system's reason, and leave
// the old file as it was and nothing beside it.
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
                          : files.writeScratch(path, QByteArray(241, 'n'), &why);
    }
    QVERIFY(!written);
    QCOMPARE(why, QStringLiteral("File too large"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.TXT"});
    QCOMPARE(contentOf(path), oldBytes);
}

void SaveFilesTest::tempPath_data()
{
    QTest::addColumn<QString>("temp"); // "%t": a shared folder of the test's
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("folder");  // "cache": tessellview in the cache folder
    QTest::addColumn<QString>("planted"); // what TEMP2.mzy in TEMP is already
    QTest::newRow("TEMP names the folder") << "/var/tmp"
                                           << "/run/user/1"
                                           << "/var/tmp"
                                           << "";
    QTest::newRow("TEMP holds the user's own copy") << "%t"
                                                    << "/run/user/1"
                                                    << "%t"
                                                    << "own";
    // In a shared TEMP, what another user left there blocks no save.
    QTest::newRow("TEMP's copy is another user's") << "%t"
                                                   << "/run/user/1"
                                                   << "/run/user/1"
                                                   << "other";
    QTest::newRow("TEMP's copy is a folder") << "%t"
                                             << "/run/user/1"
                                             << "/run/user/1"
                                             << "folder";
    QTest::newRow("TEMP empty: the runtime folder") << ""
                                                    << "/run/user/1"
                                                    << "/run/user/1"
                                                    << "";
    QTest::newRow("neither: the cache folder") << ""
                                               << ""
                                               << "cache"
                                               << "";
}

void SaveFilesTest::tempPath()
{
    QFETCH(QString, temp);
    QFETCH(QString, runtime);
    QFETCH(QString, folder);
    QFETCH(QString, planted);
    QTemporaryDir shared;
    temp.replace("%t", shared.path());
    folder.replace("%t", shared.path());
    const QString copy = shared.filePath("TEMP2.mzy");
    if (planted == "own") {
        QVERIFY(put(copy, "mine"));
    } else if (planted == "folder") {
        QVERIFY(QDir().mkdir(copy));
    } else if (planted == "other") {
        QVERIFY(put(copy, "theirs"));
        if (::geteuid() != 0 || ::chown(QFile::encodeName(copy).constData(), 65534, 65534) != 0)
            QSKIP("only root can leave a file of another user");
    }
    QTemporaryDir cache;
    const QByteArray before[] = {qgetenv("TEMP"), qgetenv("XDG_RUNTIME_DIR"),
                                 qgetenv("XDG_CACHE_HOME")};
    qputenv("TEMP", temp.toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString path = tempLayoutPath();
    qputenv("TEMP", before[0]);
    qputenv("XDG_RUNTIME_DIR", before[1]);
    qputenv("XDG_CACHE_HOME", before[2]);
    if (folder == "cache") {
        folder = cache.filePath("tessellview");
        const auto ownerGroupOther = QFileDevice::Permissions::fromInt(0x7077);
        QCOMPARE(QFile::permissions(folder) & ownerGroupOther,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QCOMPARE(path, QDir::toNativeSeparators(QDir(folder).filePath("TEMP2.mzy")));
}

void SaveFilesTest::plantedLinksAreReplaced_data()
{
    QTest::addColumn<bool>("dangling");
    QTest::newRow("dangling link") << true;
    QTest::newRow("link to a file") << false;
}

// A link planted at the scratch name is replaced by the copy, never followed.
void SaveFilesTest::plantedLinksAreReplaced()
{
    QFETCH(bool, dangling);
    QTemporaryDir dir;
    const QString target = dir.filePath("target");
    if (!dangling)
        QVERIFY(put(target, "someone else's"));
    const QString scratch = dir.filePath("TEMP2.mzy");
    QVERIFY(QFile::link(target, scratch));
    SaveFiles files;
    const QByteArray layout(81, '\0');
    QCOMPARE(saveLayoutFile(layout, dir.filePath("layout.TXT"), scratch, files), QString());
    QCOMPARE(QFileInfo::exists(target), !dangling);
    if (!dangling)
        QCOMPARE(contentOf(target), QByteArray("someone else's"));
    QVERIFY(!QFileInfo(scratch).isSymLink());
    QCOMPARE(contentOf(scratch), layout);
    QCOMPARE(contentOf(dir.filePath("layout.TXT")), layout);
}

// Two programs saving different layouts with the same scratch folder: each
// destination holds its own bytes after every save.
void SaveFilesTest::concurrentSavesKeepTheirOwnBytes()
{
    QTemporaryDir dir;
    const QString temp = dir.filePath("TEMP2.mzy");
    const QByteArray first(81 + 40, 'a');
    const QByteArray second(81 + 80, 'b');
    const pid_t one = saveRepeatedly(first, dir.filePath("first.TXT"), temp, 500);
    const pid_t two = saveRepeatedly(second, dir.filePath("second.TXT"), temp, 500);
    int status[2] = {-1, -1};
    ::waitpid(one, &status[0], 0);
    ::waitpid(two, &status[1], 0);
    for (int result : status) {
        QVERIFY(WIFEXITED(result));
        QCOMPARE(WEXITSTATUS(result), 0);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

QTEST_GUILESS_MAIN(SaveFilesTest)
#include "tst_save_files.moc"
