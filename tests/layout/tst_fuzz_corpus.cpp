#include "layout_decode_check.h"

#include <QDir>
#include <QFile>
#include <QTest>

// Runs the decoder fuzzer's corpus as an ordinary test: every file must pass
// the fuzzer's own check.
class FuzzCorpusTest : public QObject {
    Q_OBJECT
private slots:
    void corpusPasses_data();
    void corpusPasses();
};

void FuzzCorpusTest::corpusPasses_data()
{
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(TESSELLVIEW_FUZZ_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY(!files.isEmpty());
    for (const QString& name : files)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void FuzzCorpusTest::corpusPasses()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString problem = tv::fuzz::checkLayoutBytes(file.readAll());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(FuzzCorpusTest)
#include "tst_fuzz_corpus.moc"
