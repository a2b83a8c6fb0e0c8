#include "engine/NumberText.h"

#include <QTest>

using Opt = std::optional<qint16>;
Q_DECLARE_METATYPE(Opt)

class tst_NumberText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leading_data();
    void leading();
    void whole_data();
    void whole();
};

void tst_NumberText::leading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Opt>("value");    // leadingInt16: the quiet time
    QTest::addColumn<Opt>("starting"); // startingInt16: the WaitTime saved at exit
    QTest::newRow("plain") << "500" << Opt(500) << Opt(500);
    QTest::newRow("blanks and trailing words") << "  12abc" << Opt(12) << Opt(12);
    QTest::newRow("empty") << "" << Opt(0) << Opt();
    QTest::newRow("no number") << "abc" << Opt(0) << Opt();
    QTest::newRow("blank, then words") << " soon" << Opt(0) << Opt();
    QTest::newRow("a sign alone") << "-" << Opt(0) << Opt();
    QTest::newRow("fraction rounds") << "2.6" << Opt(3) << Opt(3);
    QTest::newRow("a half to the even 12") << "12.5" << Opt(12) << Opt(12);
    QTest::newRow("a half to the even 14") << "13.5" << Opt(14) << Opt(14);
    QTest::newRow("fraction alone") << ".5" << Opt(0) << Opt(0);
    QTest::newRow("negative") << "-5" << Opt(-5) << Opt(-5);
    QTest::newRow("plus sign") << "+7" << Opt(7) << Opt(7);
    QTest::newRow("exponent") << "1e3ms" << Opt(1000) << Opt(1000);
    QTest::newRow("too large") << "40000" << Opt() << Opt();
    QTest::newRow("rounds beyond the range") << "32767.5" << Opt() << Opt();
    QTest::newRow("rounds to the smallest") << "-32768.5" << Opt(-32768) << Opt(-32768);
    QTest::newRow("huge exponent") << "1e999" << Opt() << Opt();
}

void tst_NumberText::leading()
{
    QFETCH(QString, text);
    QFETCH(Opt, value);
    QFETCH(Opt, starting);
    QCOMPARE(NumberText::leadingInt16(text), value);
    QCOMPARE(NumberText::startingInt16(text), starting);
}

void tst_NumberText::whole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Opt>("value");
    QTest::newRow("plain") << "500" << Opt(500);
    QTest::newRow("blanks around") << " 12 " << Opt(12);
    QTest::newRow("half to even down") << "2.5" << Opt(2);
    QTest::newRow("half to even up") << "3.5" << Opt(4);
    QTest::newRow("sign") << "+7" << Opt(7);
    QTest::newRow("lowest") << "-32768" << Opt(-32768);
    QTest::newRow("above range") << "32768" << Opt();
    QTest::newRow("empty") << "" << Opt();
    QTest::newRow("trailing words") << "12abc" << Opt();
    QTest::newRow("words") << "abc" << Opt();
    QTest::newRow("lone sign") << "-" << Opt();
}

void tst_NumberText::whole()
{
    QFETCH(QString, text);
    QFETCH(Opt, value);
    QCOMPARE(NumberText::toInt16(text), value);
}

QTEST_APPLESS_MAIN(tst_NumberText)
#include "tst_number_text.moc"
