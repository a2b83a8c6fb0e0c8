#include "ui/frmSettings.h"

#include "UiTestSupport.h"
#include "app/modGlobal.h"
#include "ui/MessageBoxes.h"
#include "ui/frmSpecialChar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

using UiTestSupport::captionOf;
using UiTestSupport::itemsOf;
using UiTestSupport::portListText;

namespace {

SettingsRecord sampleRecord()
{
    SettingsRecord r;
    r.ComPort = 2;
    r.Baudrate = 5;
    r.Dataformat = 3;
    r.Handshake = 1;
    r.RTS = 1;
    r.DTR = 1;
    r.Peculiar = 1;
    r.Language = 0;
    r.PrefixOption = 1;
    r.ReadjustOption = 0;
    r.PrefixChars = QStringLiteral("<STX>");
    r.ReadjustChars = QStringLiteral("<ETX>");
    r.DeleteSendChars = 1;
    r.ShowOptions = 1;
    r.CharDelay = 123;
    r.WaitTime = 50;
    r.LastErrorText = QStringLiteral("old");
    r.LastErrorNumber = 8002;
    r.SpecialCharTarget = 2;
    r.DataFolder = QStringLiteral("/tmp/x/");
    return r;
}

// Every field, so a wrong mapping anywhere shows up.
QStringList describe(const SettingsRecord &r)
{
    return {QString::number(r.ComPort),        QString::number(r.Baudrate),
            QString::number(r.Dataformat),     QString::number(r.Handshake),
            QString::number(r.RTS),            QString::number(r.DTR),
            QString::number(r.Peculiar),       QString::number(r.Language),
            QString::number(r.PrefixOption),   QString::number(r.ReadjustOption),
            r.PrefixChars,                     r.ReadjustChars,
            QString::number(r.DeleteSendChars), QString::number(r.ShowOptions),
            QString::number(r.CharDelay),      QString::number(r.WaitTime),
            r.LastErrorText,                   QString::number(r.LastErrorNumber),
            QString::number(r.SpecialCharTarget), r.DataFolder,
            QString::number(r.LineEnd * 10 + r.LineEndKey)};
}

const QString kThreePorts = portListText({"3", "5", "Five", "3", "Three", "1", "One"});

// One dialog over a record, counting the port reopenings and the boxes shown.
struct Fixture {
    explicit Fixture(SettingsRecord record = sampleRecord(), QString portList = kThreePorts)
        : settings(record)
    {
        MessageBoxes::setPresenter(
            [this](const MessageBoxes::Message &message) { messages.append(message); });
        dialog = std::make_unique<frmSettings>(
            settings, [portList]() { return portList; },
            [this]() {
                ++opened;
                comPortWhenOpened = settings.ComPort;
            });
        dialog->show();
    }
    ~Fixture() { MessageBoxes::setPresenter({}); }

