#include "base/leading_number.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <limits>
#include <string>

class LeadingNumberTest : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
    void decimalPointIgnoresLocale();
};

void LeadingNumberTest::reads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();

    QTest::newRow("plain") << "480" << 480.0;
    QTest::newRow("unit after the number") << "12px" << 12.0;
    QTest::newRow("blank inside") << "1 920" << 1920.0;
    QTest::newRow("blanks, tabs and line feeds anywhere") << " \t1\n2 . 5" << 12.5;
    QTest::newRow("letters only") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("explicit plus") << "+4" << 4.0;
    QTest::newRow("fraction without integer part") << ".5" << 0.5;
    QTest::newRow("fraction") << "100.5" << 100.5;
    QTest::newRow("second point ends the number") << "1.5.3" << 1.5;
    QTest::newRow("comma is no decimal point") << "1,5" << 1.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("D exponent") << "2D2" << 200.0;
    QTest::newRow("negative exponent") << "25e-1" << 2.5;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("exponent sign without digits") << "3e+x" << 3.0;
    QTest::newRow("carriage return ends the number") << "1\r2" << 1.0;
    QTest::newRow("full-width digits are no digits") << "\uFF11\uFF12" << 0.0;
    QTest::newRow("overflow") << "1e999" << inf;
    QTest::newRow("negative overflow") << "-1e999" << -inf;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("hundreds of zeros after the point") << "0." + QString(400, '0') + "1" << 0.0;
    QTest::newRow("hundreds of digits, then a small exponent")
        << "1" + QString(400, '0') + "e-5" << inf;
    QTest::newRow("hundreds of digits that cancel out") << "1" + QString(300, '0') + "e-300" << 1.0;
}

void LeadingNumberTest::reads()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(tv::leadingNumber(text), value);
}

// Under a locale that writes a comma, the point is still the decimal point.
void LeadingNumberTest::decimalPointIgnoresLocale()
{
    QTemporaryDir locales;
    const int built = QProcess::execute(
        "localedef", {"-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8")});
    if (built != 0)
        QSKIP("localedef cannot build a German locale here");
    qputenv("LOCPATH", QFile::encodeName(locales.path()));
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    QVERIFY(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"));
    const double point = tv::leadingNumber("2.5");
    const double comma = tv::leadingNumber("2,5");
    std::setlocale(LC_NUMERIC, before.c_str());
    qunsetenv("LOCPATH");
    QCOMPARE(point, 2.5);
    QCOMPARE(comma, 2.0);
}

QTEST_APPLESS_MAIN(LeadingNumberTest)
#include "tst_leading_number.moc"
