#include "geometry/leading_number.h"

#include <QLocale>
#include <QTest>

#include <limits>

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
}

void LeadingNumberTest::reads()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(tv::leadingNumber(text), value);
}

void LeadingNumberTest::decimalPointIgnoresLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const double point = tv::leadingNumber("2.5");
    const double comma = tv::leadingNumber("2,5");
    QLocale::setDefault(before);
    QCOMPARE(point, 2.5);
    QCOMPARE(comma, 2.0);
}

QTEST_APPLESS_MAIN(LeadingNumberTest)
#include "tst_leading_number.moc"
