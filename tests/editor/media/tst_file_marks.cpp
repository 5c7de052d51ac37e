#include "editor/media/file_marks.h"

#include <QTest>

using namespace tv;

namespace {

// Marks as text, one character per row from row 1: 'x' marked, '.' not.
QString shown(const FileMarks& marks)
{
    QString text;
    for (qsizetype r = 1; r < marks.marked.size(); ++r)
        text += marks.marked[r] ? QLatin1Char('x') : QLatin1Char('.');
    return text;
}

} // namespace

class FileMarksTest : public QObject {
    Q_OBJECT
private slots:
    void presses_data();
    void presses();
};

void FileMarksTest::presses_data()
{
    // Each press is "row:keys"; seven rows (six files and the empty last row).
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<int>("anchor");

    QTest::newRow("plain press marks one row") << QStringList{"3:0"} << "..x...." << 3;
    QTest::newRow("plain press on a marked row keeps it alone")
        << QStringList{"2:0", "4:2", "2:0"} << ".x....." << 2;
    QTest::newRow("ctrl adds and moves the anchor") << QStringList{"2:0", "5:2"} << ".x..x.." << 5;
    QTest::newRow("ctrl never unmarks") << QStringList{"2:0", "2:2"} << ".x....." << 2;
    QTest::newRow("shift before any press starts at the anchor 0")
        << QStringList{"3:1"} << "xxx...." << 0;
    QTest::newRow("shift above the anchor") << QStringList{"5:0", "2:1"} << ".xxxx.." << 5;
    QTest::newRow("shift above then below keeps the anchor")
        << QStringList{"4:0", "2:1", "6:1"} << "...xxx." << 4;
    QTest::newRow("shift unmarks outside its range")
        << QStringList{"1:0", "7:2", "3:1"} << "..xxxxx" << 7;
    QTest::newRow("shift with ctrl counts as a plain press")
        << QStringList{"2:0", "5:3"} << "....x.." << 5;
    QTest::newRow("alt counts as a plain press") << QStringList{"2:0", "4:4"} << "...x..." << 4;
    QTest::newRow("the empty last row can be marked") << QStringList{"7:0"} << "......x" << 7;
    QTest::newRow("header row and rows past the end change nothing")
        << QStringList{"3:0", "0:0", "8:0"} << "..x...." << 3;
}

void FileMarksTest::presses()
{
    QFETCH(QStringList, presses);
    QFETCH(QString, marks);
    QFETCH(int, anchor);
    FileMarks state;
    state.marked = QList<bool>(8, false);
    for (const QString& press : presses) {
        const QStringList parts = press.split(':');
        pressRow(state, parts[0].toInt(), parts[1].toInt());
    }
    QCOMPARE(shown(state), marks);
    QCOMPARE(state.anchor, anchor);
}

QTEST_APPLESS_MAIN(FileMarksTest)
#include "tst_file_marks.moc"
