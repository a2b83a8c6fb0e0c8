#include "ui/CharDelayInput.h"

#include <QTest>

class tst_CharDelayInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void isInteger_data();
    void isInteger();
    void fromText_data();
    void fromText();
};

void tst_CharDelayInput::isInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    QTest::newRow("zero") << "0" << true;
    QTest::newRow("upper bound") << "32767" << true;
    QTest::newRow("above upper bound") << "32768" << false;
    QTest::newRow("lower bound") << "-32768" << true;
    QTest::newRow("below lower bound") << "-32769" << false;
    QTest::newRow("rounds down into range") << "32767.4" << true;
    QTest::newRow("rounds up out of range") << "32767.5" << false;
    QTest::newRow("half to even stays in range") << "-32768.5" << true;
    QTest::newRow("blanks around") << "  12  " << true;
    QTest::newRow("plus sign") << "+12" << true;
    QTest::newRow("exponent") << "1e3" << true;
    QTest::newRow("leading point") << ".5" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blank") << " " << false;
    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("trailing letter") << "12a" << false;
    QTest::newRow("comma") << "1,5" << false;
    QTest::newRow("hex") << "0x10" << false;
    QTest::newRow("infinity") << "inf" << false;
    QTest::newRow("not a number") << "nan" << false;
    QTest::newRow("huge") << "1e400" << false;
    QTest::newRow("inner blank") << "1 2" << false;
}

void tst_CharDelayInput::isInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(CharDelayInput::IsInteger(text), expected);
}

void tst_CharDelayInput::fromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1: not accepted

    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("largest") << "9999" << 9999;
    QTest::newRow("too large") << "10000" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("small negative fraction") << "-0.4" << -1;
    QTest::newRow("letters") << "abc" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("half rounds to even below") << "2.5" << 2;
    QTest::newRow("half rounds to even above") << "3.5" << 4;
    QTest::newRow("fraction rounds down") << "2.4" << 2;
    QTest::newRow("fraction rounds up") << "2.6" << 3;
    QTest::newRow("just below upper bound") << "9999.4" << 9999;
    QTest::newRow("rounds up to 10000") << "9999.5" << -1;
    QTest::newRow("beyond 16 bits") << "70000" << -1;
    QTest::newRow("blanks around") << " 42 " << 42;
    QTest::newRow("leading zeros") << "0050" << 50;
}

void tst_CharDelayInput::fromText()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    const auto delay = CharDelayInput::fromText(text);
    QCOMPARE(delay.has_value(), expected >= 0);
    if (delay)
        QCOMPARE(int(*delay), expected);
}

QTEST_APPLESS_MAIN(tst_CharDelayInput)
#include "tst_chardelayinput.moc"