    template <typename T>
    T *get(const char *name)
    {
        auto *child = dialog->findChild<T *>(QString::fromLatin1(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }
    void accept() { get<QPushButton>("cmdOk")->click(); }

    SettingsRecord settings;
    std::unique_ptr<frmSettings> dialog;
    QList<MessageBoxes::Message> messages;
    int opened = 0;
    int comPortWhenOpened = -1;
};

} // namespace

class tst_frmSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captions_data();
    void captions();
    void fixedLists_data();
    void fixedLists();
    void opensOnFirstPageWithDefaultButton();
    void loadsControlsFromRecord();
    void acceptUnchangedKeepsRecord();
    void acceptStoresEveryControl();
    void outOfListValueKeptOnAccept_data();
    void outOfListValueKeptOnAccept();
    void peculiarOtherThanOneShowsChecked();
    void comAbove16Refused();
    void com16Accepted();
    void fixedListChoiceStored();
    void typedBaudOnAccept_data();
    void typedBaudOnAccept();
    void charDelayOnAccept_data();
    void charDelayOnAccept();
    void leavingWithoutAcceptChangesNothing_data();
    void leavingWithoutAcceptChangesNothing();
    void affixControlsFollowTheirOption();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void accessibleNames_data();
    void accessibleNames();
    void keyboardReachesEveryControl_data();
    void keyboardReachesEveryControl();
};

void tst_frmSettings::captions_data()
{
    const UiTestSupport::Bilingual rows = {
        {"labSpsPcPort", "PC-Schnittstelle", "PC-Interface"},
        {"labSpsBaudrate", "Baudrate", "Baud rate"},
        {"labDataformat", "Datenformat", "Data format"},
        {"labCharDelay", "Zeichenverzögerung", "Character Delay"},
        {"labHandshake", "Handshake", "Handshake"},
        {"labCharDelayMs", "ms", "ms"},
        {"labLanguageProgram", "Programmsprache", "Program language"},
        {"fraInterface", "Einstellung", "Interface"},
        {"fraInternational", "Einstellung", "Interface"},
        {"fraPresentation", "Einstellung", "Interface"},
        {"fraTerminal", "Einstellungen", "Settings"},
        {"fraReceive", "Empfang", "Receive"},
        {"chkSpecialChar", "Sonderzeichen interpretiert darstellen",
         "Interpret special characters"},
        {"chkDeleteSendText", "'Zu sendende Zeichen' nach Abarbeitung löschen",
         "Delete 'Characters to send' after processing"},
        {"chkPrefix", "An 'Zu sendende Zeichen' voranstellen:", "Prefix to 'Characters to send':"},
        {"chkReadjust", "An 'Zu sendende Zeichen' anhängen:", "Attach to 'Characters to send':"},
        {"cmdInsertSpecialCharPrefix", "Sonderzeichen einfügen...", "Insert special character..."},
        {"cmdInsertSpecialCharReadjust", "Sonderzeichen einfügen...",
         "Insert special character..."},
        {"cmdOk", "Übernehmen", "Accept"},
        {"cmdCancel", "Abbrechen", "Cancel"},
        // Tabs and window: checked with their own names.
        {"window", "Voreinstellungen", "General Settings"},
        {"tab0", "Schnittstelle", "Interface"},
        {"tab1", "International", "International"},
        {"tab2", "Darstellung", "Presentation"},
        {"tab3", "Kommandozeile", "Command line"},
    };
    UiTestSupport::addBilingualTable("caption", rows);
}

void tst_frmSettings::captions()
{
    QFETCH(int, language);
    QFETCH(QString, control);
    QFETCH(QString, caption);

    SettingsRecord record = sampleRecord();
    record.Language = static_cast<quint8>(language);
    Fixture f(record);
    QString shown;
    if (control == "window")
        shown = f.dialog->windowTitle();
    else if (control.startsWith("tab"))
        shown = f.get<QTabWidget>("SSTab1")->tabText(control.mid(3).toInt());
    else
        shown = captionOf(f.get<QWidget>(control.toLatin1().constData()));
    QCOMPARE(shown, caption);
}

void tst_frmSettings::fixedLists_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("dataFormats");

    QTest::newRow("German") << 0
                            << QStringList{"8 Datenbits, 1 Stoppbit, Keine Parität",
                                           "7 Datenbits, 2 Stoppbit, keine Parität",
                                           "7 Datenbits, 1 Stoppbit, gerade Parität",
                                           "7 Datenbits, 1 Stoppbit, ungerade Parität",
                                           "8 Datenbits, 2 Stoppbit, keine Parität",
                                           "8 Datenbits, 1 Stoppbit, gerade Parität",
                                           "8 Datenbits, 1 Stoppbit, ungerade Parität"};
    QTest::newRow("English") << 1
                             << QStringList{"8 Data bits, 1 Stop bit, no Parity",
                                            "7 Data bits, 2 Stop bits, no Parity",
                                            "7 Data bits, 1 Stop bit, even Parity",
                                            "7 Data bits, 1 Stop bit, odd Parity",
                                            "8 Data bits, 2 Stop bits, no Parity",
                                            "8 Data bits, 1 Stop bit, even Parity",
                                            "8 Data bits, 1 Stop bit, odd Parity"};
}

