#include "app/SettingsNumber.h"

#include <QTest>

class tst_SettingsNumber : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eightBit_data();
    void eightBit();
    void sixteenBit_data();
    void sixteenBit();
    void wholeRange_data();
    void wholeRange();
};

void tst_SettingsNumber::eightBit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 99 is the fallback
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("max") << "255" << 255;
    QTest::newRow("one too many") << "256" << 99;
    QTest::newRow("negative") << "-1" << 99;
    QTest::newRow("minus zero") << "-0" << 0;
    QTest::newRow("plus sign") << "+5" << 5;
    QTest::newRow("blanks around") << " \t5 " << 5;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("empty") << "" << 99;
    QTest::newRow("only blanks") << "   " << 99;
    QTest::newRow("only sign") << "+" << 99;
    QTest::newRow("two signs") << "+-5" << 99;
    QTest::newRow("words") << "five" << 99;
    QTest::newRow("trailing letters") << "12abc" << 99;
    QTest::newRow("blank inside") << "1 2" << 99;
    QTest::newRow("decimal point") << "5.0" << 99;
    QTest::newRow("hex") << "0x10" << 99;
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("\xD9\xA5") << 99;
    QTest::newRow("huge") << "99999999999999999999999999" << 99;
}

void tst_SettingsNumber::eightBit()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(SettingsNumber::valueOr<quint8>(text, 99)), expected);
}

void tst_SettingsNumber::sixteenBit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 7 is the fallback
    QTest::newRow("min") << "-32768" << -32768;
    QTest::newRow("max") << "32767" << 32767;
    QTest::newRow("above") << "32768" << 7;
    QTest::newRow("below") << "-32769" << 7;
    QTest::newRow("40000") << "40000" << 7;
    QTest::newRow("negative") << "-250" << -250;
    QTest::newRow("int64 max") << "9223372036854775807" << 7;
}

void tst_SettingsNumber::sixteenBit()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(SettingsNumber::valueOr<qint16>(text, 7)), expected);
}

void tst_SettingsNumber::wholeRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint64>>("expected");
    const std::optional<qint64> none;
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    // Fixed: the last values below each end of the range were no number.
    QTest::newRow("largest, was refused") << "9223372036854775807" << std::optional(max);
    QTest::newRow("just below the largest, was refused")
        << "9223372036854775800" << std::optional(max - 7);
    QTest::newRow("smallest, was refused") << "-9223372036854775808" << std::optional(min);
    QTest::newRow("one beyond the largest") << "9223372036854775808" << none;
    QTest::newRow("one beyond the smallest") << "-9223372036854775809" << none;
    QTest::newRow("ten times the largest") << "92233720368547758070" << none;
    QTest::newRow("leading zeros before the largest")
        << "0009223372036854775807" << std::optional(max);
}

void tst_SettingsNumber::wholeRange()
{
    QFETCH(QString, text);
    QFETCH(std::optional<qint64>, expected);
    QCOMPARE(SettingsNumber::parse(text), expected);
}

QTEST_APPLESS_MAIN(tst_SettingsNumber)
#include "tst_settingsnumber.moc"
