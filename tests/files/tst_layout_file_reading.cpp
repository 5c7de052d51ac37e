#include "files/layout_file_reading.h"
#include "layout/layout_reader.h"
#include "support/file_helpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tv;

namespace {

// Reads in a child process with a deadline and a bounded address space, so
// that a read that blocks or never ends fails the test instead of hanging it. Returns the refusal
// and the number of bytes read, or why the child did not finish.
QString readInChild(const QString& path)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::alarm(5);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer reserves far more address space
        // A read without bound fails on memory long before the deadline.
        const rlimit space{rlim_t(1) << 30, rlim_t(1) << 30};
        ::setrlimit(RLIMIT_AS, &space);
#endif
        const LayoutFileBytes read = readLayoutFileBytes(path);
        const QByteArray report =
            (read.refusal + '|' + QString::number(read.bytes.size())).toUtf8();
        [[maybe_unused]] const ssize_t written = ::write(channel[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray report;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return QStringLiteral("the read did not end in time");
    return QString::fromUtf8(report);
}

} // namespace

class LayoutFileReadingTest : public QObject {
    Q_OBJECT
private slots:
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
};

void LayoutFileReadingTest::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected"); // what the refusal says, and the bytes read
    QTest::newRow("endless device") << "/dev/zero"
                                    << "is not a layout file: it is not a regular file.|0";
    QTest::newRow("link named .TXT to a device")
        << "link"
        << "is not a layout file: it is not a regular file.|0";
    QTest::newRow("named pipe without a writer")
        << "fifo"
        << "is not a layout file: it is not a regular file.|0";
    QTest::newRow("folder") << "folder"
                            << "is not a layout file: it is not a regular file.|0";
    QTest::newRow("missing") << "missing"
                             << "could not be opened: No such file or directory|0";
    QTest::newRow("longer than any layout") << "long"
                                            << "it is longer than any layout.|0";
    QTest::newRow("the largest layout")
        << "largest" << QStringLiteral("|%1").arg(kLargestLayoutFile);
}

void LayoutFileReadingTest::onlyRegularFilesAreRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path = dir.filePath("layout.TXT");
    if (kind.startsWith('/'))
        path = kind;
    else if (kind == "link")
        QVERIFY(QFile::link("/dev/urandom", path));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("layout.TXT"));
    else if (kind == "long")
        QVERIFY(test::put(path, QByteArray(kLargestLayoutFile + 1, '\0')));
    else if (kind == "largest")
        QVERIFY(test::put(path, QByteArray(kLargestLayoutFile, '\0')));
    const QString report = readInChild(path);
    QVERIFY2(report.endsWith(expected), qPrintable(report));
}

QTEST_GUILESS_MAIN(LayoutFileReadingTest)
#include "tst_layout_file_reading.moc"