void tst_frmSettings::fixedLists()
{
    QFETCH(int, language);
    QFETCH(QStringList, dataFormats);

    SettingsRecord record = sampleRecord();
    record.Language = static_cast<quint8>(language);
    Fixture f(record);
    QCOMPARE(itemsOf(f.get<QComboBox>("cboDataformat")), dataFormats);
    QCOMPARE(itemsOf(f.get<QComboBox>("cboLanguageProgram")),
             (QStringList{"Deutsch", "Englisch"}));
    QCOMPARE(itemsOf(f.get<QComboBox>("cboHandshake")),
             (QStringList{"None", "XOnXOff", "RTS", "RTSXOnXOff"}));
    QCOMPARE(itemsOf(f.get<QComboBox>("cboBaudrate")),
             (QStringList{"300", "600", "1200", "2400", "4800", "9600 *", "19200", "38400",
                          "56000", "57600", "115200", "230400", "460800", "921600"}));
    // Only the baud list also takes a typed value.
    for (const char *name : {"cboPcPort", "cboBaudrate", "cboDataformat", "cboHandshake",
                             "cboLanguageProgram"})
        QVERIFY2(f.get<QComboBox>(name)->isEditable() == (name == QLatin1String("cboBaudrate")),
                 name);
}

void tst_frmSettings::opensOnFirstPageWithDefaultButton()
{
    Fixture f;
    QCOMPARE(f.get<QTabWidget>("SSTab1")->count(), 4);
    QCOMPARE(f.get<QTabWidget>("SSTab1")->currentIndex(), 0);
    QVERIFY(f.get<QPushButton>("cmdOk")->isDefault());
    QVERIFY(!f.get<QComboBox>("cboPcPortTemp")->isVisible());
    QVERIFY(f.get<QComboBox>("cboPcPort")->isVisible());
}

void tst_frmSettings::loadsControlsFromRecord()
{
    Fixture f;
    QCOMPARE(f.get<QComboBox>("cboPcPort")->currentText(), QStringLiteral("COM3  -  Three"));
    QCOMPARE(f.get<QComboBox>("cboBaudrate")->currentIndex(), 5);
    QCOMPARE(f.get<QComboBox>("cboDataformat")->currentIndex(), 3);
    QCOMPARE(f.get<QComboBox>("cboHandshake")->currentIndex(), 1);
    QCOMPARE(f.get<QComboBox>("cboLanguageProgram")->currentIndex(), 0);
    QVERIFY(f.get<QCheckBox>("chkSpecialChar")->isChecked());
    QVERIFY(f.get<QCheckBox>("chkDeleteSendText")->isChecked());
    QVERIFY(f.get<QCheckBox>("chkPrefix")->isChecked());
    QVERIFY(!f.get<QCheckBox>("chkReadjust")->isChecked());
    QCOMPARE(f.get<QLineEdit>("txtPrefix")->text(), QStringLiteral("<STX>"));
    QCOMPARE(f.get<QLineEdit>("txtReadjust")->text(), QStringLiteral("<ETX>"));
    QCOMPARE(f.get<QLineEdit>("txtCharDelay")->text(), QStringLiteral("123"));
}

void tst_frmSettings::acceptUnchangedKeepsRecord()
{
    Fixture f;
    const SettingsRecord before = f.settings;
    f.accept();
    QCOMPARE(describe(f.settings), describe(before));
    QCOMPARE(f.opened, 1);
    QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
    QVERIFY(!f.dialog->isVisible());
}

