#include "ui/CommandFileDialog.h"
#include "ui/MainLayout.h"

#include <QTest>

class tst_UiHelpers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileDialogFilter_data();
    void fileDialogFilter();
    void defaultExtension_data();
    void defaultExtension();
    void logTakesRoomOfHiddenOptions();
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

QTEST_APPLESS_MAIN(tst_UiHelpers)
#include "tst_ui_helpers.moc"
