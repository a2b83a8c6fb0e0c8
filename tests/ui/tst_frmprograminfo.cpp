#include "ui/frmProgramInfo.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using UiTestSupport::captionOf;

class tst_frmProgramInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captions_data();
    void captions();
    void versionText();
    void logoAndFocus();
    void okCloses_data();
    void okCloses();
    void accessibleNames_data();
    void accessibleNames();
};

void tst_frmProgramInfo::captions_data()
{
    const UiTestSupport::Bilingual rows = {
        {"window", "Programm Info", "Program Info"},
        {"labProgramVersion", "Programm:", "Program:"},
        {"labSoftwareVersion", "Software Version:", "Software version:"},
        {"labDate", "Datum:", "Date:"},
        {"labEngineer", "Entwickler:", "Engineer:"},
        {"cmdOk", "OK", "OK"},
        {"fraInfo", "Information", "Information"},
        {"labProgramVersionValue", "Lintrova", "Lintrova"},
        {"labDateValue", "19.04.2018", "19.04.2018"},
        {"labEngineerValue", "Jonas Brenner", "Jonas Brenner"},
        {"labSoftwareVersionValue", "V2018.1.0", "V2018.1.0"},
    };
    UiTestSupport::addBilingualTable("caption", rows);
    QTest::newRow("any other language is English") << 7 << "labDate" << "Date:";
}

void tst_frmProgramInfo::captions()
{
    QFETCH(int, language);
    QFETCH(QString, control);
    QFETCH(QString, caption);

    frmProgramInfo dialog(static_cast<quint8>(language));
    QWidget *widget = dialog.findChild<QWidget *>(control);
    QVERIFY(control == "window" || widget);
    QCOMPARE(control == "window" ? dialog.windowTitle() : captionOf(widget), caption);
}

void tst_frmProgramInfo::versionText()
{
    QCOMPARE(frmProgramInfo::versionText(), QStringLiteral("V2018.1.0"));
}

void tst_frmProgramInfo::logoAndFocus()
{
    frmProgramInfo dialog(0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *logo = dialog.findChild<QLabel *>("Image1");
    QVERIFY(logo);
    QVERIFY(!logo->pixmap().isNull());
    auto *ok = dialog.findChild<QPushButton *>("cmdOk");
    QCOMPARE(QApplication::focusWidget(), ok);
    // The logo sits right of the frame, the button below the logo.
    auto *frame = dialog.findChild<QWidget *>("fraInfo");
    QVERIFY(logo->x() >= frame->geometry().right());
    QVERIFY(ok->y() > logo->geometry().bottom());
}

void tst_frmProgramInfo::okCloses_data()
{
    QTest::addColumn<int>("key"); // 0: a click
    QTest::newRow("click") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
}

void tst_frmProgramInfo::okCloses()
{
    QFETCH(int, key);
    frmProgramInfo dialog(1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *ok = dialog.findChild<QPushButton *>("cmdOk");
    if (key == 0)
        QTest::mouseClick(ok, Qt::LeftButton);
    else
        UiTestSupport::pressEnterOn(ok, Qt::Key(key));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void tst_frmProgramInfo::accessibleNames_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("logo");
    QTest::newRow("de") << 0 << "Lintrova-Logo";
    QTest::newRow("en") << 1 << "Lintrova logo";
}

// The logo is named (fault: no name); the dialog opens on its named button,
// which Tab keeps reaching.
void tst_frmProgramInfo::accessibleNames()
{
    QFETCH(int, language);
    QFETCH(QString, logo);
    frmProgramInfo dialog(static_cast<quint8>(language));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *image = dialog.findChild<QLabel *>("Image1");
    QCOMPARE(UiTestSupport::accessibleName(image), logo);
    QCOMPARE(QAccessible::queryAccessibleInterface(image)->role(), QAccessible::Graphic);
    QCOMPARE(UiTestSupport::accessibleName(QApplication::focusWidget()), QStringLiteral("OK"));
    QCOMPARE(UiTestSupport::namingFaults(&dialog), QStringList());
    QCOMPARE(UiTestSupport::namesOf(UiTestSupport::tabCycle()),
             UiTestSupport::namesOf(UiTestSupport::focusableControls(&dialog)));
}

QTEST_MAIN(tst_frmProgramInfo)
#include "tst_frmprograminfo.moc"