void tst_frmSettings::acceptStoresEveryControl()
{
    Fixture f;
    f.get<QComboBox>("cboPcPort")->setCurrentIndex(2); // COM5
    f.get<QComboBox>("cboBaudrate")->setCurrentIndex(13);
    f.get<QComboBox>("cboDataformat")->setCurrentIndex(6);
    f.get<QComboBox>("cboHandshake")->setCurrentIndex(3);
    f.get<QComboBox>("cboLanguageProgram")->setCurrentIndex(1);
    f.get<QCheckBox>("chkSpecialChar")->setChecked(false);
    f.get<QCheckBox>("chkDeleteSendText")->setChecked(false);
    f.get<QCheckBox>("chkPrefix")->setChecked(false);
    f.get<QCheckBox>("chkReadjust")->setChecked(true);
    f.get<QLineEdit>("txtPrefix")->setText("<1>");
    f.get<QLineEdit>("txtReadjust")->setText("<CR><LF>");
    f.get<QLineEdit>("txtCharDelay")->setText("7");
    f.get<QComboBox>("cboLineEnd")->setCurrentIndex(3);
    f.get<QLineEdit>("txtQuietTime")->setText("250");
    f.accept();

    SettingsRecord expected = sampleRecord();
    expected.ComPort = 4;
    expected.Baudrate = 13;
    expected.Dataformat = 6;
    expected.Handshake = 3;
    expected.Language = 1;
    expected.Peculiar = 0;
    expected.DeleteSendChars = 0;
    expected.PrefixOption = 0;
    expected.ReadjustOption = 1;
    expected.PrefixChars = "<1>";
    expected.ReadjustChars = "<CR><LF>";
    expected.CharDelay = 7;
    expected.LineEnd = 3;
    expected.LineEndKey = true; // chosen: the key comes into the file
    expected.WaitTime = 250;
    QCOMPARE(describe(f.settings), describe(expected));
    QCOMPARE(f.opened, 1);
    // The port is reopened with what has just been stored.
    QCOMPARE(f.comPortWhenOpened, 4);
}

void tst_frmSettings::outOfListValueKeptOnAccept_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("value");

    QTest::newRow("Baudrate 200") << "cboBaudrate" << 200;
    QTest::newRow("Baudrate 14") << "cboBaudrate" << 14;
    QTest::newRow("Dataformat 9") << "cboDataformat" << 9;
    QTest::newRow("Handshake 7") << "cboHandshake" << 7;
    QTest::newRow("Language 5") << "cboLanguageProgram" << 5;
}

void tst_frmSettings::outOfListValueKeptOnAccept()
{
    QFETCH(QString, list);
    QFETCH(int, value);

    SettingsRecord record = sampleRecord();
    quint8 *field = list == "cboBaudrate"     ? &record.Baudrate
                    : list == "cboDataformat" ? &record.Dataformat
                    : list == "cboHandshake"  ? &record.Handshake
                                              : &record.Language;
    *field = static_cast<quint8>(value);
    Fixture f(record);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.get<QComboBox>(list.toLatin1().constData())->currentIndex(), -1);
    f.get<QLineEdit>("txtPrefix")->setText("changed");
    f.accept();
    SettingsRecord expected = record;
    expected.PrefixChars = "changed";
    QCOMPARE(describe(f.settings), describe(expected));
}

void tst_frmSettings::peculiarOtherThanOneShowsChecked()
{
    SettingsRecord record = sampleRecord();
    record.Peculiar = 2;
    record.DeleteSendChars = 2; // only 1 means on for this flag
    Fixture f(record);
    QVERIFY(f.get<QCheckBox>("chkSpecialChar")->isChecked());
    QVERIFY(!f.get<QCheckBox>("chkDeleteSendText")->isChecked());
}

