#include "ui/PortList.h"

#include "UiTestSupport.h"

#include <QComboBox>
#include <QTest>

using UiTestSupport::itemsOf;
using UiTestSupport::portListText;

namespace {

QStringList fixedLabels()
{
    QStringList labels;
    for (int k = 1; k <= 14; ++k)
        labels << QStringLiteral("COM%1").arg(k);
    return labels;
}

QStringList fixedNumbers()
{
    QStringList numbers;
    for (int k = 0; k < 14; ++k)
        numbers << QString::number(k);
    return numbers;
}

} // namespace

class tst_PortList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fillsSortsAndPreselects_data();
    void fillsSortsAndPreselects();
    void refillReplacesOldEntries();
    void numberAtOutsideTheList();
};

void tst_PortList::fillsSortsAndPreselects_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("comPort");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<int>("selected");

    const QString sep = QStringLiteral("  -  ");
    QTest::newRow("COM5 then COM3 sorted")
        << portListText({"2", "5", "USB A", "3", "USB B"}) << 2
        << QStringList{"COM3" + sep + "USB B", "COM5" + sep + "USB A"} << QStringList{"2", "4"}
        << 0;
    QTest::newRow("count zero gives fixed list")
        << QStringLiteral("0") << 0 << fixedLabels() << fixedNumbers() << 0;
    QTest::newRow("empty text gives fixed list")
        << QString() << 5 << fixedLabels() << fixedNumbers() << 5;
    QTest::newRow("only unusable numbers give fixed list")
        << portListText({"3", "0", "Zero", "", "Empty", "abc", "Letters"}) << 0 << fixedLabels()
        << fixedNumbers() << 0;
    QTest::newRow("a fraction is not a port number")
        << portListText({"1", "2.5", "Odd"}) << 0 << fixedLabels() << fixedNumbers() << 0;
    QTest::newRow("unusable entries skipped, usable kept")
        << portListText({"3", "0", "Zero", "7", "Seven", "", "Nameless"}) << 6
        << QStringList{"COM7" + sep + "Seven"} << QStringList{"6"} << 0;
    QTest::newRow("number field keeps only digits")
        << portListText({"1", "x12", "Twelve"}) << 11 << QStringList{"COM12" + sep + "Twelve"}
        << QStringList{"11"} << 0;
    QTest::newRow("friendly name taken unchanged")
        << portListText({"1", "4", "Port 1-2.5 (x)"}) << 3
        << QStringList{"COM4" + sep + "Port 1-2.5 (x)"} << QStringList{"3"} << 0;
    QTest::newRow("empty friendly name keeps separator")
        << portListText({"1", "4", ""}) << 3 << QStringList{"COM4" + sep} << QStringList{"3"} << 0;
    QTest::newRow("ComPort found among several")
        << portListText({"3", "5", "E", "1", "A", "3", "C"}) << 4
        << QStringList{"COM1" + sep + "A", "COM3" + sep + "C", "COM5" + sep + "E"}
        << QStringList{"0", "2", "4"} << 2;
    QTest::newRow("missing ComPort picks first port other than COM1")
        << portListText({"2", "1", "A", "3", "C"}) << 4
        << QStringList{"COM1" + sep + "A", "COM3" + sep + "C"} << QStringList{"0", "2"} << 1;
    QTest::newRow("missing ComPort with only COM1 picks COM1")
        << portListText({"1", "1", "A"}) << 4 << QStringList{"COM1" + sep + "A"} << QStringList{"0"}
        << 0;
    // The exchange sort is not stable: the two COM4 entries change places.
    QTest::newRow("equal numbers in exchange order")
        << portListText({"3", "4", "a", "4", "b", "3", "c"}) << 3
        << QStringList{"COM3" + sep + "c", "COM4" + sep + "b", "COM4" + sep + "a"}
        << QStringList{"2", "3", "3"} << 1;
    QTest::newRow("count above the fields present")
        << portListText({"50", "3", "A"}) << 2 << QStringList{"COM3" + sep + "A"}
        << QStringList{"2"} << 0;
    QTest::newRow("count below the fields present")
        << portListText({"1", "3", "A", "5", "B"}) << 4 << QStringList{"COM3" + sep + "A"}
        << QStringList{"2"} << 0;
    QTest::newRow("last name missing")
        << portListText({"1", "9"}) << 8 << QStringList{"COM9" + sep} << QStringList{"8"} << 0;
    QTest::newRow("unreadable count gives fixed list")
        << portListText({"99999999999999999999", "3", "A"}) << 0 << fixedLabels() << fixedNumbers()
        << 0;
    QTest::newRow("high port numbers are listed")
        << portListText({"2", "17", "Far", "16", "Near"}) << 16
        << QStringList{"COM16" + sep + "Near", "COM17" + sep + "Far"} << QStringList{"15", "16"}
        << 1;
}

void tst_PortList::fillsSortsAndPreselects()
{
    QFETCH(QString, text);
    QFETCH(int, comPort);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, numbers);
    QFETCH(int, selected);

    QComboBox visible;
    QComboBox hidden;
    PortList::FillPortList(text, &visible, &hidden, static_cast<quint8>(comPort));
    QCOMPARE(itemsOf(&visible), labels);
    QCOMPARE(itemsOf(&hidden), numbers);
    QCOMPARE(visible.currentIndex(), selected);
    QCOMPARE(PortList::numberAt(&hidden, selected).value_or(-1), numbers[selected].toLongLong());
}

void tst_PortList::refillReplacesOldEntries()
{
    QComboBox visible;
    QComboBox hidden;
    PortList::FillPortList(QStringLiteral("0"), &visible, &hidden, 0);
    PortList::FillPortList(portListText({"1", "2", "B"}), &visible, &hidden, 1);
    QCOMPARE(visible.count(), 1);
    QCOMPARE(itemsOf(&hidden), QStringList{"1"});
}

void tst_PortList::numberAtOutsideTheList()
{
    QComboBox hidden;
    hidden.addItems({"4", "x"});
    QCOMPARE(PortList::numberAt(&hidden, 0).value_or(-1), 4);
    QVERIFY(!PortList::numberAt(&hidden, 1).has_value());
    QVERIFY(!PortList::numberAt(&hidden, -1).has_value());
    QVERIFY(!PortList::numberAt(&hidden, 2).has_value());
}

QTEST_MAIN(tst_PortList)
#include "tst_portlist.moc"
