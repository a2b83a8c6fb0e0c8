#include "ui/CommandFileDialog.h"
#include "ui/MainLayout.h"
#include "ui/WindowPlacement.h"

#include <QTest>

class tst_UiHelpers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileDialogFilter_data();
    void fileDialogFilter();
    void defaultExtension_data();
    void defaultExtension();
    void logTakesRoomOfHiddenOptions();
    void windowPlaceRestored_data();
    void windowPlaceRestored();
};

void tst_UiHelpers::fileDialogFilter_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("filter");
    QTest::newRow("German") << QStringLiteral("Befehls-Konfigurationsdateien (*.icf)|*.icf")
                            << QStringLiteral("Befehls-Konfigurationsdateien (*.icf)");
    QTest::newRow("pattern not in text") << QStringLiteral("Files|*.icf")
                                         << QStringLiteral("Files (*.icf)");
}

void tst_UiHelpers::fileDialogFilter()
{
    QFETCH(QString, resource);
    QFETCH(QString, filter);
    QCOMPARE(CommandFileDialog::filterFromResource(resource), filter);
}

void tst_UiHelpers::defaultExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("path");
    QTest::newRow("no extension") << "/data/mine" << "/data/mine.icf";
    QTest::newRow("has extension") << "/data/mine.icf" << "/data/mine.icf";
    QTest::newRow("other extension") << "/data/mine.txt" << "/data/mine.txt";
    QTest::newRow("dot in folder") << "/da.ta/mine" << "/da.ta/mine.icf";
    QTest::newRow("cancelled") << "" << "";
}

void tst_UiHelpers::defaultExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, path);
    QCOMPARE(CommandFileDialog::withDefaultExtension(typed), path);
}

void tst_UiHelpers::logTakesRoomOfHiddenOptions()
{
    const auto with = MainLayout::arrange(0, 0, true);
    const auto without = MainLayout::arrange(0, 0, false);
    QCOMPARE(with.lstSendReceive.height(), 5640);
    QCOMPARE(without.lstSendReceive.height(), 6180);
    QCOMPARE(with.cmdDelete.top(), with.chkRepeat.top()); // beside chkRepeat
    const auto larger = MainLayout::arrange(300, 450, false);
    QCOMPARE(larger.lstSendReceive, QRect(60, 930, 7215, 6630));
    QCOMPARE(larger.cmdQuit.topLeft(), QPoint(7380, 7620));
    QCOMPARE(larger.cmdInsertSpecialChar.left(), 4860);
    QCOMPARE(larger.txtWaitTime.left(), 2940); // the repetition controls keep their left
}

void tst_UiHelpers::windowPlaceRestored_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("placed"); // no position (0, 0 as left and top): the system's
    QTest::addColumn<bool>("positioned");
    const QSize least(718, 586);
    QTest::newRow("on the first screen")
        << QRect(100, 50, 800, 600) << QRect(100, 50, 800, 600) << true;
    QTest::newRow("on the second screen")
        << QRect(1300, 20, 900, 700) << QRect(1300, 20, 900, 700) << true;
    QTest::newRow("smaller than the least size")
        << QRect(10, 10, 300, 200) << QRect(QPoint(10, 10), least) << true;
    QTest::newRow("off every screen")
        << QRect(5000, 5000, 800, 600) << QRect(0, 0, 800, 600) << false;
    QTest::newRow("across the edge of a screen")
        << QRect(1200, 100, 800, 600) << QRect(0, 0, 800, 600) << false;
    QTest::newRow("larger than the first screen, a monitor gone")
        << QRect(-3000, 0, 2500, 1400) << QRect(0, 0, 1280, 1000) << false;
    QTest::newRow("off every screen and small")
        << QRect(-900, -900, 100, 100) << QRect(QPoint(), least) << false;
}

// Two screens side by side: 1280 x 1000 and 1024 x 768 to its right.
void tst_UiHelpers::windowPlaceRestored()
{
    QFETCH(QRect, stored);
    QFETCH(QRect, placed);
    QFETCH(bool, positioned);
    const WindowPlacement::Placement p = WindowPlacement::restore(
        stored, QSize(718, 586), {QRect(0, 0, 1280, 1000), QRect(1280, 0, 1024, 768)});
    QCOMPARE(QRect(p.position.value_or(QPoint()), p.size), placed);
    QCOMPARE(p.position.has_value(), positioned);
}

QTEST_APPLESS_MAIN(tst_UiHelpers)
#include "tst_ui_helpers.moc"