void tst_frmSettings::comAbove16Refused()
{
    SettingsRecord record = sampleRecord();
    record.ComPort = 16;
    Fixture f(record, portListText({"2", "17", "Far", "16", "Near"}));
    QCOMPARE(f.get<QComboBox>("cboPcPort")->currentText(), QStringLiteral("COM17  -  Far"));
    f.get<QLineEdit>("txtPrefix")->setText("changed");
    f.get<QComboBox>("cboBaudrate")->setCurrentIndex(0);
    const SettingsRecord before = f.settings;
    f.accept();

    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].icon, MessageBoxes::Icon::Critical);
    QCOMPARE(f.messages[0].title, QStringLiteral("Überschreitung der COM Anschlussnummer"));
    QVERIFY(f.messages[0].text.startsWith(
        QStringLiteral("COM-Port Anschlussnummer darf COM 16 nicht überschreiten")));
    QCOMPARE(f.messages[0].parent, f.dialog.get());
    QCOMPARE(describe(f.settings), describe(before));
    QCOMPARE(f.opened, 0);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.get<QLineEdit>("txtPrefix")->text(), QStringLiteral("changed"));

    // Another choice then goes through.
    f.get<QComboBox>("cboPcPort")->setCurrentIndex(0);
    f.accept();
    QCOMPARE(f.settings.ComPort, 15);
    QCOMPARE(f.settings.PrefixChars, QStringLiteral("changed"));
    QCOMPARE(f.opened, 1);
}

void tst_frmSettings::com16Accepted()
{
    SettingsRecord record = sampleRecord();
    record.Language = 1;
    record.ComPort = 15;
    Fixture f(record, portListText({"1", "16", "Near"}));
    f.accept();
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.settings.ComPort, 15);
    QCOMPARE(f.opened, 1);
    QCOMPARE(f.comPortWhenOpened, 15);
    QVERIFY(!f.dialog->isVisible());
}

void tst_frmSettings::fixedListChoiceStored()
{
    Fixture f(sampleRecord(), QStringLiteral("0"));
    auto *list = f.get<QComboBox>("cboPcPort");
    QCOMPARE(list->count(), 14);
    QCOMPARE(list->currentText(), QStringLiteral("COM3"));
    list->setCurrentIndex(0);
    f.accept();
    QCOMPARE(f.settings.ComPort, 0);
}

void tst_frmSettings::typedBaudOnAccept_data()
{
    QTest::addColumn<int>("loaded"); // BaudrateValue in the record
    // Shown, typed (none: left as shown), stored ("Baudrate BaudrateValue [key]" or "refused").
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("a rate outside the list")
        << 0 << QStringList{"9600 *", "250000", "5 250000 key"};
    QTest::newRow("the lowest") << 0 << QStringList{"9600 *", "50", "5 50 key"};
    QTest::newRow("the highest") << 0 << QStringList{"9600 *", "4000000", "5 4000000 key"};
    QTest::newRow("below the lowest") << 0 << QStringList{"9600 *", "49", "refused"};
    QTest::newRow("above the highest") << 0 << QStringList{"9600 *", "4000001", "refused"};
    QTest::newRow("a letter") << 0 << QStringList{"9600 *", "25O000", "refused"};
    QTest::newRow("an entry with its mark") << 250000 << QStringList{"250000", "9600 *", "5 0 key"};
    QTest::newRow("an entry typed") << 0 << QStringList{"9600 *", " 115200 ", "10 0"};
    QTest::newRow("a typed rate kept") << 250000 << QStringList{"250000", "5 250000 key"};
    QTest::newRow("a listed rate is its entry") << 1200 << QStringList{"1200", "2 0 key"};
}

// The baud list takes a typed whole number from 50 to 4,000,000: one in the
// list is its entry, any other is kept as BaudrateValue; anything else
// keeps the dialog open with a message.
void tst_frmSettings::typedBaudOnAccept()
{
    QFETCH(int, loaded);
    QFETCH(QStringList, steps);
    SettingsRecord record = sampleRecord();
    record.BaudrateValue = loaded;
    record.BaudrateValueKey = loaded != 0;
    Fixture f(record);
    auto *rates = f.get<QComboBox>("cboBaudrate");
    QCOMPARE(rates->currentText(), steps.first());
    if (steps.size() == 3)
        rates->setEditText(steps[1]);
    f.accept();
    const SettingsRecord &s = f.settings;
    const QString stored = QStringLiteral("%1 %2%3").arg(s.Baudrate).arg(s.BaudrateValue);
    QCOMPARE(f.opened == 0 ? QStringLiteral("refused")
                           : stored.arg(s.BaudrateValueKey ? " key" : ""),
             steps.last());
    QCOMPARE(f.dialog->isVisible(), f.opened == 0);
    const QString refusal = "Die Baudrate " + steps[1] +
                            " ist keine ganze Zahl von 50 bis 4.000.000.";
    QCOMPARE(f.messages.size() == 1 && f.messages[0].text == refusal, f.opened == 0);
}

