#include "base/operator_log.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <csignal>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

using namespace tv;

// The operator's log as it reaches a file or the journal.
class OperatorLogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void stampedUnlessTheJournal_data();
    void stampedUnlessTheJournal();
    void aFileFollowsLogrotate();
    void refusesWhatIsNoFile_data();
    void refusesWhatIsNoFile();

private:
    int savedStderr_ = -1;
    QTemporaryDir dir_;
};

void OperatorLogTest::init()
{
    std::fflush(stderr);
    savedStderr_ = ::dup(STDERR_FILENO);
}

void OperatorLogTest::cleanup()
{
    std::fflush(stderr);
    ::dup2(savedStderr_, STDERR_FILENO);
    ::close(savedStderr_);
    std::signal(SIGUSR1, SIG_DFL);
    qunsetenv("JOURNAL_STREAM");
}

void OperatorLogTest::stampedUnlessTheJournal_data()
{
    QTest::addColumn<QString>("journal"); // %1 stands for stderr's own device:inode
    QTest::addColumn<bool>("stamped");
    QTest::newRow("a terminal or a file") << QString() << true;
    QTest::newRow("the journal") << QStringLiteral("%1") << false;
    QTest::newRow("the journal of another stream") << QStringLiteral("1:2") << true;
    QTest::newRow("no journal at all") << QStringLiteral("rubbish") << true;
}

void OperatorLogTest::stampedUnlessTheJournal()
{
    QFETCH(QString, journal);
    QFETCH(bool, stamped);
    struct stat status {};
    QCOMPARE(::fstat(STDERR_FILENO, &status), 0);
    if (!journal.isEmpty())
        qputenv("JOURNAL_STREAM",
                journal.arg(QStringLiteral("%1:%2").arg(status.st_dev).arg(status.st_ino))
                    .toLocal8Bit());
    const QDateTime moment(QDate(2026, 12, 8), QTime(9, 5, 7, 900), QTimeZone(3600));
    const QString stamp = logStamp(moment);
    if (stamped)
        QCOMPARE(stamp, QStringLiteral("2026-12-08T09:05:07+01:00 "));
    else
        QCOMPARE(stamp, QString());
}

// Lines go to the end of the file; once logrotate has moved it away, SIGUSR1
// starts a new file of the same name, and nothing is lost.
void OperatorLogTest::aFileFollowsLogrotate()
{
    const QString path = dir_.filePath("display.log");
    { // an earlier run's log
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier run\n");
    }
    QString why;
    QVERIFY2(logToFile(path, &why), qPrintable(why));
    writeLogLine(QStringLiteral("first"));
    QVERIFY(QFile::rename(path, path + ".1"));
    writeLogLine(QStringLiteral("second")); // still to the file moved away
    QCOMPARE(::raise(SIGUSR1), 0);
    writeLogLine(QStringLiteral("third"));
    auto read = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray rotated = read(path + ".1");
    const QRegularExpression lines(R"(^an earlier run\n\S+ first\n\S+ second\n$)");
    QVERIFY2(lines.match(QString::fromLocal8Bit(rotated)).hasMatch(), rotated.constData());
    const QByteArray fresh = read(path);
    QVERIFY2(fresh.endsWith(" third\n") && fresh.count('\n') == 1, fresh.constData());
}

void OperatorLogTest::refusesWhatIsNoFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    QTest::newRow("a folder") << "folder"
                              << "Is a directory";
    QTest::newRow("a FIFO no one reads") << "fifo"
                                         << "No such device or address";
    QTest::newRow("in a folder that is not there") << "none/display.log"
                                                   << "No such file or directory";
}

void OperatorLogTest::refusesWhatIsNoFile()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    QVERIFY(QDir(dir_.path()).mkpath("folder"));
    ::mkfifo(QFile::encodeName(dir_.filePath("fifo")).constData(), 0600);
    QString said;
    QVERIFY(!logToFile(dir_.filePath(name), &said));
    QCOMPARE(said, why);
}

QTEST_GUILESS_MAIN(OperatorLogTest)
#include "tst_operator_log.moc"
