#include "editor/media/switch_time.h"

#include <QTest>

using namespace tv;

class SwitchTimeTest : public QObject {
    Q_OBJECT
private slots:
    void whileTyping_data();
    void whileTyping();
    void onLeaving_data();
    void onLeaving();
    void stored_data();
    void stored();
};

void SwitchTimeTest::whileTyping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result"); // the text after the check
    QTest::newRow("above the cap") << "70000"
                                   << "65535";
    QTest::newRow("at the cap") << "65535"
                                << "65535";
    QTest::newRow("low values stand while typing") << "3"
                                                   << "3";
    QTest::newRow("letters stand") << "abc"
                                   << "abc";
    QTest::newRow("leading number counts") << "70000s"
                                           << "65535";
    QTest::newRow("blanks skipped") << "7 0000"
                                    << "65535";
    QTest::newRow("empty") << ""
                           << "";
}

void SwitchTimeTest::whileTyping()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(switchTimeWhileTyping(text).value_or(text), result);
}

void SwitchTimeTest::onLeaving_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("below the floor") << "3"
                                     << "5";
    QTest::newRow("letters only") << "abc"
                                  << "5";
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("at the floor") << "5"
                                  << "5";
    QTest::newRow("fraction below the floor") << "4.9"
                                              << "5";
    QTest::newRow("above the cap") << "99999"
                                   << "65535";
    QTest::newRow("in range stands") << "12abc"
                                     << "12abc";
}

void SwitchTimeTest::onLeaving()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(switchTimeOnLeaving(text).value_or(text), result);
}

void SwitchTimeTest::stored_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds"); // -1: refused
    QTest::newRow("whole number") << "10" << 10;
    QTest::newRow("half rounds up to even") << "7.5" << 8;
    QTest::newRow("half rounds down to even") << "8.5" << 8;
    QTest::newRow("fraction") << "6.4" << 6;
    QTest::newRow("blanks around") << " 42 " << 42;
    QTest::newRow("exponent") << "1e3" << 1000;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("letters after the number") << "12abc" << -1;
    QTest::newRow("blank inside") << "1 2" << -1;
    QTest::newRow("beyond 32 bits") << "3000000000" << -1;
    QTest::newRow("largest 32-bit") << "2147483647" << 2147483647;
}

void SwitchTimeTest::stored()
{
    QFETCH(QString, text);
    QFETCH(int, seconds);
    const auto stored = switchTimeOfText(text);
    if (seconds < 0)
        QVERIFY2(!stored, qPrintable(QString::number(stored.value_or(0))));
    else
        QCOMPARE(stored, std::optional<std::int32_t>(seconds));
}

QTEST_APPLESS_MAIN(SwitchTimeTest)
#include "tst_switch_time.moc"