void tst_frmSettings::charDelayOnAccept_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("stored");

    QTest::newRow("0") << "0" << 0;
    QTest::newRow("9999") << "9999" << 9999;
    QTest::newRow("10000") << "10000" << 123;
    QTest::newRow("-1") << "-1" << 123;
    QTest::newRow("abc") << "abc" << 123;
    QTest::newRow("empty") << "" << 123;
    QTest::newRow("2.5") << "2.5" << 2;
    QTest::newRow("3.5") << "3.5" << 4;
    QTest::newRow("40000") << "40000" << 123;
}

void tst_frmSettings::charDelayOnAccept()
{
    QFETCH(QString, text);
    QFETCH(int, stored);

    Fixture f;
    f.get<QLineEdit>("txtCharDelay")->setText(text);
    f.get<QComboBox>("cboHandshake")->setCurrentIndex(2);
    f.accept();
    QCOMPARE(int(f.settings.CharDelay), stored);
    QCOMPARE(f.settings.Handshake, 2); // the rest is stored regardless
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.opened, 1);
}

void tst_frmSettings::leavingWithoutAcceptChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("close box") << "close";
}

void tst_frmSettings::leavingWithoutAcceptChangesNothing()
{
    QFETCH(QString, how);

    Fixture f;
    const SettingsRecord before = f.settings;
    f.get<QComboBox>("cboPcPort")->setCurrentIndex(0);
    f.get<QComboBox>("cboBaudrate")->setCurrentIndex(0);
    f.get<QComboBox>("cboDataformat")->setCurrentIndex(0);
    f.get<QComboBox>("cboHandshake")->setCurrentIndex(0);
    f.get<QComboBox>("cboLanguageProgram")->setCurrentIndex(1);
    f.get<QCheckBox>("chkSpecialChar")->click();
    f.get<QCheckBox>("chkDeleteSendText")->click();
    f.get<QCheckBox>("chkPrefix")->click();
    f.get<QCheckBox>("chkReadjust")->click();
    f.get<QLineEdit>("txtPrefix")->setText("x");
    f.get<QLineEdit>("txtReadjust")->setText("y");
    f.get<QLineEdit>("txtCharDelay")->setText("5");

    if (how == "cancel") {
        f.get<QPushButton>("cmdCancel")->click();
    } else if (how == "escape") {
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
    } else {
        f.dialog->close();
    }
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
    QCOMPARE(describe(f.settings), describe(before));
    QCOMPARE(f.opened, 0);
}

