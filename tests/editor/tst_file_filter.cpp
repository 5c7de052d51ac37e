#include "editor/file_filter.h"

#include <QTest>

class FileFilterTest : public QObject {
    Q_OBJECT
private slots:
    void converts_data();
    void converts();
};

void FileFilterTest::converts_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("layout files") << "SPLITFILE|*.TXT"
                                  << "SPLITFILE (*.TXT)";
    QTest::newRow("two filters") << "Text|*.txt|All|*.*"
                                 << "Text (*.txt);;All (*.*)";
    QTest::newRow("several patterns") << "Pictures|*.jpg;*.bmp"
                                      << "Pictures (*.jpg *.bmp)";
    QTest::newRow("description without pattern") << "Anything"
                                                 << "Anything (*)";
    QTest::newRow("empty") << ""
                           << "";
}

void FileFilterTest::converts()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(tv::qtFileFilter(filter), expected);
}

QTEST_APPLESS_MAIN(FileFilterTest)
#include "tst_file_filter.moc"
