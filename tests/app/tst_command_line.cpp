#include "support/file_helpers.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program as a display machine starts it.
class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
};

void CommandLineTest::answers_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1 stands for a scratch folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // on stdout for status 0, else on stderr
    QTest::newRow("a file too short")
        << QStringList{"--play", "%1/short.TXT"} << 1 << "short.TXT was not opened.";
    QTest::newRow("no such file") << QStringList{"--play", "%1/none.TXT"} << 1
                                  << "could not be opened: No such file or directory";
    QTest::newRow("a folder") << QStringList{"--play", "%1"} << 1
                              << "is not a layout file: it is not a regular file.";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Tessellview 0.1";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--play <LAYOUT>";
}

void CommandLineTest::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir scratch;
    QVERIFY(tv::test::put(scratch.filePath("short.TXT"), QByteArray(40, '\0')));
    for (QString& argument : arguments)
        argument.replace("%1", scratch.path());
    QProcess program;
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString output = QString::fromLocal8Bit(status == 0 ? program.readAllStandardOutput()
                                                              : program.readAllStandardError());
    QVERIFY2(output.contains(says), qPrintable(output));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