void tst_frmSettings::affixControlsFollowTheirOption()
{
    Fixture f; // prefix on, suffix off
    auto *chkPrefix = f.get<QCheckBox>("chkPrefix");
    auto *txtPrefix = f.get<QLineEdit>("txtPrefix");
    auto *cmdPrefix = f.get<QPushButton>("cmdInsertSpecialCharPrefix");
    auto *txtReadjust = f.get<QLineEdit>("txtReadjust");
    auto *cmdReadjust = f.get<QPushButton>("cmdInsertSpecialCharReadjust");
    const QColor input = f.get<QComboBox>("cboPcPort")->palette().color(QPalette::Base);
    const QColor greyed = f.get<QPushButton>("cmdOk")->palette().color(QPalette::Button);
    QVERIFY2(input != greyed, "the style must tell the two colours apart for this test");

    QVERIFY(txtPrefix->isEnabled() && cmdPrefix->isEnabled());
    QCOMPARE(txtPrefix->palette().color(QPalette::Base), input);
    QVERIFY(!txtReadjust->isEnabled() && !cmdReadjust->isEnabled());
    QCOMPARE(txtReadjust->palette().color(QPalette::Base), greyed);

    f.get<QTabWidget>("SSTab1")->setCurrentIndex(3);
    QTest::mouseClick(chkPrefix, Qt::LeftButton);
    QVERIFY(!chkPrefix->isChecked());
    QVERIFY(!txtPrefix->isEnabled() && !cmdPrefix->isEnabled());
    QCOMPARE(txtPrefix->palette().color(QPalette::Base), greyed);
    QVERIFY(!txtReadjust->isEnabled() && !cmdReadjust->isEnabled());

    QTest::mouseClick(f.get<QCheckBox>("chkReadjust"), Qt::LeftButton);
    QVERIFY(txtReadjust->isEnabled() && cmdReadjust->isEnabled());
    QCOMPARE(txtReadjust->palette().color(QPalette::Base), input);
    QVERIFY(!txtPrefix->isEnabled());

    f.accept();
    QCOMPARE(f.settings.PrefixOption, 0);
    QCOMPARE(f.settings.PrefixChars, QStringLiteral("<STX>"));
    QCOMPARE(f.settings.ReadjustOption, 1);
}

void tst_frmSettings::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("pressed"); // "accept", "cancel" or "insert" (special characters)
    const int ret = Qt::Key_Return;
    const int enter = Qt::Key_Enter;
    QTest::newRow("Cancel, fault: it accepted") << "cmdCancel" << ret << "cancel";
    QTest::newRow("Cancel, keypad Enter") << "cmdCancel" << enter << "cancel";
    QTest::newRow("prefix insert button, fault: it accepted")
        << "cmdInsertSpecialCharPrefix" << ret << "insert";
    QTest::newRow("suffix insert button") << "cmdInsertSpecialCharReadjust" << enter << "insert";
    QTest::newRow("Accept") << "cmdOk" << ret << "accept";
    QTest::newRow("port list") << "cboPcPort" << ret << "accept";
    QTest::newRow("character delay") << "txtCharDelay" << enter << "accept";
    QTest::newRow("language list") << "cboLanguageProgram" << ret << "accept";
    QTest::newRow("check box") << "chkDeleteSendText" << ret << "accept";
    QTest::newRow("prefix box") << "txtPrefix" << ret << "accept";
}

// Enter presses the button that has the focus; anywhere else it presses
// Accept, the default button.
void tst_frmSettings::enterPressesTheFocusedButton()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, pressed);

    SettingsRecord record = sampleRecord();
    record.ReadjustOption = 1; // both insert buttons usable
    Fixture f(record);
    QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
    f.get<QComboBox>("cboBaudrate")->setCurrentIndex(0); // a change Accept would store
    int insertDialogs = 0;
    if (pressed == "insert")
        UiTestSupport::whenModalShows<frmSpecialChar>([&insertDialogs](frmSpecialChar *special) {
            ++insertDialogs;
            special->reject();
        });
    UiTestSupport::pressEnterOn(f.get<QWidget>(focus.toLatin1().constData()), Qt::Key(key));

    QCOMPARE(insertDialogs, pressed == "insert" ? 1 : 0);
    QCOMPARE(f.dialog->isVisible(), pressed == "insert");
    QCOMPARE(f.opened, pressed == "accept" ? 1 : 0);
    QCOMPARE(int(f.settings.Baudrate), pressed == "accept" ? 0 : 5);
    if (pressed != "insert")
        QCOMPARE(f.dialog->result(), int(pressed == "accept" ? QDialog::Accepted : QDialog::Rejected));
}

