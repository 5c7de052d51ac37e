#include "layoutfile/layout_writer.h"
#include "support/file_helpers.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program as a display machine starts it.
class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void inspectPrintsTheLayout();
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
    QTest::newRow("inspect a file too short")
        << QStringList{"--inspect", "%1/short.TXT"} << 1 << "short.TXT was not opened.";
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
    // Refusals and answers in text need no display.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString output = QString::fromLocal8Bit(status == 0 ? program.readAllStandardOutput()
                                                              : program.readAllStandardError());
    QVERIFY2(output.contains(says), qPrintable(output));
}

// Without a display: the JSON of a layout with a video window and a picture.
void CommandLineTest::inspectPrintsTheLayout()
{
    QTemporaryDir scratch;
    tv::LayoutDescription layout;
    layout.video = tv::LayoutWindow{{3600, 2025, 3600, 2025}, {"a.avi", "b.jpg"}, {}, 1};
    layout.pictures << tv::LayoutWindow{{720, 0, 720, 810}, {"c.jpg"}, {}, 2};
    layout.switchTimes = {12};
    QVERIFY(
        tv::test::put(scratch.filePath("in.TXT"), std::get<QByteArray>(tv::encodeLayout(layout))));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE),
                  {"--inspect", scratch.filePath("in.TXT")});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    const QJsonObject json = QJsonDocument::fromJson(program.readAllStandardOutput()).object();
    const QJsonObject video = json["video"].toObject();
    QCOMPARE(video["x"].toInt(), 50);
    QCOMPARE(video["pixels"].toArray(), (QJsonArray{960, 540, 960, 540}));
    QCOMPARE(video["playlist"].toArray(), (QJsonArray{"a.avi", "b.jpg"}));
    const QJsonObject picture = json["pictures"].toArray().first().toObject();
    QCOMPARE(picture["slot"].toInt(), 1);
    QCOMPARE(picture["height"].toInt(), 20);
    QCOMPARE(picture["pixels"].toArray(), (QJsonArray{192, 0, 192, 216}));
    QCOMPARE(picture["switchTime"].toInt(), 12);
    QCOMPARE(json["names"].toInt(), 3);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