void tst_frmSettings::accessibleNames_data()
{
    const UiTestSupport::Bilingual rows = {
        // The lists by their labels, fault: by their current entries.
        {"cboPcPort", "PC-Schnittstelle", "PC-Interface"},
        {"cboBaudrate", "Baudrate", "Baud rate"},
        {"cboDataformat", "Datenformat", "Data format"},
        {"cboHandshake", "Handshake", "Handshake"},
        {"cboLanguageProgram", "Programmsprache", "Program language"},
        {"txtCharDelay", "Zeichenverzögerung", "Character Delay"},
        {"cboLineEnd", "Block endet auch am Zeilenende", "A block also ends at a line end"},
        {"txtQuietTime", "Ruhezeit [ms]", "Quiet time [ms]"},
        {"txtPrefix", "Voranzustellende Zeichen", "Characters to prefix"},
        {"txtReadjust", "Anzuhängende Zeichen", "Characters to attach"},
        {"cmdInsertSpecialCharPrefix", "Sonderzeichen einfügen... (voranzustellende Zeichen)",
         "Insert special character... (characters to prefix)"},
        {"cmdInsertSpecialCharReadjust", "Sonderzeichen einfügen... (anzuhängende Zeichen)",
         "Insert special character... (characters to attach)"},
        {"chkPrefix", "An 'Zu sendende Zeichen' voranstellen:", "Prefix to 'Characters to send':"},
        {"tabs", "Schnittstelle", "Interface"}, // the row of page tabs, by the page shown
        {"cmdOk", "Übernehmen", "Accept"},
        {"window", "Voreinstellungen", "General Settings"},
    };
    UiTestSupport::addBilingualTable("name", rows);
}

// As a screen reader finds them (QAccessible); the lists keep their entry as
// their value.
void tst_frmSettings::accessibleNames()
{
    QFETCH(int, language);
    QFETCH(QString, control);
    QFETCH(QString, name);
    SettingsRecord record = sampleRecord();
    record.Language = quint8(language);
    Fixture f(record);
    QObject *object = control == "window" ? static_cast<QObject *>(f.dialog.get())
                      : control == "tabs" ? f.get<QTabWidget>("SSTab1")->tabBar()
                                          : f.get<QWidget>(control.toLatin1().constData());
    QCOMPARE(UiTestSupport::accessibleName(object), name);
    QAccessibleInterface *baud = QAccessible::queryAccessibleInterface(f.get<QComboBox>("cboBaudrate"));
    QCOMPARE(baud->role(), QAccessible::ComboBox);
    QCOMPARE(baud->text(QAccessible::Value), QStringLiteral("9600 *"));
    QCOMPARE(baud->childCount(), 2); // the popup list and the box a rate is typed in
}

void tst_frmSettings::keyboardReachesEveryControl_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("page");
    for (int language = 0; language < 2; ++language)
        for (int page = 0; page < 4; ++page)
            QTest::addRow("%s, page %d", language == 0 ? "de" : "en", page + 1) << language << page;
}

// On every page: every control that takes the focus has a name of its own,
// and Tab reaches each of them. The dialog opens with the focus on a named
// control (fault: an object without a name).
void tst_frmSettings::keyboardReachesEveryControl()
{
    QFETCH(int, language);
    QFETCH(int, page);
    SettingsRecord record = sampleRecord();
    record.Language = quint8(language);
    record.ReadjustOption = 1;
    Fixture f(record);
    QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
    QWidget *first = QApplication::focusWidget();
    QVERIFY(first);
    QCOMPARE(first, f.get<QWidget>("cboPcPort"));
    f.get<QTabWidget>("SSTab1")->setCurrentIndex(page);
    QCOMPARE(UiTestSupport::namingFaults(f.dialog.get()), QStringList());
    const QList<QWidget *> reachable = UiTestSupport::focusableControls(f.dialog.get());
    QVERIFY(reachable.size() >= 4); // the page's own, the tab bar, Accept and Cancel
    QCOMPARE(UiTestSupport::namesOf(UiTestSupport::tabCycle()), UiTestSupport::namesOf(reachable));
}

QTEST_MAIN(tst_frmSettings)
#include "tst_frmsettings.moc"
