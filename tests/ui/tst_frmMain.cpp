#include "app/CommandLine.h"
#include "app/SendHistory.h"
#include "engine/LogFile.h"
#include "engine/LogRecorder.h"
#include "ui/LogView.h"
#include "ui/ProgramEnd.h"
#include "ui/SendFileDialog.h"
#include "ui/frmSpecialChar.h"
#include "app/LineEnd.h"
#include "text/Codec.h"
#include "ui/frmTriggers.h"

#include <QTableWidget>

#include "StandardErrorCapture.h"
#include "WindowRig.h"
#include "app/TestFiles.h"
#include "ports/termios2_baud.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScrollArea>
#include <QSplitter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <tuple>

namespace {

// A line of 2,000 characters that takes 3,500 bytes in the saved form.
QString longContent()
{
    return QString(500, QChar(1)) + QString(500, u'\u00e4') + QString(1000, u'y');
}

// The header a recording started today begins with, for the window's port.
QByteArray recordingHeader(frmMain &window)
{
    return LogFile::headerLine(window.engine().connection().portDescription(),
                               QDateTime::currentDateTimeUtc().date());
}

// Appends lines to the log and keeps the file form of each, as a recording
// must have them.
struct Lines {
    TrafficLog &log;
    QByteArray expected;
    void append(int count, const QString &content)
    {
        for (int i = 0; i < count; ++i) {
            log.AppendTrafficLine(i % 2 ? TrafficLog::Direction::Sent
                                        : TrafficLog::Direction::Received,
                                  content, QDateTime::currentDateTimeUtc());
            LogFile::appendLine(expected, log.lineBytes(log.count() - 1));
        }
    }
};

// The colours of a widget's pixels, without alpha, in its columns from
// `from` up to `to` (-1: the right edge).
QSet<QRgb> coloursOf(QWidget *widget, int from = 0, int to = -1)
{
    const QImage image = widget->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = from; x < (to < 0 ? image.width() : to); ++x)
            colours.insert(image.pixel(x, y) & 0xFFFFFF);
    return colours;
}

// Counts a widget's paint events.
struct Paints : QObject {
    explicit Paints(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int count = 0;
};

// A small file system of its own, for a disk that fills; needs root.
class SmallDisk {
public:
    explicit SmallDisk(const QString &folder) : m_folder(QFile::encodeName(folder))
    {
        QDir().mkpath(folder);
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, "size=16k") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT
    QTemporaryDir m_config; // where Qt's file dialog keeps its history
private Q_SLOTS:
    void initTestCase();
    void triggerAnswersTheDevice_data();
    void triggerAnswersTheDevice();
    void triggerLoopIsStopped();
    void opensThePortAndEnablesControls();
    void enterInSendBoxSendsOnce();
    void enterInSlotBoxSendsTheSendBox();
    void textThatCannotBeSentStaysAndIsExplained();
    void focusedButtonTakesEnter();
    void functionKeys_data();
    void functionKeys();
    void functionKeyReleasedInSlotBox();
    void sendButtonFollowsTextAndPort();
    void blockCheckAppendsToken();
    void escapeSavesAndEnds();
    void saveFailureAtExitIsShown_data();
    void saveFailureAtExitIsShown();
    void sendBoxHistory_data();
    void sendBoxHistory();
    void lineInfoTellsTheTimes_data();
    void lineInfoTellsTheTimes();
    void leftoversOfSavesRemovedAtStart_data();
    void leftoversOfSavesRemovedAtStart();
    void waitTimeSavedAtExit_data();
    void waitTimeSavedAtExit();
    void doubleClickShowsLine_data();
    void doubleClickShowsLine();
    void captionsFollowLanguage();
    void everyMenuItemHasItsOwnMnemonic();
    void geometry_data();
    void geometry();
    void portErrorIsReported();
    void receivedControlCharactersKeepRawText();
    void hexViewFromTheViewMenu_data();
    void hexViewFromTheViewMenu();
    void lineDeviceWithChecksums_data();
    void lineDeviceWithChecksums();
    void hexViewKeptOnceUsed_data();
    void hexViewKeptOnceUsed();
    void checksumAppendedToActiveBox_data();
    void checksumAppendedToActiveBox();
    void checksumNeedsAnEnabledBox();
    void commandFileMenu();
    void saveLog_data();
    void saveLog();
    void logContextMenu();
    void recordLog_data();
    void recordLog();
    void recordingKeepsUpWithAFastStream();
    void recordingStops_data();
    void recordingStops();
    void recordingRemembered_data();
    void recordingRemembered();
    void specialCharacterGoesToActiveBox_data();
    void specialCharacterGoesToActiveBox();
    void settingsDialogReopensPort();
    void controlLinesAndTypedRate_data();
    void controlLinesAndTypedRate();
    void closingEndsLongRepetitionPause_data();
    void closingEndsLongRepetitionPause();
    void heldFunctionKeySendsOnceFromSlotBox();
    void doubleClickBelowTheLines();
    void textBoxesHaveNoLengthLimit();
    void focusStaysAfterReopening_data();
    void focusStaysAfterReopening();
    void focusGoesToTheLogWhenControlsGoOff_data();
    void focusGoesToTheLogWhenControlsGoOff();
    void endForTheSystem_data();
    void endForTheSystem();
    void programEndsBySignal_data();
    void programEndsBySignal();
    void signalEndsAStuckProgram();
    void qtDialogsSpeakTheLanguage_data();
    void qtDialogsSpeakTheLanguage();
    void accessibleNames_data();
    void accessibleNames();
    void keyboardReachesEveryControl_data();
    void keyboardReachesEveryControl();
    void namesFollowLanguage();
    void logLinesSpellControlCharacters_data();
    void logLinesSpellControlCharacters();
    void lineBoxIsNamed_data();
    void lineBoxIsNamed();
    void lineBoxTakesEnter_data();
    void lineBoxTakesEnter();
    void findInTheLog_data();
    void findInTheLog();
    void holdTheView_data();
    void holdTheView();
    void plotOfReceivedNumbers();
    void plotTimeRange_data();
    void plotTimeRange();
    void plotKeptWithThePlace_data();
    void plotKeptWithThePlace();
    void sendFile_data();
    void sendFile();
};

void tst_frmMain::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void tst_frmMain::opensThePortAndEnablesControls()
{
    START_PROGRAM(p);
    QVERIFY(p.edit("txtSend")->isEnabled());
    QVERIFY(p.button("cmdBefehl1")->isEnabled());
    QVERIFY(!p.button("cmdSend")->isEnabled());
    QCOMPARE(p.status(),
             QStringLiteral("Schnittstelle COM1 mit 9600 Baud 8 Datenbits, 1 Stoppbit, Keine "
                            "Parität und Handshake None ist geöffnet."));
    QCOMPARE(p.edit("txtSend")->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(p.window->ActiveTextBox(), p.edit("txtSend"));
}

void tst_frmMain::enterInSendBoxSendsOnce()
{
    START_PROGRAM(p);
    QLineEdit *send = p.edit("txtSend");
    send->setFocus();
    QTest::keyClicks(send, "AB<CR>");
    QTest::keyClick(send, Qt::Key_Return);
    QCOMPARE(p.wire(3), QByteArray("AB\r"));
    QCOMPARE(p.logContents(), QStringList{QStringLiteral("[OUT]  AB<CR>")});
    QCOMPARE(send->text(), QString()); // DeleteSendChars defaults to 1
}

// The text used to vanish without a word; now it stays, the bad token is
// selected, and the status bar says why for five seconds.
void tst_frmMain::textThatCannotBeSentStaysAndIsExplained()
{
    START_PROGRAM(p);
    QLineEdit *send = p.edit("txtSend");
    auto *status = p.child<QLabel>("stbStatus");
    const QString portStatus = status->text();
    QStatusBar *bar = p.window->statusBar();
    send->setFocus();
    QTest::keyClicks(send, "AB<ESC>C");
    QTest::keyClick(send, Qt::Key_Return);
    QCOMPARE(send->text(), QStringLiteral("AB<ESC>C"));
    QCOMPARE(send->selectedText(), QStringLiteral("<ESC>"));
    QCOMPARE(p.window->focusWidget(), send);
    const QString message = QStringLiteral("Nicht gesendet: <ESC> ist kein gültiges Steuerzeichen");
    QCOMPARE(bar->currentMessage(), message);
    QCOMPARE(bar->accessibleName(), message);
    QVERIFY(!status->isVisible()); // the message covers the port's status
    QCOMPARE(p.peer->readPending(50), QByteArray());
    QCOMPARE(p.log().count(), 0);

    // Pressed with the mouse from a slot box: the box gets the focus back.
    p.edit("txtBefehl2")->setFocus();
    QTest::mouseClick(p.button("cmdSend"), Qt::LeftButton);
    QCOMPARE(p.window->focusWidget(), send);
    QCOMPARE(send->selectedText(), QStringLiteral("<ESC>"));

    // A slot tells, but leaves the focus and the selection alone.
    p.edit("txtBefehl2")->setText(QStringLiteral("x\u0142"));
    p.edit("txtBefehl2")->setFocus();
    send->deselect();
    p.button("cmdBefehl2")->click();
    QCOMPARE(bar->currentMessage(),
             QStringLiteral("Nicht gesendet: Das Zeichen \u0142 gibt es im Zeichensatz "
                            "Windows-1252 nicht"));
    QCOMPARE(p.window->focusWidget(), p.edit("txtBefehl2"));
    QVERIFY(!send->hasSelectedText());
    QCOMPARE(p.edit("txtBefehl2")->text(), QStringLiteral("x\u0142"));

    QElapsedTimer shown;
    shown.start();
    QTRY_VERIFY_WITH_TIMEOUT(bar->currentMessage().isEmpty(), 7000);
    QVERIFY(shown.elapsed() > 4000);
    QVERIFY(status->isVisible());
    QCOMPARE(status->text(), portStatus);
    QCOMPARE(bar->accessibleName(), portStatus);
    QCOMPARE(p.peer->readPending(30), QByteArray());
}

void tst_frmMain::enterInSlotBoxSendsTheSendBox()
{
    START_PROGRAM(p);
    p.edit("txtSend")->setText(QStringLiteral("X"));
    p.edit("txtBefehl3")->setText(QStringLiteral("slot3"));
    p.edit("txtBefehl3")->setFocus();
    QTest::keyClick(p.edit("txtBefehl3"), Qt::Key_Enter);
    QCOMPARE(p.wire(1), QByteArray("X"));
    QCOMPARE(p.window->ActiveTextBox(), p.edit("txtBefehl3"));
}

void tst_frmMain::focusedButtonTakesEnter()
{
    START_PROGRAM(p);
    p.edit("txtSend")->setText(QStringLiteral("X"));
    p.edit("txtBefehl2")->setText(QStringLiteral("two"));
    p.button("cmdBefehl2")->setFocus();
    QTest::keyClick(p.button("cmdBefehl2"), Qt::Key_Return);
    QCOMPARE(p.wire(3), QByteArray("two"));
}

void tst_frmMain::functionKeys_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("F3 in the log") << "lstSendReceive" << int(Qt::Key_F3) << 0 << QByteArray("s3");
    QTest::newRow("Shift+F3 in the log")
        << "lstSendReceive" << int(Qt::Key_F3) << int(Qt::ShiftModifier) << QByteArray("s3");
    QTest::newRow("Ctrl+F8 in the send box")
        << "txtSend" << int(Qt::Key_F8) << int(Qt::ControlModifier) << QByteArray("s8");
    QTest::newRow("F1 on Quit") << "cmdQuit" << int(Qt::Key_F1) << 0 << QByteArray("s1");
    QTest::newRow("F3 in the find bar") << "txtFind" << int(Qt::Key_F3) << 0 << QByteArray("s3");
    QTest::newRow("F5 on the find bar's Next")
        << "cmdFindNext" << int(Qt::Key_F5) << 0 << QByteArray("s5");
    QTest::newRow("F9 nothing") << "lstSendReceive" << int(Qt::Key_F9) << 0 << QByteArray();
    QTest::newRow("F2 on block check nothing") << "cmdBlockcheck" << int(Qt::Key_F2) << 0 << QByteArray();
}

void tst_frmMain::functionKeys()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QByteArray, sent);
    START_PROGRAM(p);
    for (int n = 1; n <= 8; ++n)
        p.edit(QStringLiteral("txtBefehl%1").arg(n))->setText(QStringLiteral("s%1").arg(n));
    QWidget *target = p.child<QWidget>(focus);
    if (!target->isVisibleTo(p.window.get()))
        p.child<QAction>("mnuViewFind")->trigger(); // the find bar
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (sent.isEmpty()) {
        QTest::qWait(50);
        QCOMPARE(p.peer->readPending(30), QByteArray());
        QCOMPARE(p.log().count(), 0);
    } else {
        QCOMPARE(p.wire(sent.size()), sent);
    }
}

void tst_frmMain::functionKeyReleasedInSlotBox()
{
    START_PROGRAM(p);
    p.edit("txtBefehl5")->setText(QStringLiteral("five"));
    QLineEdit *box = p.edit("txtBefehl2");
    box->setFocus();
    QTest::keyClicks(box, "new");
    QTest::keyPress(box, Qt::Key_F5);
    QTest::qWait(30);
    QCOMPARE(p.peer->readPending(30), QByteArray()); // not on press
    QTest::keyRelease(box, Qt::Key_F5);
    QCOMPARE(p.wire(4), QByteArray("five"));
    QCOMPARE(box->toolTip(), QStringLiteral("new"));
}

void tst_frmMain::sendButtonFollowsTextAndPort()
{
    START_PROGRAM(p);
    QLineEdit *send = p.edit("txtSend");
    QPushButton *cmdSend = p.button("cmdSend");
    send->setFocus();
    QTest::keyClick(send, Qt::Key_A);
    QVERIFY(cmdSend->isEnabled());
    QTest::keyClick(send, Qt::Key_Backspace);
    QVERIFY(!cmdSend->isEnabled());
}

void tst_frmMain::blockCheckAppendsToken()
{
    START_PROGRAM(p);
    p.edit("txtSend")->setText(QStringLiteral("<STX>ABC<ETX>"));
    p.button("cmdBlockcheck")->click();
    QCOMPARE(p.edit("txtSend")->text(), QStringLiteral("<STX>ABC<ETX><195>"));
    p.edit("txtSend")->setText(QStringLiteral("<stx>"));
    p.button("cmdBlockcheck")->click();
    QCOMPARE(p.edit("txtSend")->text(), QStringLiteral("<stx>"));
}

void tst_frmMain::escapeSavesAndEnds()
{
    START_PROGRAM(p, "[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\nShowOptions=1\r\n");
    p.edit("txtBefehl4")->setText(QStringLiteral("<STX>four"));
    p.edit("txtWaitTime")->setText(QStringLiteral("250"));
    p.edit("txtWaitTime")->setFocus();
    QTest::keyClick(p.edit("txtWaitTime"), Qt::Key_Escape);
    QTRY_VERIFY(!p.window->isVisible());
    const QByteArray saved = p.read("Settings.ini");
    QVERIFY2(saved.contains("WaitTime=250"), saved.constData());
    QVERIFY(saved.contains("ShowOptions=1"));
    QVERIFY(p.read("DefaultCommands.icf").contains("Param4=<STX>four"));
}

void tst_frmMain::saveFailureAtExitIsShown_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("folders"); // folders put where the files should be
    QTest::addColumn<QString>("message");     // "title|text"; %1 is the data folder
    const QString de = u"Einstellungen nicht gespeichert|"_qs;
    const QString en = u"Settings not saved|"_qs;
    QTest::newRow("saved") << 0 << QStringList() << QString();
    QTest::newRow("settings file, fault: silent")
        << 0 << QStringList{"Settings.ini"}
        << de + u"Die Datei %1Settings.ini konnte beim Beenden nicht gespeichert werden. "
                "Der Name ist der eines Ordners."_qs;
    QTest::newRow("both files, English")
        << 1 << QStringList{"Settings.ini", "DefaultCommands.icf"}
        << en + u"The file %1Settings.ini could not be saved at exit. The name is that of a folder.\n"
                "The file %1DefaultCommands.icf could not be saved at exit. The name is that of a "
                "folder."_qs;
    QTest::newRow("the history")
        << 0 << QStringList{"History.txt"}
        << de + u"Die Datei %1History.txt konnte beim Beenden nicht gespeichert werden. "
                "Der Name ist der eines Ordners."_qs;
    QTest::newRow("the last log")
        << 1 << QStringList{"LastLog.txt"}
        << en + u"The file %1LastLog.txt could not be saved at exit. The name is that of a "
                "folder."_qs;
}

// The old files stay; the user is told before the program ends.
void tst_frmMain::saveFailureAtExitIsShown()
{
    QFETCH(int, language);
    QFETCH(QStringList, folders);
    QFETCH(QString, message);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\n").language(language));
    for (const QString &name : folders) {
        QFile::remove(p.file(name));
        QVERIFY(QDir().mkpath(p.file(name)));
    }
    bool visibleWhileShown = false;
    MessageBoxes::setPresenter([&](const MessageBoxes::Message &m) {
        p.messages.append(m.title + u'|' + m.text);
        visibleWhileShown = p.window->isVisible();
        QCOMPARE(m.icon, MessageBoxes::Icon::Critical);
    });
    p.edit("txtSend")->setText(QStringLiteral("x")); // the history is written too
    p.button("cmdSend")->click();
    p.button("cmdQuit")->click();
    QVERIFY(!p.window->isVisible());
    QCOMPARE(p.messages, message.isEmpty() ? QStringList() : QStringList{message.arg(p.folder())});
    QCOMPARE(visibleWhileShown, !message.isEmpty());
}

void tst_frmMain::sendBoxHistory_data()
{
    QTest::addColumn<QByteArray>("file");   // History.txt at the start; "-": none
    QTest::addColumn<QStringList>("sent");  // from the send box, in this order
    QTest::addColumn<QString>("typing");    // in the box when the walk begins
    QTest::addColumn<QString>("keys");      // U: Up, D: Down, S: Shift+Up
    QTest::addColumn<QStringList>("shown"); // the box after each key
    QTest::addColumn<QByteArray>("saved");  // History.txt at the end
    QTest::newRow("newest first, no equal neighbours, back to the typing")
        << QByteArray("-") << QStringList{"A<CR>", "B", "B", "C", "B"} << "typ"
        << "UUUUUDDDDDD"
        << QStringList{"B", "C", "B", "A<CR>", "A<CR>", "B", "C", "B", "typ", "typ", "typ"}
        << QByteArray("B\nC\nB\nA<CR>\n");
    QTest::newRow("Shift+Up is no step")
        << QByteArray("eins\n") << QStringList() << "t"
        << "SU" << QStringList{"t", "eins"} << QByteArray("eins\n");
    QTest::newRow("a file of another editor: BOM, CR LF, empty and equal lines")
        << QByteArray("\xEF\xBB\xBF"
                      "eins\r\nzwei\r\n\r\nzwei\ndrei")
        << QStringList() << ""
        << "UUUUD" << QStringList{"eins", "zwei", "drei", "drei", "zwei"}
        << QByteArray("\xEF\xBB\xBF"
                      "eins\r\nzwei\r\n\r\nzwei\ndrei"); // not rewritten
    QTest::newRow("characters beyond the code page, in UTF-8")
        << QByteArray("\xE2\x82\xAC\n") << QStringList{u"Ω ä"_qs} << ""
        << "UU" << QStringList{u"Ω ä"_qs, u"€"_qs}
        << QByteArray("\xCE\xA9 \xC3\xA4\n\xE2\x82\xAC\n");
    QTest::newRow("binary and control characters are left out")
        << QByteArrayLiteral("gut\n\xFF\xFE\x00\nTab\tAB\nok\x01\n\xC3\nauch\n")
        << QStringList{"neu"} << ""
        << "UUUU" << QStringList{"neu", "gut", "auch", "auch"} << QByteArray("neu\ngut\nauch\n");
    QByteArray many;
    QStringList walk;
    many += QByteArray(SendHistory::kMaxTextLength + 1, 'x') + '\n'; // too long
    many += QString(SendHistory::kMaxTextLength, u'€').toUtf8() + '\n'; // just short enough
    for (int i = 0; i < 250; ++i)
        many += "n" + QByteArray::number(i) + '\n';
    walk << QString(SendHistory::kMaxTextLength, u'€');
    for (int i = 0; i < SendHistory::kMaxTexts - 1; ++i)
        walk << QStringLiteral("n%1").arg(i);
    QByteArray kept = "sent\n" + QString(SendHistory::kMaxTextLength, u'€').toUtf8() + '\n';
    for (int i = 0; i < SendHistory::kMaxTexts - 2; ++i)
        kept += "n" + QByteArray::number(i) + '\n';
    QTest::newRow("an overlong line, and 200 texts at most")
        << many << QStringList{"sent"} << "" << QString(SendHistory::kMaxTexts + 1, u'U')
        << (QStringList{"sent"} + walk.first(SendHistory::kMaxTexts - 1) +
            QStringList{walk.at(SendHistory::kMaxTexts - 2)})
        << kept;
    const QByteArray big = "1\n" + QByteArray(SendHistory::kMaxFileSize - 7, 'z') + "\n2\nzw\n";
    QTest::newRow("past 16 MiB: the lines within (not \"zw\"), and the file stays")
        << big << QStringList{"a"} << "b"
        << "UUUU" << QStringList{"a", "1", "2", "2"} << big;
}

// Up and Down in the send box walk through the texts sent from it, kept
// across runs in History.txt; a hand-edited file never does harm.
void tst_frmMain::sendBoxHistory()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, sent);
    QFETCH(QString, typing);
    QFETCH(QString, keys);
    QFETCH(QStringList, shown);
    QFETCH(QByteArray, saved);
    START_PROGRAM(p, Setup().files([&](const QString &folder) {
        if (file != "-")
            QVERIFY(writeFile(folder + QStringLiteral("History.txt"), file));
    }));
    const QString large = u"History.txt ist zu groß und wird nicht verändert"_qs; // at the start
    QCOMPARE(p.window->statusBar()->currentMessage(),
             file.size() > SendHistory::kMaxFileSize ? large : QString());
    QLineEdit *send = p.edit("txtSend");
    send->setFocus();
    for (const QString &text : sent) {
        send->setText(text);
        QTest::keyClick(send, Qt::Key_Return);
        send->clear(); // a text that could not be sent stays
    }
    send->setText(typing);
    QStringList seen;
    for (const QChar key : keys) {
        if (key == u'S')
            QTest::keyClick(send, Qt::Key_Up, Qt::ShiftModifier);
        else
            QTest::keyClick(send, key == u'U' ? Qt::Key_Up : Qt::Key_Down);
        seen << send->text();
    }
    QCOMPARE(seen, shown);
    QCOMPARE(send->cursorPosition(), int(send->text().size()));
    p.button("cmdQuit")->click();
    QCOMPARE(p.read("History.txt"), saved);
    QCOMPARE(p.messages, QStringList());
}

void tst_frmMain::lineInfoTellsTheTimes_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("lines"); // "OUT <UTC time>" or "IN <UTC time> <quiet ms>"
    QTest::addColumn<int>("selected");      // -2: the last line, as appended
    QTest::addColumn<QString>("info");
    const QStringList exchange{"OUT 2026-12-07T23:59:59.990Z", "IN 2026-12-08T00:00:00.113Z 100",
                               "IN 2026-12-08T00:00:00.163Z -1", "OUT 2026-12-08T00:00:01.000Z"};
    QTest::newRow("a reply, across midnight")
        << 0 << exchange << 1 << u"Δ 123 ms, Antwort nach 123 ms (mit 100 ms Ruhezeit)"_qs;
    QTest::newRow("English") << 1 << exchange << 1
                             << u"Δ 123 ms, reply after 123 ms (incl. 100 ms quiet time)"_qs;
    QTest::newRow("a quiet time of 0 is named too")
        << 1 << QStringList{"OUT 2026-12-07T10:00:00.000Z", "IN 2026-12-07T10:00:00.005Z 0"} << 1
        << u"Δ 5 ms, reply after 5 ms (incl. 0 ms quiet time)"_qs;
    QTest::newRow("a full block had no quiet wait")
        << 0 << exchange << 2 << u"Δ 50 ms, Antwort nach 173 ms"_qs;
    QTest::newRow("the view follows the last line") << 1 << exchange << -2 << u"Δ 837 ms"_qs;
    QTest::newRow("the first line") << 0 << exchange << 0 << QString();
    QTest::newRow("no line selected") << 0 << exchange << -1 << QString();
    const QStringList slowest{"OUT 2026-12-07T10:00:00.000Z", "IN 2026-12-07T10:01:39.999Z 32767"};
    QTest::newRow("the widest common text, fault: cut at the first start's size")
        << 0 << slowest << 1 << u"Δ 99999 ms, Antwort nach 99999 ms (mit 32767 ms Ruhezeit)"_qs;
    QTest::newRow("the widest common text, English")
        << 1 << slowest << 1 << u"Δ 99999 ms, reply after 99999 ms (incl. 32767 ms quiet time)"_qs;
    QTest::newRow("a reply with no [OUT] before it")
        << 1 << QStringList{"IN 2026-12-07T10:00:00.000Z 0", "IN 2026-12-07T10:00:02.500Z 0"} << 1
        << u"Δ 2500 ms"_qs;
}

// The status bar's field tells the selected line's times from the stamps
// the log keeps, in the window's language.
void tst_frmMain::lineInfoTellsTheTimes()
{
    QFETCH(int, language);
    QFETCH(QStringList, lines);
    QFETCH(int, selected);
    QFETCH(QString, info);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\n").language(language));
    TrafficLog &log = p.log();
    const int narrowest = p.window->statusBar()->minimumSizeHint().width();
    for (const QString &line : lines) {
        const QStringList parts = line.split(u' ');
        const QDateTime utc = QDateTime::fromString(parts.at(1), Qt::ISODateWithMs);
        if (parts.at(0) == u"OUT")
            log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"), utc);
        else
            log.AppendReceivedLine(QStringLiteral("y"), utc, TrafficLog::TextForm::Tokens,
                                   qint16(parts.at(2).toInt()));
    }
    if (selected != -2)
        log.setSelectedIndex(selected);
    auto *field = p.child<QLabel>("lblLineInfo");
    // A line the user selects is told at once; the line a followed stream
    // selects within a tenth of a second.
    if (selected == -2 || selected == lines.size() - 1)
        QTRY_COMPARE(field->text(), info);
    QCOMPARE(field->text(), info);
    QCOMPARE(field->isVisible(), !info.isEmpty());
    QCOMPARE(field->toolTip(), info);
    // Whole at the first start's size: the port's status gives way.
    QTRY_VERIFY(field->contentsRect().width() >= field->fontMetrics().horizontalAdvance(info));
    auto *status = p.child<QLabel>("stbStatus");
    QCOMPARE(status->toolTip(), status->text());
    // However long its text, the field asks the window for no room of its own
    // beyond a gap: it never widens it.
    QVERIFY(p.window->statusBar()->minimumSizeHint().width() - narrowest <
            field->fontMetrics().horizontalAdvance(QStringLiteral("Δ 1 ms")));
    QCOMPARE(p.window->statusBar()->findChildren<QLabel *>().contains(field), true);
    p.engine().cmdDelete_Click(); // an empty log has nothing to tell
    QCOMPARE(field->text(), QString());
}

void tst_frmMain::leftoversOfSavesRemovedAtStart_data()
{
    QTest::addColumn<QString>("name"); // in the data folder
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("removed");
    QTest::newRow("a save of Settings.ini") << ".Settings.ini.lintrova-save-Ab12Cd" << 90 << true;
    QTest::newRow("a save of DefaultCommands.icf")
        << ".DefaultCommands.icf.lintrova-save-000000" << 90 << true;
    QTest::newRow("a save of Ports.ini") << ".Ports.ini.lintrova-save-zzzzzz" << 90 << true;
    QTest::newRow("a save of History.txt") << ".History.txt.lintrova-save-h1st0r" << 90 << true;
    QTest::newRow("a command set saved into the folder")
        << ".UserDefinedCommands.icf.lintrova-save-Q1w2E3" << 90 << true;
    QTest::newRow("a save running in another window")
        << ".Settings.ini.lintrova-save-young1" << 5 << false;
    QTest::newRow("one character short") << ".Settings.ini.lintrova-save-Ab12C" << 90 << false;
    // Fixed: copies users make before editing by hand were taken for leftovers.
    QTest::newRow("Settings.ini.backup") << "Settings.ini.backup" << 90 << false;
    QTest::newRow("Settings.ini.before") << "Settings.ini.before" << 90 << false;
    QTest::newRow("Ports.ini.orig01") << "Ports.ini.orig01" << 90 << false;
    QTest::newRow("DefaultCommands.icf.sicher") << "DefaultCommands.icf.sicher" << 90 << false;
    QTest::newRow("Settings.ini.Ab12Cd") << "Settings.ini.Ab12Cd" << 90 << false;
    QTest::newRow("Notes.txt.Ab12Cd") << "Notes.txt.Ab12Cd" << 90 << false;
}

// Temporary files of the program's own saves that were killed halfway go at
// the start; nothing else does.
void tst_frmMain::leftoversOfSavesRemovedAtStart()
{
    QFETCH(QString, name);
    QFETCH(int, ageSeconds);
    QFETCH(bool, removed);
    START_PROGRAM(p, Setup().files([&](const QString &folder) {
        QVERIFY(writeFile(folder + name, "[SETTINGS]\r\n"));
        timespec times[2] = {};
        times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - ageSeconds;
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(folder + name).constData(), times, 0), 0);
    }));
    QCOMPARE(QFileInfo::exists(p.file(name)), !removed);
}

void tst_frmMain::waitTimeSavedAtExit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("saved");
    const int kept = 77; // the WaitTime the program started with
    QTest::newRow("number") << "250" << 250;
    QTest::newRow("a half to the even 12, fault: refused") << "12.5" << 12;
    QTest::newRow("a half to the even 14") << "13.5" << 14;
    QTest::newRow("blanks around") << " 12 " << 12;
    QTest::newRow("trailing words") << "300ms" << 300;
    QTest::newRow("exponent") << "1e3" << 1000;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("smallest after rounding") << "-32768.4" << -32768;
    QTest::newRow("empty keeps") << "" << kept;
    QTest::newRow("words keep") << "soon" << kept;
    QTest::newRow("40000 keeps") << "40000" << kept;
    QTest::newRow("rounding beyond the range keeps") << "32767.5" << kept;
}

// At exit the box is read as the quiet time reads it.
void tst_frmMain::waitTimeSavedAtExit()
{
    QFETCH(QString, text);
    QFETCH(int, saved);
    START_PROGRAM(p,
                  "[SETTINGS]\r\nBaudrate=5\r\nCharDelay=55\r\nWaitTime=77\r\nShowOptions=1\r\n");
    QCOMPARE(p.edit("txtWaitTime")->text(), QStringLiteral("77")); // filled from WaitTime
    p.edit("txtWaitTime")->setText(text);
    p.edit("txtWaitTime")->setFocus();
    QTest::keyClick(p.edit("txtWaitTime"), Qt::Key_Escape);
    QTRY_VERIFY(!p.window->isVisible());
    const QByteArray file = p.read("Settings.ini");
    const QByteArray line = "\r\nWaitTime=" + QByteArray::number(saved) + "\r\n";
    QVERIFY2(file.contains(line), file.constData());
    QCOMPARE(int(p.settings.WaitTime), saved);
}

void tst_frmMain::doubleClickShowsLine_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("German") << 0 << QStringLiteral("Inhalt der Zeile: 3");
    QTest::newRow("English") << 1 << QStringLiteral("Line data content: 3");
}

void tst_frmMain::doubleClickShowsLine()
{
    QFETCH(int, language);
    QFETCH(QString, prompt);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\n").language(language));
    TrafficLog &log = p.log();
    for (const char *text : {"one", "two", "three", "four"})
        log.AppendTrafficLine(TrafficLog::Direction::Sent, QString::fromLatin1(text),
                              QDateTime::currentDateTimeUtc());
    auto *list = p.child<LogView>("lstSendReceive");
    QTRY_VERIFY(list->framesDone() > 0);
    const QPoint centre = list->rowRect(2).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(p.inputBoxes.size(), 1);
    QCOMPARE(p.inputBoxes.first(), prompt + QStringLiteral("|Lintrova|") + log.line(2));
    QCOMPARE(log.count(), 4);
}

void tst_frmMain::captionsFollowLanguage()
{
    START_PROGRAM(p);
    QCOMPARE(p.button("cmdBefehl3")->text(), QStringLiteral("Befehl 3 [F3]"));
    QCOMPARE(p.button("cmdSend")->text(), QStringLiteral("Zeichen senden"));
    QCOMPARE(UiTestSupport::itemsOf(p.child<QMenu>("mnuFile"), true),
             QStringList({"mnuFilePort", "mnuSpacePort", "mnuFileLoadConfig", "mnuFileSaveConfig",
                          "mnuFileSaveLog", "mnuFileRecordLog", "mnuFileSendFile", "mnuSpace1",
                          "mnuFileQuit"}));
    QCOMPARE(p.child<QAction>("mnuFilePort")->text(), QStringLiteral("&Schnittstelle schließen"));
    QCOMPARE(p.child<QAction>("mnuFilePort")->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+Shift+O")));
    QCOMPARE(p.child<QAction>("mnuFileSaveLog")->text(), QStringLiteral("&Protokoll speichern..."));
    QCOMPARE(p.child<QAction>("mnuFileRecordLog")->text(),
             QStringLiteral("Protokoll &mitschreiben..."));
    p.window->setSettingsDialog([](frmMain &w) { w.settings().Language = 1; });
    p.window->mnuEditSettings_Click();
    QCOMPARE(p.button("cmdBefehl3")->text(), QStringLiteral("Command 3 [F3]"));
    QCOMPARE(p.button("cmdSend")->text(), QStringLiteral("Send Characters"));
    QCOMPARE(p.child<QAction>("mnuFilePort")->text(), QStringLiteral("Close &port"));
    QCOMPARE(p.child<QAction>("mnuFileSaveLog")->text(), QStringLiteral("Save lo&g..."));
    QCOMPARE(p.child<QAction>("mnuFileRecordLog")->text(), QStringLiteral("&Record log..."));
    QCOMPARE(p.child<QAction>("mnuLogCopyAll")->text(), QStringLiteral("Copy &all"));
    QCOMPARE(p.child<QGroupBox>("fraCommands")->title(), QStringLiteral("Command Configuration"));
    QCOMPARE(p.window->windowTitle(), QStringLiteral("Lintrova"));
    QCOMPARE(p.child<QCheckBox>("chkRepeat")->text(),
             QStringLiteral("Zu sendende Zeichen wiederholen...")); // fixed caption
}

// Every title and item of every menu, submenu and the log's context menu.
void tst_frmMain::everyMenuItemHasItsOwnMnemonic()
{
    QStringList faults;
    for (const QByteArray language : {"0", "1"}) {
        Program p{Setup().language(language.toInt())};
        QList<QWidget *> menus{p.window->menuBar()};
        for (QMenu *menu : p.window->findChildren<QMenu *>())
            menus << menu;
        for (const QWidget *menu : menus) {
            QStringList letters{QString()};
            for (const QAction *item : menu->actions()) {
                const QString letter = QKeySequence::mnemonic(item->text()).toString();
                if (!item->isSeparator() && item->text() != u"?" && letters.contains(letter))
                    faults << menu->objectName() + u':' + item->text();
                letters << letter;
            }
        }
    }
    QCOMPARE(faults.join(u' '), QString());
}

void tst_frmMain::geometry_data()
{
    QTest::addColumn<int>("showOptions");
    QTest::addColumn<int>("grow"); // pixels added to width and height
    QTest::addColumn<QRect>("list");
    QTest::addColumn<QRect>("deleteButton");
    QTest::addColumn<QRect>("frame");
    QTest::newRow("design, options") << 1 << 0 << QRect(4, 62, 461, 376) << QRect(4, 444, 160, 21)
                                     << QRect(472, 56, 233, 419);
    QTest::newRow("design, no options") << 0 << 0 << QRect(4, 62, 461, 412)
                                        << QRect(4, 480, 160, 21) << QRect(472, 56, 233, 419);
    QTest::newRow("larger, options") << 1 << 100 << QRect(4, 62, 561, 476)
                                     << QRect(4, 544, 160, 21) << QRect(572, 56, 233, 419);
}

void tst_frmMain::geometry()
{
    QFETCH(int, showOptions);
    QFETCH(int, grow);
    QFETCH(QRect, list);
    QFETCH(QRect, deleteButton);
    QFETCH(QRect, frame);
    START_PROGRAM(p, QStringLiteral("[SETTINGS]\r\nBaudrate=5\r\nShowOptions=%1\r\n")
                         .arg(showOptions)
                         .toLatin1());
    if (p.window->logicalDpiY() != 96)
        QSKIP("the expected pixels are for 96 dots per inch");
    const QSize design = p.window->size();
    p.window->resize(design + QSize(grow, grow));
    auto *log = p.child<LogView>("lstSendReceive"); // in the splitter it shares with the plot
    QTRY_COMPARE(QRect(log->mapTo(p.window->centralWidget(), QPoint()), log->size()), list);
    QCOMPARE(p.button("cmdDelete")->geometry(), deleteButton);
    QCOMPARE(p.child<QGroupBox>("fraCommands")->geometry(), frame);
    QCOMPARE(p.button("cmdQuit")->geometry().left(), frame.left());
    p.window->resize(design - QSize(200, 200)); // below the minimum
    QTRY_COMPARE(p.window->size(), design);
}

void tst_frmMain::portErrorIsReported()
{
    START_PROGRAM(p, QByteArray("[SETTINGS]\r\nComPort=2\r\n"));
    QCOMPARE(p.status(), QStringLiteral("Keine Schnittstelle geöffnet!"));
    QVERIFY(!p.edit("txtSend")->isEnabled());
    QVERIFY(!p.button("cmdBefehl1")->isEnabled());
    QCOMPARE(p.messages.size(), 1);
    QVERIFY(p.messages.first().startsWith(
        QStringLiteral("Fehler aufgetreten|Es ist ein Fehler bei folgender Aktion aufgetreten: "
                       "Schnittstelle öffnen.")));
    QVERIFY(p.edit("txtSend")->palette().color(QPalette::Base) != QColor(Qt::white));
}

void tst_frmMain::receivedControlCharactersKeepRawText()
{
    START_PROGRAM(p, QByteArray("[SETTINGS]\r\nBaudrate=5\r\nPeculiar=0\r\nWaitTime=0\r\n"));
    p.peer->write(QByteArray("A\r\nB", 4));
    QTRY_COMPARE(p.log().count(), 1);
    QCOMPARE(p.logContents(), QStringList{QStringLiteral("[IN]   A\r\nB")});
}

void tst_frmMain::hexViewFromTheViewMenu_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("menus");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("German") << 0 << QStringList{"&Datei", "&Bearbeiten", "&Ansicht", "?"}
                            << QStringList{"&Hexadezimal", "&Prüfsumme prüfen", "&Diagramm", "",
                                           "&Suchen...", "&Neuesten Zeilen folgen"};
    QTest::newRow("English") << 1 << QStringList{"&File", "&Edit", "&View", "?"}
                             << QStringList{"&Hexadecimal", "&Check checksum", "&Plot", "",
                                            "&Find...", "Follow &new lines"};
}

// A received answer read in hex: the view, the line box, copying and what a
// screen reader hears all follow; Ctrl+H switches from the send box.
void tst_frmMain::hexViewFromTheViewMenu()
{
    QFETCH(int, language);
    QFETCH(QStringList, menus);
    QFETCH(QStringList, items);
    START_PROGRAM(p, Setup().language(language));
    QCOMPARE(UiTestSupport::itemsOf(p.window->menuBar()), menus);
    QAction *hex = p.child<QAction>("mnuViewHex");
    QCOMPARE(UiTestSupport::itemsOf(p.child<QMenu>("mnuView")), items);
    QCOMPARE(p.child<QAction>("mnuViewFind")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    QAction *follow = p.child<QAction>("mnuViewFollow");
    QVERIFY(follow->isCheckable() && follow->isChecked());
    QVERIFY(hex->isCheckable());
    QVERIFY(!hex->isChecked());
    QCOMPARE(hex->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));

    p.peer->write(QByteArray::fromHex("01030404D2162ED546"));
    QTRY_COMPARE(p.log().count(), 1);
    auto *list = p.child<LogView>("lstSendReceive");
    const QString time = p.log().line(0).left(21);
    QCOMPARE(list->shownLine(0), time + "\u0001<ETX><EOT><EOT>\u00D2\u0016.\u00D5F");

    QLineEdit *send = p.edit("txtSend");
    send->setFocus();
    QTest::keyClick(send, Qt::Key_H, Qt::ControlModifier);
    QVERIFY(hex->isChecked());
    QTest::keyClick(send, 'q', Qt::AltModifier); // no menu's letter (fault: typed q)
    QTest::keyClick(send, '{', Qt::ControlModifier | Qt::AltModifier); // AltGr on some systems
    QCOMPARE(send->text(), QStringLiteral("{")); // the keys went to the menus, not into the box
    QCOMPARE(list->form(), TrafficLog::Form::Hex);
    const QString hexLine = time + QStringLiteral("01 03 04 04 D2 16 2E D5 46");
    QCOMPARE(list->shownLine(0), hexLine);
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(list);
    QCOMPARE(face->child(0)->text(QAccessible::Name), hexLine);
    QTRY_VERIFY(list->framesDone() > 0 && list->rowAt(list->rowRect(0).center()) == 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(0).center());
    QCOMPARE(p.inputBoxes.size(), 1);
    QVERIFY(p.inputBoxes.first().endsWith(u'|' + hexLine));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), hexLine);
    p.child<QAction>("mnuLogCopyAll")->trigger(); // the saved form, whatever the view
    QCOMPARE(QGuiApplication::clipboard()->text(),
             time + QStringLiteral("<1><ETX><EOT><EOT>\u00D2<22>.\u00D5F\n"));

    hex->trigger();
    QVERIFY(!hex->isChecked());
    QCOMPARE(list->form(), TrafficLog::Form::Text);
    QCOMPARE(face->child(0)->text(QAccessible::Name),
             time + QStringLiteral("<1><ETX><EOT><EOT>\u00D2<22>.\u00D5F"));
}

void tst_frmMain::hexViewKeptOnceUsed_data()
{
    QTest::addColumn<QString>("item");      // of the View menu
    QTest::addColumn<QByteArray>("before"); // the item's line of Settings.ini
    QTest::addColumn<int>("switches");      // times the item is used
    QTest::addColumn<bool>("shownInHex");   // ticked at start
    QTest::addColumn<QByteArray>("after");  // the line saved; empty: none
    QTest::newRow("never used: the file stays as it was")
        << "mnuViewHex" << QByteArray() << 0 << false << QByteArray();
    QTest::newRow("switched on") << "mnuViewHex" << QByteArray() << 1 << false
                                 << QByteArray("HexView=1");
    QTest::newRow("on and off again")
        << "mnuViewHex" << QByteArray() << 2 << false << QByteArray("HexView=0");
    QTest::newRow("on from the last run")
        << "mnuViewHex" << QByteArray("HexView=1\r\n") << 0 << true << QByteArray("HexView=1");
    QTest::newRow("switched off") << "mnuViewHex" << QByteArray("HexView=1\r\n") << 1 << true
                                  << QByteArray("HexView=0");
    QTest::newRow("plot never used") << "mnuViewPlot" << QByteArray() << 0 << false << QByteArray();
    QTest::newRow("plot shown") << "mnuViewPlot" << QByteArray() << 1 << false
                                << QByteArray("PlotView=1");
    QTest::newRow("plot shown from the last run, hidden")
        << "mnuViewPlot" << QByteArray("PlotView=1\r\n") << 1 << true << QByteArray("PlotView=0");
    QTest::newRow("plot shown from the last run")
        << "mnuViewPlot" << QByteArray("PlotView=1\r\n") << 0 << true << QByteArray("PlotView=1");
}

void tst_frmMain::hexViewKeptOnceUsed()
{
    QFETCH(QString, item);
    QFETCH(QByteArray, before);
    QFETCH(int, switches);
    QFETCH(bool, shownInHex);
    QFETCH(QByteArray, after);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\n" + before));
    QAction *hex = p.child<QAction>(item);
    auto *list = p.child<LogView>("lstSendReceive");
    QCOMPARE(hex->isChecked(), shownInHex);
    const bool hexShown = shownInHex && item == "mnuViewHex";
    QCOMPARE(list->form(), hexShown ? TrafficLog::Form::Hex : TrafficLog::Form::Text);
    QCOMPARE(p.child<QWidget>("fraPlot")->isVisible(), shownInHex && !hexShown);
    for (int i = 0; i < switches; ++i)
        hex->trigger();
    QTest::keyClick(p.edit("txtSend"), Qt::Key_Escape);
    QTRY_VERIFY(!p.window->isVisible());
    QFile ini(p.file("Settings.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QByteArrayList lines;
    for (const QByteArray &line : ini.readAll().split('\n'))
        if (line.startsWith(QByteArray(item.mid(7).toLatin1() + "View")))
            lines << line.trimmed();
    QCOMPARE(lines, after.isEmpty() ? QByteArrayList() : QByteArrayList{after});
}

void tst_frmMain::checksumAppendedToActiveBox_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");   // the box's text afterwards
    QTest::addColumn<QString>("message"); // in the status bar; empty: none
    QTest::addColumn<QString>("selected");
    QTest::newRow("Modbus request, CRC-16/MODBUS")
        << 0 << "txtSend"
        << "mnuEditChecksumCrc16Modbus"
        << "<0x01 03 00 00 00 02>"
        << "<0x01 03 00 00 00 02><0xC4 0B>" << QString() << QString();
    QTest::newRow("into a slot box") << 1 << "txtBefehl4"
                                     << "mnuEditChecksumCrc16CcittFalse"
                                     << "123456789"
                                     << "123456789<0x29 B1>" << QString() << QString();
    QTest::newRow("XMODEM") << 1 << "txtSend"
                            << "mnuEditChecksumCrc16Xmodem"
                            << "123456789"
                            << "123456789<0x31 C3>" << QString() << QString();
    QTest::newRow("CRC-8") << 1 << "txtSend"
                           << "mnuEditChecksumCrc8"
                           << "123456789"
                           << "123456789<0xF4>" << QString() << QString();
    QTest::newRow("LRC over tokens") << 1 << "txtBefehl1"
                                     << "mnuEditChecksumLrc"
                                     << "<1><3><0x00 00 00 02>"
                                     << "<1><3><0x00 00 00 02><0xFA>" << QString() << QString();
    QTest::newRow("SUM-8") << 1 << "txtSend"
                           << "mnuEditChecksumSum8"
                           << "<STX>A"
                           << "<STX>A<0x43>" << QString() << QString();
    QTest::newRow("XOR-8") << 1 << "txtSend"
                           << "mnuEditChecksumXor8"
                           << "<STX>A"
                           << "<STX>A<0x43>" << QString() << QString();
    QTest::newRow("an empty box gets nothing")
        << 0 << "txtSend"
        << "mnuEditChecksumXor8"
        << ""
        << ""
        << "Keine Prüfsumme angehängt: Das Feld ist leer" << QString();
    QTest::newRow("an empty box, English") << 1 << "txtBefehl2"
                                           << "mnuEditChecksumSum8"
                                           << ""
                                           << ""
                                           << "No checksum appended: the box is empty" << QString();
    QTest::newRow("a bad token is named and selected")
        << 0 << "txtSend"
        << "mnuEditChecksumCrc16Modbus"
        << "<0x01 03><ESC>"
        << "<0x01 03><ESC>"
        << "Keine Prüfsumme angehängt: <ESC> ist kein gültiges Steuerzeichen"
        << "<ESC>";
    QTest::newRow("a character without a byte")
        << 1 << "txtBefehl3"
        << "mnuEditChecksumCrc8"
        << "a\u0142b"
        << "a\u0142b"
        << "No checksum appended: the character \u0142 does not exist in the Windows-1252 "
           "character set"
        << "\u0142";
}

// Edit > Append checksum: the check of the active box's bytes as one hex token.
void tst_frmMain::checksumAppendedToActiveBox()
{
    QFETCH(int, language);
    QFETCH(QString, box);
    QFETCH(QString, item);
    QFETCH(QString, text);
    QFETCH(QString, after);
    QFETCH(QString, message);
    QFETCH(QString, selected);
    START_PROGRAM(p, Setup().language(language));
    QLineEdit *target = p.edit(box);
    target->setText(text);
    target->setFocus();
    p.edit(box == "txtSend" ? "txtBefehl1" : "txtSend")->setText(QStringLiteral("other"));
    QCOMPARE(p.window->ActiveTextBox(), target);
    QAction *action = p.child<QAction>(item);
    QVERIFY(action->isEnabled());
    action->trigger();
    QCOMPARE(target->text(), after);
    QCOMPARE(p.window->statusBar()->currentMessage(), message);
    QCOMPARE(target->selectedText(), selected);
    QCOMPARE(p.edit(box == "txtSend" ? "txtBefehl1" : "txtSend")->text(), QStringLiteral("other"));
    if (after != text) {
        QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier); // Undo takes it back
        QCOMPARE(target->text(), text);
    }
    QCOMPARE(p.peer->readPending(20), QByteArray()); // nothing is sent
}

void tst_frmMain::checksumNeedsAnEnabledBox()
{
    START_PROGRAM(p);
    QCOMPARE(UiTestSupport::itemsOf(p.child<QMenu>("mnuEdit"), true),
             QStringList({"mnuEditSettings", "mnuEditTriggers", "mnuEditTriggersActive", "",
                          "mnuEditChecksumItem", "", "mnuEditBreak", "mnuEditDtr", "mnuEditRts"}));
    QCOMPARE(UiTestSupport::itemsOf(p.child<QMenu>("mnuEditChecksum")),
             QStringList({"CRC-16/&MODBUS (niederwertiges Byte zuerst)",
                          "CRC-16/&CCITT-FALSE (höherwertiges Byte zuerst)",
                          "CRC-16/&XMODEM (höherwertiges Byte zuerst)", "CRC-&8 (Polynom 0x07)",
                          "&LRC (Zweierkomplement der Summe)", "&SUM-8 (Summe modulo 256)",
                          "X&OR-8 (aller Bytes)"}));
    QCOMPARE(p.child<QMenu>("mnuEditChecksum")->title(), QStringLiteral("&Prüfsumme anhängen"));
    QAction *submenu = p.child<QAction>("mnuEditChecksumItem");
    QAction *crc = p.child<QAction>("mnuEditChecksumCrc16Modbus");
    QVERIFY(submenu->isEnabled() && crc->isEnabled());
    // No port: the send box is disabled, and so are the checks for it.
    p.edit("txtSend")->setText(QStringLiteral("<0x01>"));
    p.window->setSettingsDialog([](frmMain &w) {
        w.settings().ComPort = 5; // no device
        w.engine().connection().fkt_MainOpenPort();
    });
    p.window->mnuEditSettings_Click();
    QVERIFY(!p.edit("txtSend")->isEnabled());
    QVERIFY(!submenu->isEnabled());
    QVERIFY(!crc->isEnabled());
    crc->trigger(); // a disabled action does nothing
    QCOMPARE(p.edit("txtSend")->text(), QStringLiteral("<0x01>"));
    // A slot box stays usable without a port.
    p.edit("txtBefehl5")->setFocus();
    QCOMPARE(p.window->ActiveTextBox(), p.edit("txtBefehl5"));
    QVERIFY(submenu->isEnabled() && crc->isEnabled());
}

void tst_frmMain::commandFileMenu()
{
    START_PROGRAM(p);
    const QString file = p.data.path() + QStringLiteral("/set.icf");
    QVERIFY(writeFile(file, "[SETTINGS]\r\nParam3=three\r\n"));
    p.edit("txtBefehl1")->setText(QStringLiteral("old"));
    p.window->setFileChooser([](bool) { return QString(); }); // cancelled
    p.window->mnuFileLoadConfig_Click();
    QCOMPARE(p.edit("txtBefehl1")->text(), QStringLiteral("old"));
    p.window->setFileChooser([file](bool save) { return save ? QString() : file; });
    p.window->mnuFileLoadConfig_Click();
    QCOMPARE(p.edit("txtBefehl1")->text(), QString());
    QCOMPARE(p.edit("txtBefehl3")->text(), QStringLiteral("three"));
    QCOMPARE(p.edit("txtBefehl3")->toolTip(), QString()); // tooltips follow key releases only
}

void tst_frmMain::saveLog_data()
{
    QTest::addColumn<bool>("withLines");
    QTest::addColumn<QString>("target"); // "file", "folder" or "full disk"
    QTest::addColumn<QString>("message"); // the reason shown; empty when saved
    QTest::addColumn<int>("longLines");   // of 2,000 characters, after the others
    QTest::newRow("lines with control and upper-half characters")
        << true << "file" << QString() << 0;
    QTest::newRow("an empty log writes an empty file") << false << "file" << QString() << 0;
    QTest::newRow("a folder") << true << "folder" << u"Der Name ist der eines Ordners."_qs << 0;
    QTest::newRow("disk full") << true << "full disk"
                               << QString::fromLocal8Bit(std::strerror(EFBIG)) << 0;
    QTest::newRow("more than one write of 1 MiB") << true << "file" << QString() << 400;
}

// One file line per log line, in UTF-8, control characters and brackets as
// tokens; a failed save says why and leaves the old file.
void tst_frmMain::saveLog()
{
    QFETCH(bool, withLines);
    QFETCH(QString, target);
    QFETCH(QString, message);
    QFETCH(int, longLines);
    START_PROGRAM(p);
    TrafficLog &log = p.log();
    const QString contents[] = {QStringLiteral("A\r\n") + QChar(1) + QStringLiteral("B\x7f\xe4\u20ac\u0081"),
                                QStringLiteral("<STX>plain")};
    if (withLines)
        for (const QString &content : contents)
            log.AppendTrafficLine(TrafficLog::Direction::Sent, content, QDateTime::currentDateTimeUtc());
    for (int i = 0; i < longLines; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Received, longContent(),
                              QDateTime::currentDateTimeUtc());
    const QString path = target == "folder" ? p.data.path() : p.data.filePath("old.log");
    QVERIFY(writeFile(p.data.filePath("old.log"), "old\n"));
    QStringList offered;
    p.window->setLogFileChooser([&](const QString &suggested) {
        offered << suggested;
        return path;
    });
    {
        std::unique_ptr<TestFiles::FileSizeLimit> full;
        if (target == "full disk")
            full = std::make_unique<TestFiles::FileSizeLimit>(8);
        p.child<QAction>("mnuFileSaveLog")->trigger();
    }
    const QByteArray bytes = readFile(p.data.filePath("old.log"));
    if (!message.isEmpty()) {
        QCOMPARE(p.messages, QStringList{QStringLiteral("Protokoll speichern|Das Protokoll konnte nicht als %1 "
                                                        "gespeichert werden. %2").arg(path, message)});
        QCOMPARE(bytes, QByteArray("old\n"));
        QCOMPARE(
            QDir(p.data.path()).entryList({"old.log.*", ".old.log.*"}, QDir::Files | QDir::Hidden),
            QStringList());
        return;
    }
    QCOMPARE(p.messages, QStringList());
    QByteArray expected = recordingHeader(*p.window); // the date of the first line, or today's
    if (withLines) {
        expected += log.line(0).left(21).toUtf8() +
                    "A<CR><LF><1>B<127>\xc3\xa4\xe2\x82\xac\xc2\x81\n" +
                    log.line(1).left(21).toUtf8() +
                    "<0x3C>STX<0x3E>plain\n"; // the text, not an STX
        for (int i = 2; i < log.count(); ++i)
            LogFile::appendLine(expected, log.lineBytes(i));
    }
    QCOMPARE(bytes, expected);
    // Offered first in the home folder, then where the log was saved last.
    const QRegularExpression name(QStringLiteral("/Lintrova-\\d{8}-\\d{6}\\.log$"));
    QVERIFY(offered.first().startsWith(QDir::homePath() + u'/'));
    QVERIFY(offered.first().contains(name));
    p.child<QAction>("mnuFileSaveLog")->trigger();
    QVERIFY(offered.last().startsWith(p.data.path() + u'/'));
}

void tst_frmMain::logContextMenu()
{
    START_PROGRAM(p);
    TrafficLog &log = p.log();
    for (const QString &text : {QStringLiteral("first\r"), QStringLiteral("second")})
        log.AppendTrafficLine(TrafficLog::Direction::Received, text, QDateTime::currentDateTimeUtc());
    auto *list = p.child<LogView>("lstSendReceive");
    QTRY_VERIFY(list->framesDone() > 0 && list->rowAt(list->rowRect(1).center()) == 1);
    auto *menu = p.child<QMenu>("mnuLog");
    Q_EMIT list->customContextMenuRequested(list->rowRect(0).center());
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(UiTestSupport::itemsOf(menu),
             QStringList({"&Zeile kopieren", "&Alles kopieren", "", "&Protokoll speichern..."}));
    p.child<QAction>("mnuLogCopyLine")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), log.line(0)); // raw, with its CR
    p.child<QAction>("mnuLogCopyAll")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text().count(u'\n'), 2);
    menu->close();
    Q_EMIT list->customContextMenuRequested(QPoint(5, list->viewport()->height() - 2));
    QVERIFY(!p.child<QAction>("mnuLogCopyLine")->isEnabled()); // no line under the pointer
    menu->close();
    // More than one line selected: the item copies them in the saved form.
    log.setSelectedIndex(0);
    log.extendSelection(1);
    Q_EMIT list->customContextMenuRequested(QPoint(5, list->viewport()->height() - 2));
    QCOMPARE(p.child<QAction>("mnuLogCopyLine")->text(), QStringLiteral("&Zeilen kopieren"));
    QVERIFY(p.child<QAction>("mnuLogCopyLine")->isEnabled());
    p.child<QAction>("mnuLogCopyLine")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), LogFile::text(log));
    menu->close();
    log.setSelectedIndex(1);
    Q_EMIT list->customContextMenuRequested(list->rowRect(0).center());
    QCOMPARE(p.child<QAction>("mnuLogCopyLine")->text(), QStringLiteral("&Zeile kopieren"));
    menu->close();
}

void tst_frmMain::recordLog_data()
{
    QTest::addColumn<QByteArray>("before"); // the file's content before; "-": no file
    QTest::addColumn<QString>("clearing");  // "", "delete button" or "size rule"
    QTest::addColumn<int>("longLines");     // of 2,000 characters, handed to the file all at once
    QTest::newRow("a new file") << QByteArray("-") << QString() << 0;
    QTest::newRow("an existing file is appended to") << QByteArray("old\n") << QString() << 0;
    QTest::newRow("across the delete button") << QByteArray("old\n") << "delete button" << 0;
    QTest::newRow("across the size rule") << QByteArray() << "size rule" << 0;
    QTest::newRow("more than one write of 1 MiB") << QByteArray("old\n") << QString() << 400;
}

// Every line appended while recording reaches the file within a second, in
// the saved form and in order, whatever empties the log meanwhile; nothing
// after the tick is taken away.
void tst_frmMain::recordLog()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, clearing);
    QFETCH(int, longLines);
    START_PROGRAM(p);
    const QString path = p.data.filePath("recorded.log");
    if (longLines > 0)
        p.window->recorder().setPeriod(std::chrono::hours(1)); // written when it stops
    if (before != "-")
        QVERIFY(writeFile(path, before));
    Lines lines{p.log(), {}};
    lines.append(2, QStringLiteral("before the tick"));
    QStringList offered;
    p.window->setLogFileChooser([&](const QString &suggested) {
        offered << suggested;
        return path;
    });
    auto *item = p.child<QAction>("mnuFileRecordLog");
    item->trigger();
    QVERIFY(item->isChecked());
    lines.expected = recordingHeader(*p.window); // also into an existing file
    QCOMPARE(lines.expected,
             "# Lintrova " + CommandLine::programVersion().toUtf8() +
                 "  COM1 = " + QFile::encodeName(p.peer->path()) + "  9600 8N1  " +
                 QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate).toLatin1() +
                 " (UTC)\n");
    QVERIFY(offered.value(0).startsWith(QDir::homePath() + u'/'));
    auto *field = p.child<QLabel>("stbRecording");
    QVERIFY(field->isVisible());
    QCOMPARE(field->toolTip(), QStringLiteral("Das Protokoll wird mitgeschrieben in %1").arg(path));
    lines.append(3, QStringLiteral("A\r\n") + QChar(2) + QStringLiteral("\xe4\u20ac"));
    if (longLines > 0) {
        // A few lines wait for the writer's period (or for a piece to fill):
        // it does not wake more often.
        QTest::qWait(100);
        QCOMPARE(readFile(path), before);
    }
    if (clearing == "delete button") {
        p.engine().cmdDelete_Click();
        QCOMPARE(p.log().count(), 0);
    } else if (clearing == "size rule") {
        lines.append(TrafficLog::kClearAboveIndex + 1, QStringLiteral("filling"));
        QTRY_COMPARE(p.log().count(), 0);
    }
    lines.append(2, QStringLiteral("after"));
    lines.append(longLines, longContent());
    // A new UTC day is marked before its first line.
    const QDateTime tomorrow = QDateTime::currentDateTimeUtc().addDays(1);
    lines.log.AppendTrafficLine(TrafficLog::Direction::Received, QStringLiteral("tomorrow"),
                                tomorrow);
    lines.expected += "# " + tomorrow.date().toString(Qt::ISODate).toLatin1() + " (UTC)\n";
    LogFile::appendLine(lines.expected, lines.log.lineBytes(lines.log.count() - 1));
    const QByteArray expected = (before == "-" ? QByteArray() : before) + lines.expected;
    if (longLines == 0)
        QTRY_COMPARE_WITH_TIMEOUT(readFile(path), expected, 2000); // while still recording
    item->trigger(); // unticks
    QVERIFY(!item->isChecked());
    QVERIFY(!field->isVisible());
    lines.append(1, QStringLiteral("not recorded"));
    p.window->recorder().finish();
    QCOMPARE(readFile(path), expected);
    QCOMPARE(p.messages, QStringList());
    item->trigger(); // offered next in the folder of the recording
    QVERIFY(offered.value(1).startsWith(p.data.path() + u'/'));
}

// A fast stream is written as its pieces fill, not only when the writer's
// period is up: lines held for the file would otherwise outlive the log's
// clearing by that much data.
void tst_frmMain::recordingKeepsUpWithAFastStream()
{
    START_PROGRAM(p);
    const QString path = p.data.filePath("recorded.log");
    p.window->setLogFileChooser([&](const QString &) { return path; });
    p.window->recorder().setPeriod(std::chrono::hours(1));
    p.child<QAction>("mnuFileRecordLog")->trigger();
    QVERIFY(p.window->recorder().recording());
    Lines lines{p.log(), recordingHeader(*p.window)};
    lines.append(600, QString(2000, u'x')); // 1.2 MB
    QTRY_VERIFY_WITH_TIMEOUT(readFile(path).size() >= (1 << 20), 5000);
    QVERIFY(lines.expected.startsWith(readFile(path)));
    p.window->recorder().finish();
    QCOMPARE(readFile(path), lines.expected);
}

void tst_frmMain::recordingStops_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("message");
    const QString stopped = QStringLiteral("Das Mitschreiben in %1 wurde beendet. ");
    QTest::newRow("disk full") << "disk full" << stopped + u"Der Datenträger ist voll."_qs;
    QTest::newRow("file size limit") << "size limit"
                                     << stopped + QString::fromLocal8Bit(std::strerror(EFBIG));
    QTest::newRow("file removed") << "removed" << stopped + u"Die Datei wurde entfernt oder ersetzt."_qs;
    QTest::newRow("file replaced") << "replaced"
                                   << stopped + u"Die Datei wurde entfernt oder ersetzt."_qs;
    QTest::newRow("its folder replaced by a file")
        << "folder replaced" << stopped + u"Die Datei wurde entfernt oder ersetzt."_qs;
    QTest::newRow("recorded elsewhere")
        << "locked" << u"Die Datei %1 wird schon von einem anderen Lintrova-Fenster mitgeschrieben."_qs;
    QTest::newRow("a folder") << "folder"
                              << u"Das Protokoll kann nicht in %1 mitgeschrieben werden. Der Name ist "
                                 "der eines Ordners."_qs;
    QTest::newRow("a named pipe nobody reads")
        << "pipe" << u"Das Protokoll kann nicht in %1 mitgeschrieben werden. "_qs +
                         QString::fromLocal8Bit(std::strerror(ENXIO));
}

// A recording that cannot go on stops, unticks, says why, and keeps what was
// written; one that cannot begin records nothing.
void tst_frmMain::recordingStops()
{
    QFETCH(QString, cause);
    QFETCH(QString, message);
    START_PROGRAM(p);
    SmallDisk disk(p.data.filePath("small"));
    if (cause == "disk full" && !disk.mounted())
        QSKIP("no small file system can be mounted here (needs root)");
    const QString path = cause == "folder"            ? p.data.path()
                         : cause == "disk full"       ? p.data.filePath("small/recorded.log")
                         : cause == "folder replaced" ? p.data.filePath("sub/recorded.log")
                                                      : p.data.filePath("recorded.log");
    if (cause == "folder replaced")
        QVERIFY(QDir(p.data.path()).mkdir(QStringLiteral("sub")));
    TrafficLog otherLog;
    LogRecorder other(otherLog);
    other.setPeriod(std::chrono::hours(1)); // its header is written when it stops
    if (cause == "locked")
        QCOMPARE(other.start(path), 0);
    if (cause == "pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    p.window->recorder().setPeriod(std::chrono::milliseconds(20));
    p.window->setLogFileChooser([&](const QString &) { return path; });
    auto *item = p.child<QAction>("mnuFileRecordLog");
    item->trigger();
    Lines lines{p.log(), {}};
    if (cause == "locked" || cause == "folder" || cause == "pipe") {
        lines.append(1, QStringLiteral("line"));
        QCOMPARE(p.messages, QStringList{u"Protokoll mitschreiben|"_qs + message.arg(path)});
        QVERIFY(!item->isChecked() && !p.window->recorder().recording());
        other.finish();
        if (cause == "locked") // only the other one's header: no port there
            QCOMPARE(readFile(path),
                     LogFile::headerLine(QString(), QDateTime::currentDateTimeUtc().date()));
        return;
    }
    QVERIFY(item->isChecked());
    lines.expected = recordingHeader(*p.window);
    lines.append(2, QStringLiteral("written"));
    QTRY_COMPARE(readFile(path), lines.expected);
    const QByteArray written = lines.expected;
    std::unique_ptr<TestFiles::FileSizeLimit> limit;
    if (cause == "size limit")
        limit = std::make_unique<TestFiles::FileSizeLimit>(written.size() + 100);
    else if (cause == "removed")
        QVERIFY(QFile::remove(path));
    else if (cause == "replaced")
    {
        QVERIFY(writeFile(p.data.filePath("new.log"), "someone else's\n"));
        QCOMPARE(::rename(QFile::encodeName(p.data.filePath("new.log")).constData(),
                          QFile::encodeName(path).constData()), 0);
    } else if (cause == "folder replaced") {
        QVERIFY(QDir(p.data.path()).rename(QStringLiteral("sub"), QStringLiteral("sub-old")));
        QVERIFY(writeFile(p.data.filePath("sub"), "a file, not a folder\n"));
    }
    const QString line(2000, u'x');
    for (int i = 0; i < 40 && p.messages.isEmpty(); ++i) {
        lines.append(1, line);
        QTest::qWait(30);
    }
    QTRY_COMPARE(p.messages, QStringList{u"Protokoll mitschreiben|"_qs + message.arg(path)});
    limit.reset();
    QVERIFY(!item->isChecked());
    QVERIFY(!p.child<QLabel>("stbRecording")->isVisible());
    if (cause == "disk full" || cause == "size limit") {
        const QByteArray kept = readFile(path);
        QVERIFY(kept.size() > written.size());
        QVERIFY(lines.expected.startsWith(kept)); // what was written stays
    }
}

void tst_frmMain::recordingRemembered_data()
{
    QTest::addColumn<QString>("name");       // of the recorded file
    QTest::addColumn<QByteArray>("keys");    // in Settings.ini at the start
    QTest::addColumn<bool>("heldElsewhere"); // another recorder holds the file at the start
    QTest::addColumn<bool>("tick");          // the user clicks the item once
    QTest::addColumn<QByteArray>("atExit");  // the keys written at the end; empty: none
    // How the file's path is written: %1 in RecordLogFile, %2 in RecordLogFileUtf8.
    QTest::addColumn<QByteArray>("narrowName");
    QTest::addColumn<QByteArray>("encodedName");
    const QByteArray one("RecordLog=1\r\nRecordLogFile=%1\r\n");
    const QByteArray off("RecordLog=0\r\nRecordLogFile=%1\r\n");
    const QByteArray wide("RecordLog=1\r\nRecordLogFile=%1\r\nRecordLogFileUtf8=%2\r\n");
    const QByteArray run("run.log");
    QTest::newRow("never recorded: the file keeps its keys")
        << "run.log" << QByteArray() << false << false << QByteArray() << run << QByteArray();
    QTest::newRow("recording at exit")
        << "run.log" << QByteArray() << false << true << one << run << QByteArray();
    QTest::newRow("resumed at start, appending")
        << "run.log" << one << false << false << one << run << QByteArray();
    QTest::newRow("resumed, then unticked: not resumed next time")
        << "run.log" << one << false << true << off << run << QByteArray();
    QTest::newRow("could not be resumed: switched off")
        << "run.log" << one << true << false << off << run << QByteArray();
    QTest::newRow("recorded before, not now")
        << "run.log" << off << false << false << off << run << QByteArray();
    QTest::newRow("a Windows-1252 name needs no second key")
        << "Müller.log" << QByteArray() << false << true << one << QByteArray("M\xFCller.log")
        << QByteArray();
    // Fixed: a name with a character outside Windows-1252 was silently not
    // resumed.
    QTest::newRow("a Polish name") << "łódź.log" << QByteArray() << false << true << wide
                                   << QByteArray("?\xF3"
                                                 "d?.log")
                                   << QByteArray("%C5%82%C3%B3d%C5%BA.log");
    QTest::newRow("a Czech name") << "žluťoučký kůň.log" << QByteArray() << false << true << wide
                                  << QByteArray("\x9Elu?ou?k\xFD k??.log")
                                  << QByteArray(
                                         "%C5%BElu%C5%A5ou%C4%8Dk%C3%BD%20k%C5%AF%C5%88.log");
    QTest::newRow("a Cyrillic name")
        << "журнал.log" << QByteArray() << false << true << wide << QByteArray("??????.log")
        << QByteArray("%D0%B6%D1%83%D1%80%D0%BD%D0%B0%D0%BB.log");
    QTest::newRow("a Polish name resumed at start") << "łódź.log" << wide << false << false << wide
                                                    << QByteArray("?\xF3"
                                                                  "d?.log")
                                                    << QByteArray("%C5%82%C3%B3d%C5%BA.log");
}

// A recording running at the end resumes at the next start, appending to
// the very file, whatever its name.
void tst_frmMain::recordingRemembered()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, keys);
    QFETCH(bool, heldElsewhere);
    QFETCH(bool, tick);
    QFETCH(QByteArray, atExit);
    QFETCH(QByteArray, narrowName);
    QFETCH(QByteArray, encodedName);
    QTemporaryDir logs;
    const QString path = logs.filePath(name);
    const QByteArray folder = QFile::encodeName(logs.path()) + '/';
    auto written = [&](QByteArray pattern) {
        return pattern.replace("%1", QByteArray(folder + narrowName))
            .replace("%2", QByteArray(folder + encodedName));
    };
    QVERIFY(writeFile(path, "earlier run\n"));
    TrafficLog otherLog;
    LogRecorder other(otherLog);
    other.setPeriod(std::chrono::hours(1)); // its header is written when it stops
    if (heldElsewhere)
        QCOMPARE(other.start(path), 0);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\n" + written(keys)));
    const bool resumed = keys.startsWith("RecordLog=1") && !heldElsewhere;
    QCOMPARE(p.child<QAction>("mnuFileRecordLog")->isChecked(), resumed);
    p.window->setLogFileChooser([&](const QString &) { return path; });
    if (tick)
        p.child<QAction>("mnuFileRecordLog")->trigger();
    Lines lines{p.log(), {}};
    lines.append(1, QStringLiteral("this run"));
    p.window->close();
    const QByteArray settings = p.read("Settings.ini");
    QCOMPARE(settings.contains("RecordLog"), !atExit.isEmpty());
    QCOMPARE(settings.contains("RecordLogFileUtf8"), atExit.contains("Utf8"));
    if (!atExit.isEmpty())
        QVERIFY2(settings.contains(written(atExit)), settings);
    // Every start writes a header, the resumed one too.
    const bool started = resumed || (tick && !heldElsewhere);
    QByteArray expected = "earlier run\n" + (started ? recordingHeader(*p.window) : QByteArray()) +
                          (resumed != tick ? lines.expected : QByteArray());
    QCOMPARE(readFile(path), expected);
    QCOMPARE(p.messages,
             heldElsewhere
                 ? QStringList{QStringLiteral("Protokoll mitschreiben|Die Datei %1 wird schon "
                                              "von einem anderen Lintrova-Fenster "
                                              "mitgeschrieben.")
                                   .arg(path)}
                 : QStringList());
    if (!atExit.startsWith("RecordLog=1"))
        return;
    START_PROGRAM(next, settings);
    QVERIFY(next.child<QAction>("mnuFileRecordLog")->isChecked());
    QCOMPARE(next.window->recorder().path(), path);
    Lines more{next.log(), recordingHeader(*next.window)}; // resumed: a header again
    more.append(1, QStringLiteral("the next run"));
    next.window->close();
    QCOMPARE(readFile(path), expected + more.expected);
    QCOMPARE(next.messages, QStringList());
}

void tst_frmMain::specialCharacterGoesToActiveBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("send box") << "txtSend";
    QTest::newRow("slot 3") << "txtBefehl3";
}

void tst_frmMain::specialCharacterGoesToActiveBox()
{
    QFETCH(QString, box);
    START_PROGRAM(p);
    QLineEdit *target = p.edit(box);
    target->setFocus();
    QTest::keyClicks(target, "AB");
    target->setCursorPosition(1);
    UiTestSupport::whenModalShows<frmSpecialChar>([](frmSpecialChar *dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit *>("txtNumeric"), "65");
        dialog->findChild<QPushButton *>("cmdOk")->click();
    });
    p.button("cmdInsertSpecialChar")->click();
    QTRY_COMPARE(target->text(), QStringLiteral("A<65>B"));
    QCOMPARE(p.settings.SpecialCharTarget, quint8(2));
    if (box == QLatin1String("txtSend"))
        QVERIFY(p.button("cmdSend")->isEnabled());
    else
        QCOMPARE(target->toolTip(), QStringLiteral("A<65>B")); // follows the typed token
    QCOMPARE(p.edit(box == QLatin1String("txtSend") ? "txtBefehl3" : "txtSend")->text(), QString());
}

// The dialog closes first; the port opens afterwards, as at the start.
void tst_frmMain::settingsDialogReopensPort()
{
    START_PROGRAM(p);
    p.edit("txtWaitTime")->setText(QStringLiteral("300ms")); // the dialog keeps what it cannot take
    speed_t whenClosed = 0;
    UiTestSupport::whenModalShows<frmSettings>([&](frmSettings *dialog) {
        QObject::connect(dialog, &QDialog::finished, [&] { whenClosed = p.peer->speed(); });
        dialog->findChild<QComboBox *>("cboBaudrate")->setCurrentIndex(13);
        dialog->findChild<QComboBox *>("cboLanguageProgram")->setCurrentIndex(1);
        dialog->findChild<QPushButton *>("cmdOk")->click();
    });
    p.child<QAction>("mnuEditSettings")->trigger();
    QCOMPARE(whenClosed, speed_t(B9600)); // the port opens once the dialog has gone
    QCOMPARE(p.peer->speed(), speed_t(B921600));
    QCOMPARE(p.status(),
             QStringLiteral("Interface COM1 is opened with 921600 baud 8 Data bits, 1 Stop bit, "
                            "no Parity and Handshake None."));
    QCOMPARE(p.button("cmdQuit")->text(), QStringLiteral("Quit"));
    QCOMPARE(p.edit("txtWaitTime")->text(), QStringLiteral("300ms")); // fault: set back from WaitTime
}

void tst_frmMain::controlLinesAndTypedRate_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts"); // DSR's name, the break item, the refused rate's box
    QTest::newRow("German") << 0
                            << QStringList{"DSR: unbekannt", "&Break senden",
                                           "Ungültige Baudrate|Die Baudrate 25O000 ist keine "
                                           "ganze Zahl von 50 bis 4.000.000."};
    QTest::newRow("English") << 1
                             << QStringList{"DSR: unknown", "Send &break",
                                            "Invalid baud rate|The baud rate 25O000 is not a "
                                            "whole number from 50 to 4,000,000."};
}

// A pseudo-terminal has no modem lines: switches and indicators are disabled
// and named unknown, and no timer reads them; BREAK (Ctrl+B) still holds its
// line and is logged. A rate typed in the baud list is set on the device and
// shown; a text that is no rate keeps the dialog open with a message.
void tst_frmMain::controlLinesAndTypedRate()
{
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\n").language(language));
    auto *dsr = p.child<QLabel>("lblLineDSR");
    QCOMPARE(dsr->accessibleName(), texts[0]);
    QVERIFY(!dsr->isEnabled() && !p.child<QToolButton>("cmdLineDTR")->isEnabled());
    QVERIFY(!p.child<QAction>("mnuEditDtr")->isEnabled());
    QVERIFY(!p.engine().linePollRunning());
    auto *breakItem = p.child<QAction>("mnuEditBreak");
    QCOMPARE(breakItem->text(), texts[1]);
    QTest::keyClick(p.edit("txtSend"), Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(p.logContents(), QStringList{"# BREAK (250 ms)"});
    QVERIFY(!breakItem->isEnabled()); // while it holds
    QTRY_VERIFY(breakItem->isEnabled());

    bool stayedOpen = false;
    UiTestSupport::whenModalShows<frmSettings>([&stayedOpen](frmSettings *dialog) {
        auto *rates = dialog->findChild<QComboBox *>("cboBaudrate");
        for (const char *typed : {"25O000", "250000"}) {
            rates->setEditText(QLatin1String(typed));
            dialog->findChild<QPushButton *>("cmdOk")->click();
            stayedOpen = stayedOpen || dialog->isVisible();
        }
    });
    p.child<QAction>("mnuEditSettings")->trigger();
    QVERIFY(stayedOpen);
    QCOMPARE(p.messages, QStringList{texts[2]});
    unsigned int baud = 0;
    QCOMPARE(termios2_getBaud(p.peer->master(), &baud), 0);
    QCOMPARE(baud, 250000u);
    QVERIFY2(p.status().contains(QStringLiteral(" 250000 ")), qPrintable(p.status()));
    QCOMPARE(p.settings.BaudrateValue * 10 + p.settings.Baudrate, 2500005);
}

void tst_frmMain::closingEndsLongRepetitionPause_data()
{
    QTest::addColumn<int>("charDelay");
    QTest::addColumn<int>("closeAt"); // ms after the repetition began
    QTest::addColumn<QByteArray>("sent");
    // Slot 1 goes out, then the 30 s pause runs when the window closes.
    QTest::newRow("no character delay") << 0 << 500 << QByteArray("c");
    // The send box is to be pressed after the pause, which would begin a
    // character pause of 3 s after the window has gone.
    QTest::newRow("character delay") << 3000 << 4000 << QByteArray("c");
}

void tst_frmMain::closingEndsLongRepetitionPause()
{
    QFETCH(int, charDelay);
    QFETCH(int, closeAt);
    QFETCH(QByteArray, sent);
    START_PROGRAM(
        p, QStringLiteral("[SETTINGS]\r\nBaudrate=5\r\nShowOptions=1\r\nDeleteSendChars=0\r\n"
                          "CharDelay=%1\r\n")
               .arg(charDelay)
               .toLatin1());
    p.edit("txtBefehl1")->setText(QStringLiteral("c"));
    p.edit("txtSend")->setText(QStringLiteral("s"));
    p.edit("txtWaitTime")->setText(QStringLiteral("30000"));
    QElapsedTimer clock;
    clock.start();
    auto *repeatSend = p.child<QCheckBox>("chkRepeat");
    QTimer::singleShot(closeAt - 300, repeatSend, [repeatSend] { repeatSend->setChecked(true); });
    QTimer::singleShot(closeAt, p.window.get(), &QWidget::close);
    p.child<QCheckBox>("chkRepeatCommandConfig")->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(!p.window->isVisible(), closeAt + 5000);
    QTest::qWait(50);
    // Everything the tick had begun has returned by now: nothing keeps the
    // program from ending.
    QVERIFY2(clock.elapsed() < closeAt + 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(p.peer->readPending(30), sent);
    QVERIFY(!p.engine().repeatTimerEnabled());
}

void tst_frmMain::heldFunctionKeySendsOnceFromSlotBox()
{
    START_PROGRAM(p);
    p.edit("txtBefehl5")->setText(QStringLiteral("five"));
    QLineEdit *box = p.edit("txtBefehl2");
    box->setFocus();
    for (int i = 0; i < 3; ++i) { // the releases of a held key repeating
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier, QString(), i > 0);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
    }
    QCOMPARE(p.peer->readPending(30), QByteArray());
    QKeyEvent last(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(box, &last);
    QCOMPARE(p.wire(4), QByteArray("five"));
}

void tst_frmMain::doubleClickBelowTheLines()
{
    START_PROGRAM(p);
    TrafficLog &log = p.log();
    log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("one"),
                          QDateTime::currentDateTimeUtc());
    auto *list = p.child<LogView>("lstSendReceive");
    const QPoint below(20, list->viewport()->height() - 5);
    QTRY_VERIFY(list->rowAt(below) == -1 && log.selectedIndex() == 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(p.inputBoxes, QStringList{QStringLiteral("Inhalt der Zeile: 1|Lintrova|") + log.line(0)});
    p.button("cmdDelete")->click(); // no line left, none selected
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(p.inputBoxes.last(), QStringLiteral("Inhalt der Zeile: 0|Lintrova|"));
}

void tst_frmMain::textBoxesHaveNoLengthLimit()
{
    START_PROGRAM(p);
    const QString longText(40000, u'a');
    for (const char *name : {"txtSend", "txtBefehl1", "txtBefehl8"}) {
        p.edit(name)->setText(longText);
        QCOMPARE(p.edit(name)->text().size(), longText.size());
    }
}

void tst_frmMain::focusStaysAfterReopening_data()
{
    QTest::addColumn<int>("comPort"); // 0 opens at start, 2 fails
    QTest::addColumn<QString>("clicked"); // where the user puts the focus; empty: nowhere
    QTest::addColumn<QString>("focus");   // where it is after Accept
    QTest::addColumn<QString>("active");  // the special character dialog's target
    QTest::newRow("send box, fault: focus went to slot 1")
        << 0 << "txtSend" << "txtSend" << "txtSend";
    QTest::newRow("slot 3") << 0 << "txtBefehl3" << "txtBefehl3" << "txtBefehl3";
    QTest::newRow("the log") << 0 << "lstSendReceive" << "lstSendReceive" << "txtSend";
    QTest::newRow("Quit") << 0 << "cmdQuit" << "cmdQuit" << "txtSend";
    QTest::newRow("the find field") << 0 << "txtFind"
                                    << "txtFind"
                                    << "txtSend";
    QTest::newRow("failed at start, the find field") << 2 << "txtFind"
                                                     << "txtFind"
                                                     << "txtSend";
    QTest::newRow("failed at start, fault: slot 1 was the target")
        << 2 << "" << "txtSend" << "txtSend";
    QTest::newRow("failed at start, the user chose slot 2")
        << 2 << "txtBefehl2" << "txtBefehl2" << "txtBefehl2";
}

// The port closes and opens again on Accept in the settings dialog.
void tst_frmMain::focusStaysAfterReopening()
{
    QFETCH(int, comPort);
    QFETCH(QString, clicked);
    QFETCH(QString, focus);
    QFETCH(QString, active);
    START_PROGRAM(
        p, QStringLiteral("[SETTINGS]\r\nBaudrate=5\r\nComPort=%1\r\n").arg(comPort).toLatin1());
    QCOMPARE(p.button("cmdBefehl1")->isEnabled(), comPort == 0);
    if (!clicked.isEmpty()) {
        auto *control = p.child<QWidget>(clicked);
        if (!control->isVisibleTo(p.window.get()))
            p.child<QAction>("mnuViewFind")->trigger(); // the find bar
        control->setFocus(Qt::MouseFocusReason);
        QCOMPARE(QApplication::focusWidget(), control);
    }
    p.acceptSettings({{"cboPcPort", 0}}, {{"txtQuietTime", QStringLiteral("32767")}}); // COM1
    QCOMPARE(p.edit("txtWaitTime")->text(), QStringLiteral("32767")); // the quiet time set there
    QVERIFY(p.button("cmdBefehl1")->isEnabled());
    p.window->activateWindow(); // as the desktop does when the dialog has gone
    p.window->activateWindow(); // offscreen, the end of a dialog does not
    QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
    QCOMPARE(QApplication::focusWidget(), p.child<QWidget>(focus));
    QCOMPARE(p.window->ActiveTextBox(), p.edit(active));
    QTest::keyClicks(QApplication::focusWidget(), "x"); // typing goes where the focus is
    QCOMPARE(p.edit("txtBefehl1")->text(), QString());
}

void tst_frmMain::focusGoesToTheLogWhenControlsGoOff_data()
{
    QTest::addColumn<QString>("focus"); // where the user left it
    QTest::addColumn<QString>("how");   // what switches it off
    QTest::newRow("a lost device, fault: keys replaced slot 1") << "txtSend" << QString("lost");
    QTest::newRow("a lost device under the send button") << "cmdSend" << QString("lost");
    QTest::newRow("File > Close port") << "txtSend" << QString("close");
    QTest::newRow("Enter on the send button empties the box") << "cmdSend" << QString("Return");
    QTest::newRow("a failed opening at the start") << QString() << QString("ComPort=2");
}

// Keys typed next change no stored text.
void tst_frmMain::focusGoesToTheLogWhenControlsGoOff()
{
    QFETCH(QString, focus);
    QFETCH(QString, how);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\n" + how.toLatin1() + "\r\n")
                         .files([](const QString &folder) {
                             writeFile(folder + "DefaultCommands.icf",
                                       "[SETTINGS]\r\nParam1=stored\r\n");
                         }));
    if (focus == "cmdSend") // on only while there is text to send
        p.edit("txtSend")->setText(QStringLiteral("AT"));
    if (!focus.isEmpty())
        p.window->findChild<QWidget *>(focus)->setFocus(Qt::MouseFocusReason);
    if (how == "lost")
        p.peer->closeMaster();
    else if (how == "close")
        p.child<QAction>("mnuFilePort")->trigger();
    else if (how == "Return")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), p.child<QWidget>("lstSendReceive"));
    QTest::keyClicks(QApplication::focusWidget(), "xyz");
    QCOMPARE(p.edit("txtBefehl1")->text(), QStringLiteral("stored"));
}

void tst_frmMain::endForTheSystem_data()
{
    QTest::addColumn<QString>("how"); // a signal's name, or "session"
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("commandFileFails");
    QTest::newRow("SIGTERM") << "SIGTERM" << 128 + SIGTERM << false;
    QTest::newRow("SIGHUP") << "SIGHUP" << 128 + SIGHUP << false;
    QTest::newRow("SIGINT, the save fails") << "SIGINT" << 128 + SIGINT << true;
    QTest::newRow("the session's end, an empty log") << "session" << 0 << false;
    QTest::newRow("the session's end, the save fails") << "session" << 0 << true;
}

// Unloaded as Esc does, once, without a box; a failure goes to standard error.
void tst_frmMain::endForTheSystem()
{
    QFETCH(QString, how);
    QFETCH(int, code);
    QFETCH(bool, commandFileFails);
    QVERIFY(ProgramEnd::catchSignals());
    START_PROGRAM(p);
    const QString commandFile = p.file("DefaultCommands.icf");
    if (commandFileFails)
        QVERIFY(QDir().mkpath(commandFile));
    p.edit("txtBefehl2")->setText(QStringLiteral("edited"));
    const QString lastLog = SystemFolders::DataFolder() + QStringLiteral("LastLog.txt");
    writeFile(lastLog, "the last run\n");
    Lines logged{p.window->engine().log(), recordingHeader(*p.window)};
    logged.append(how == "session" ? 0 : 1, QStringLiteral("<A>\u00e4\r"));
    QList<int> exits;
    ProgramEnd end(*p.window, [&exits](int c) { exits << c; });
    StandardErrorCapture errors;
    const int number = how == "SIGTERM" ? SIGTERM : how == "SIGHUP" ? SIGHUP : SIGINT;
    for (int i = 0; i < 2; ++i) { // the second one finds the program ending
        if (how == "session")
            end.endWithSession();
        else
            ::raise(number);
        QTRY_VERIFY(!exits.isEmpty());
    }
    QTest::qWait(20);
    QCOMPARE(exits, QList<int>{code});
    QCOMPARE(end.exitCode(), code);
    QVERIFY(!p.window->isVisible());
    QCOMPARE(p.messages, QStringList());
    const QStringList expectedErrors{
        QStringLiteral("Lintrova: Die Datei %1 konnte beim Beenden nicht gespeichert werden. "
                       "Der Name ist der eines Ordners.").arg(commandFile)};
    QCOMPARE(errors.programLines(), commandFileFails ? expectedErrors : QStringList());
    if (!commandFileFails)
        QVERIFY(readFile(commandFile).contains("Param2=edited"));
    QCOMPARE(readFile(lastLog), how == "session" ? "the last run\n" : logged.expected);
}

void tst_frmMain::programEndsBySignal_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("commandFileFails");
    QTest::addColumn<bool>("ignoredAtStart"); // then SIGTERM follows and ends it
    QTest::newRow("SIGTERM") << SIGTERM << false << false;
    QTest::newRow("SIGHUP") << SIGHUP << false << false;
    QTest::newRow("SIGINT") << SIGINT << false << false;
    QTest::newRow("SIGTERM, the save fails") << SIGTERM << true << false;
    QTest::newRow("SIGHUP ignored at start (nohup)") << SIGHUP << false << true;
    QTest::newRow("SIGINT ignored at start (in the background)") << SIGINT << false << true;
}

// The program itself, as the system ends it.
void tst_frmMain::programEndsBySignal()
{
    QFETCH(int, number);
    QFETCH(bool, commandFileFails);
    QFETCH(bool, ignoredAtStart);
    PtyPair device;
    const ProgramHome home(Setup("[SETTINGS]\r\nBaudrate=5\r\n")
                               .ports("COM1=" + device.path().toLocal8Bit() + "\r\n"));
    QVERIFY(!QTest::currentTestFailed());
    const QString &folder = home.folder();
    if (commandFileFails)
        QVERIFY(QDir().mkpath(folder + QStringLiteral("DefaultCommands.icf")));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.data.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    if (ignoredAtStart)
        program.setChildProcessModifier([number] { ::signal(number, SIG_IGN); });
    program.start(QStringLiteral(LINTROVA_PROGRAM), {});
    QVERIFY(program.waitForStarted());
    // The port is open at 9600 baud once the start sequence has run.
    QTRY_COMPARE_WITH_TIMEOUT(device.speed(), speed_t(B9600), 10000);
    ::kill(pid_t(program.processId()), number);
    if (ignoredAtStart) { // it goes on until a signal it catches comes
        QVERIFY(!program.waitForFinished(500));
        ::kill(pid_t(program.processId()), SIGTERM);
    }
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 128 + (ignoredAtStart ? SIGTERM : number));
    QStringList errorLines;
    for (const QByteArray &line : program.readAllStandardError().split('\n'))
        if (line.startsWith("Lintrova: "))
            errorLines << QString::fromLocal8Bit(line);
    QVERIFY(home.read("Settings.ini").contains("\r\nCharDelay=0\r\n")); // written at the end
    if (commandFileFails) {
        QCOMPARE(errorLines, QStringList{QStringLiteral(
            "Lintrova: Die Datei %1DefaultCommands.icf konnte beim Beenden nicht gespeichert "
            "werden. Der Name ist der eines Ordners.").arg(folder)});
    } else {
        QCOMPARE(errorLines, QStringList());
        QVERIFY(QFileInfo(folder + QStringLiteral("DefaultCommands.icf")).isFile());
    }
}

// The test itself, started again: the window's thread never comes back to the
// event loop after SIGTERM.
const bool g_stuckAfterSignal = qEnvironmentVariableIsSet("LINTROVA_TEST_STUCK") && [] {
    ProgramEnd::catchSignals();
    ::raise(SIGTERM);
    QElapsedTimer busy;
    busy.start();
    while (busy.elapsed() < 30000) {
    }
    ::_exit(0);
    return true;
}();

void tst_frmMain::signalEndsAStuckProgram()
{
    QProcess stuck;
    stuck.setEnvironment(QProcess::systemEnvironment() << QStringLiteral("LINTROVA_TEST_STUCK=1"));
    stuck.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(stuck.waitForFinished(10000));
    QCOMPARE(stuck.exitCode(), 128 + SIGTERM);
}

void tst_frmMain::qtDialogsSpeakTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("switchedTo"); // in the settings dialog; -1: not switched
    // Cancel, "Look in:", the file dialog's Open; the title and filter of Send file's
    QTest::addColumn<QStringList>("texts");
    const QStringList german{"Abbrechen", "Suchen in:", "&Öffnen", "Datei senden",
                             "Alle Dateien (*)"};
    const QStringList english{"Cancel", "Look in:", "&Open", "Send file", "All files (*)"};
    QTest::newRow("German, fault: English") << 0 << -1 << german;
    QTest::newRow("English") << 1 << -1 << english;
    QTest::newRow("switched to English") << 0 << 1 << english;
    QTest::newRow("switched to German") << 1 << 0 << german;
}

// The line box and the file dialog are Qt's own; the file dialog shows its
// columns whole.
void tst_frmMain::qtDialogsSpeakTheLanguage()
{
    QFETCH(int, language);
    QFETCH(int, switchedTo);
    QFETCH(QStringList, texts);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\n").language(language));
    if (switchedTo >= 0)
        p.acceptSettings({{"cboLanguageProgram", switchedTo}});
    InputBox::setPresenter({});
    QString cancel;
    UiTestSupport::whenModalShows<QInputDialog>([&cancel](QInputDialog *box) {
        cancel = box->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text();
        box->reject();
    });
    p.window->lstSendReceive_DblClick();
    QStringList shown{cancel};
    QStringList cutColumns; // "column: width < needed"
    UiTestSupport::whenModalShows<QFileDialog>([&shown, &cutColumns](QFileDialog *dialog) {
        shown << dialog->findChild<QLabel *>("lookInLabel")->text()
              << dialog->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Open)->text();
        auto *view = dialog->findChild<QTreeView *>("treeView");
        const QHeaderView *header = view->header();
        for (int column = 1; column < header->count(); ++column)
            if (header->sectionSize(column) < header->sectionSizeHint(column))
                cutColumns << QStringLiteral("%1: %2 < %3").arg(column).arg(header->sectionSize(column))
                                  .arg(header->sectionSizeHint(column));
        if (header->sectionSize(0) < view->fontMetrics().horizontalAdvance(QString(26, u'w')))
            cutColumns << QStringLiteral("name: %1").arg(header->sectionSize(0));
        if (header->length() > view->viewport()->width())
            cutColumns << QStringLiteral("all: %1 > %2").arg(header->length()).arg(view->viewport()->width());
        dialog->reject();
    });
    p.child<QAction>("mnuFileLoadConfig")->trigger();
    UiTestSupport::whenModalShows<QFileDialog>([&shown](QFileDialog *dialog) {
        shown << dialog->windowTitle() << dialog->nameFilters();
        dialog->reject();
    });
    p.child<QAction>("mnuFileSendFile")->trigger();
    QCOMPARE(shown, texts);
    QCOMPARE(cutColumns, QStringList());
}

void tst_frmMain::accessibleNames_data()
{
    const UiTestSupport::Bilingual rows = {
        {"txtSend", "Zu sendende Zeichen:", "Characters to send:"}, // fault: no name
        {"lstSendReceive", "Gesendete und empfangene Zeichen:", "Sent and received characters:"},
        {"txtWaitTime", "Delay [ms]", "Delay [ms]"},
        {"lblLineInfo", "Angaben zu den Protokollzeilen", "About the log lines"},
        {"cmdBefehl3", "Befehl 3 [F3]", "Command 3 [F3]"},
        {"txtFind", "Suchen:", "Find:"},
        {"cmdFindNext", "Weiter", "Next"},
        {"cmdFindPrevious", "Zurück", "Previous"},
        {"cmdFindClose", "Suchleiste schließen", "Close the find bar"},
        {"picPlot", "Diagramm", "Plot"},
        {"cboPlotRange", "Zeitraum:", "Time range:"},
        {"cmdPlotSave", "Diagramm speichern...", "Save plot..."},
        {"cmdPlotValues", "Werte speichern...", "Save values..."},
        {"stbStatusBar", // fault: an empty name
         "Schnittstelle COM1 mit 9600 Baud 8 Datenbits, 1 Stoppbit, Keine Parität und Handshake "
         "None ist geöffnet.",
         "Interface COM1 is opened with 9600 baud 8 Data bits, 1 Stop bit, no Parity and "
         "Handshake None."},
    };
    UiTestSupport::addBilingualTable("name", rows);
    // Fault: all eight were named by their frame, "Befehls-Konfiguration".
    for (int n = 1; n <= 8; ++n) {
        QTest::addRow("de txtBefehl%d", n) << 0 << QStringLiteral("txtBefehl%1").arg(n)
                                           << QStringLiteral("Befehl %1").arg(n);
        QTest::addRow("en txtBefehl%d", n) << 1 << QStringLiteral("txtBefehl%1").arg(n)
                                           << QStringLiteral("Command %1").arg(n);
    }
}

// As a screen reader finds them, through QAccessible.
void tst_frmMain::accessibleNames()
{
    QFETCH(int, language);
    QFETCH(QString, control);
    QFETCH(QString, name);
    START_PROGRAM(
        p, Setup("[SETTINGS]\r\nBaudrate=5\r\nShowOptions=1\r\nPlotView=1\r\n").language(language));
    QCOMPARE(UiTestSupport::accessibleName(p.child<QWidget>(control)), name);
}

void tst_frmMain::keyboardReachesEveryControl_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("showOptions");
    QTest::addColumn<QString>("panel"); // the item of the View menu that shows it
    QTest::addColumn<int>("controls");  // the panel's
    QTest::newRow("de") << 0 << 0 << QString() << 0;
    QTest::newRow("de, repetition controls") << 0 << 1 << QString() << 0;
    QTest::newRow("en, repetition controls") << 1 << 1 << QString() << 0;
    QTest::newRow("en, find bar") << 1 << 0 << "mnuViewFind" << 4;
    QTest::newRow("de, plot with a series") << 0 << 0 << "mnuViewPlot" << 5;
}

// Every control that takes the focus has a name no other one has, and Tab
// reaches each of them.
void tst_frmMain::keyboardReachesEveryControl()
{
    QFETCH(int, language);
    QFETCH(int, showOptions);
    QFETCH(QString, panel);
    QFETCH(int, controls);
    START_PROGRAM(p, Setup(QStringLiteral("[SETTINGS]\r\nBaudrate=5\r\nShowOptions=%1\r\n")
                               .arg(showOptions)
                               .toLatin1())
                         .language(language));
    p.log().AppendTrafficLine(TrafficLog::Direction::Received, QStringLiteral("t:7"),
                              QDateTime::currentDateTimeUtc());
    if (!panel.isEmpty()) {
        p.child<QAction>(panel)->trigger();
        p.edit("txtSend")->setFocus();
    }
    p.edit("txtSend")->setText(QStringLiteral("x")); // the send button takes the focus too
    p.log().AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"),
                              QDateTime::currentDateTimeUtc());
    QCOMPARE(QApplication::focusWidget(), p.edit("txtSend"));
    QCOMPARE(UiTestSupport::namingFaults(p.window.get()), QStringList());
    const QList<QWidget *> reachable = UiTestSupport::focusableControls(p.window.get());
    QCOMPARE(reachable.size(), (showOptions == 1 ? 26 : 23) + controls);
    QCOMPARE(UiTestSupport::namesOf(UiTestSupport::tabCycle()), UiTestSupport::namesOf(reachable));
}

// The settings dialog switches the language and reopens the port: the names
// follow at once, and the status bar carries its new text (setting its name
// sends assistive technology a name-changed event).
void tst_frmMain::namesFollowLanguage()
{
    START_PROGRAM(p, "[SETTINGS]\r\nBaudrate=5\r\nComPort=1\r\n"); // COM2: none
    QCOMPARE(UiTestSupport::accessibleName(p.child<QStatusBar>("stbStatusBar")),
             QStringLiteral("Keine Schnittstelle geöffnet!"));
    p.window->setSettingsDialog([](frmMain &w) {
        w.settings().Language = 1;
        w.settings().ComPort = 0;
        w.engine().connection().fkt_MainOpenPort();
    });
    p.child<QAction>("mnuEditSettings")->trigger();
    QCOMPARE(UiTestSupport::accessibleName(p.edit("txtBefehl5")), QStringLiteral("Command 5"));
    QCOMPARE(UiTestSupport::accessibleName(p.edit("txtSend")), QStringLiteral("Characters to send:"));
    QCOMPARE(UiTestSupport::accessibleName(p.child<QStatusBar>("stbStatusBar")),
             QStringLiteral("Interface COM1 is opened with 9600 baud 8 Data bits, 1 Stop bit, no "
                            "Parity and Handshake None."));
}

void tst_frmMain::logLinesSpellControlCharacters_data()
{
    QTest::addColumn<int>("peculiar");
    QTest::newRow("Peculiar 0, fault: raw characters") << 0;
    QTest::newRow("Peculiar 1") << 1;
}

// A line's accessible text spells control characters as tokens; the log is a
// list with one item per line.
void tst_frmMain::logLinesSpellControlCharacters()
{
    QFETCH(int, peculiar);
    START_PROGRAM(
        p, QStringLiteral("[SETTINGS]\r\nBaudrate=5\r\nPeculiar=%1\r\n").arg(peculiar).toLatin1());
    p.peer->write(QByteArray("A\x01\x7f\r\x02", 5));
    QTRY_COMPARE(p.log().count(), 1);
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(p.child<LogView>("lstSendReceive"));
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), 1);
    QCOMPARE(list->child(0)->role(), QAccessible::ListItem);
    QVERIFY2(list->child(0)->text(QAccessible::Name).endsWith(QStringLiteral("  [IN]   A<1><127><CR><STX>")),
             qPrintable(list->child(0)->text(QAccessible::Name)));
}

void tst_frmMain::lineBoxIsNamed_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("names"); // the line, OK, Cancel
    QTest::newRow("de") << 0 << QStringList{"Inhalt der Zeile: 1", "OK", "Abbrechen"};
    QTest::newRow("en") << 1 << QStringList{"Line data content: 1", "OK", "Cancel"};
}

// The real line box: it opens on the named line, and Tab reaches its buttons.
void tst_frmMain::lineBoxIsNamed()
{
    QFETCH(int, language);
    QFETCH(QStringList, names);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\n").language(language));
    p.log().AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"),
                              QDateTime::currentDateTimeUtc());
    InputBox::setPresenter({});
    QStringList shown, faults, cycle, reachable;
    UiTestSupport::whenModalShows<QInputDialog>([&](QInputDialog *box) {
        if (QTest::qWaitForWindowActive(box)) {
            auto *buttons = box->findChild<QDialogButtonBox *>();
            shown << UiTestSupport::accessibleName(QApplication::focusWidget())
                  << UiTestSupport::accessibleName(buttons->button(QDialogButtonBox::Ok))
                  << UiTestSupport::accessibleName(buttons->button(QDialogButtonBox::Cancel));
            faults = UiTestSupport::namingFaults(box);
            cycle = UiTestSupport::namesOf(UiTestSupport::tabCycle());
            reachable = UiTestSupport::namesOf(UiTestSupport::focusableControls(box));
        }
        box->reject();
    });
    p.window->lstSendReceive_DblClick();
    QCOMPARE(shown, names);
    QCOMPARE(faults, QStringList());
    QCOMPARE(cycle, reachable);
}

void tst_frmMain::lineBoxTakesEnter_data()
{
    QTest::addColumn<QString>("focus"); // "ok", "cancel" or "line"
    QTest::addColumn<int>("result");
    QTest::newRow("Cancel") << "cancel" << int(QDialog::Rejected);
    QTest::newRow("OK") << "ok" << int(QDialog::Accepted);
    QTest::newRow("the line") << "line" << int(QDialog::Accepted);
}

// The real line box: Enter presses the focused button, else OK.
void tst_frmMain::lineBoxTakesEnter()
{
    QFETCH(QString, focus);
    QFETCH(int, result);
    START_PROGRAM(p);
    InputBox::setPresenter({});
    int finished = -1;
    UiTestSupport::whenModalShows<QInputDialog>([&finished, focus](QInputDialog *box) {
        QObject::connect(box, &QDialog::finished, [&finished](int r) { finished = r; });
        QVERIFY(QTest::qWaitForWindowActive(box));
        auto *buttons = box->findChild<QDialogButtonBox *>();
        QWidget *target = focus == "line" ? static_cast<QWidget *>(box->findChild<QLineEdit *>())
                          : buttons->button(focus == "ok" ? QDialogButtonBox::Ok
                                                          : QDialogButtonBox::Cancel);
        UiTestSupport::pressEnterOn(target);
    });
    p.window->lstSendReceive_DblClick();
    QCOMPARE(finished, result);
}

QTEST_MAIN(tst_frmMain)
void tst_frmMain::lineDeviceWithChecksums_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QByteArray>("end"); // LF or CR LF
    // In the line field, the wrong and the right line read out, the events.
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("German, LF") << 0 << QByteArray("\n")
                                << QStringList{
                                       "CRC-16/MODBUS falsch: erwartet B1 D1, empfangen 00 00",
                                       ", Prüfsumme falsch, erwartet B1 D1", ", Prüfsumme stimmt",
                                       "# COM1 geschlossen", "# COM1 geöffnet: 9600 8N1"};
    QTest::newRow("English, CR LF")
        << 1 << QByteArray("\r\n")
        << QStringList{"CRC-16/MODBUS wrong: expected B1 D1, received 00 00",
                       ", checksum wrong, expected B1 D1", ", checksum correct", "# COM1 closed",
                       "# COM1 opened: 9600 8N1"};
}

// A line device whose lines carry a Modbus CRC, in the real window: each line
// is its own [IN] line at once (no quiet time passes), marked right or wrong;
// closing and opening the port are logged, and what the device sent while it
// was closed is never heard; a saved line pasted into the send box sends
// exactly its bytes.
void tst_frmMain::lineDeviceWithChecksums()
{
    QFETCH(int, language);
    QFETCH(QByteArray, end);
    QFETCH(QStringList, texts);
    const QString savedEnd = end.size() == 2 ? "<CR><LF>" : "<LF>";
    START_PROGRAM(p, Setup(QStringLiteral("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=5000\r\n"
                                          "Peculiar=1\r\nLineEnd=%1\r\n")
                               .arg(end.size() == 2 ? 3 : 1)
                               .toLatin1())
                         .language(language));
    p.child<QAction>("mnuViewCheckCrc16Modbus")->trigger();
    QVERIFY(p.settings.CheckSum == 1 && p.settings.CheckSumKey); // kept from now on
    // The text "<STX>", NUL, STX and the right CRC; "AB" and a wrong one.
    const QByteArray right = QByteArray("<STX>\0\x02\x29\xC1", 9) + end;
    const QByteArray wrong = QByteArray("AB\0\0", 4) + end;
    QVERIFY(p.peer->write(right + wrong));
    QTRY_COMPARE_WITH_TIMEOUT(p.log().count(), 2, 2000);
    auto *list = p.child<LogView>("lstSendReceive");
    auto *info = p.child<QLabel>("lblLineInfo");
    QTRY_VERIFY(info->text().endsWith(texts[0]));
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(list);
    QVERIFY(face->child(1)->text(QAccessible::Name).endsWith(texts[1]));
    QVERIFY(face->child(0)->text(QAccessible::Name).endsWith(texts[2]));
    // The marks in their colours: green and red, on a line not selected.
    const auto painted = [list](int row, bool green) {
        const QImage shot = list->viewport()->grab(list->rowRect(row)).toImage();
        for (int i = 0; i < shot.width() * shot.height(); ++i) {
            const QColor c = shot.pixelColor(i % shot.width(), i / shot.width());
            if (green ? c.green() > 100 && c.red() < 60 : c.red() > 150 && c.green() < 60)
                return true;
        }
        return false;
    };
    QTRY_VERIFY(!list->framePending());
    QVERIFY(painted(0, true) && !painted(0, false));
    p.log().setSelectedIndex(0);
    QTRY_VERIFY(!list->framePending());
    QVERIFY(painted(1, false) && !painted(1, true));

    // The saved form of the right line, pasted into the send box, sends it.
    p.child<QAction>("mnuLogCopyAll")->trigger();
    const QString saved = QGuiApplication::clipboard()->text().section(u'\n', 0, 0).mid(21);
    QCOMPARE(saved, "<0x3C>STX<0x3E><0><STX>)\u00C1" + savedEnd);
    QGuiApplication::clipboard()->setText(saved);
    p.edit("txtSend")->paste();
    p.button("cmdSend")->click();
    QCOMPARE(p.wire(int(right.size())), right);

    // Closed, the device sends; opened again, only what comes after is heard.
    p.child<QAction>("mnuFilePort")->trigger();
    QVERIFY(p.peer->write("while closed" + end));
    QTest::qWait(50);
    p.child<QAction>("mnuFilePort")->trigger();
    QVERIFY(p.peer->write(wrong));
    QTRY_COMPARE_WITH_TIMEOUT(p.log().count(), 6, 2000);
    QCOMPARE(p.logContents().mid(3),
             (QStringList{texts[3], texts[4], "[IN]   AB<NUL><NUL>" + savedEnd}));
    QCOMPARE(face->child(3)->text(QAccessible::Name), p.log().line(3));
}

#include "tst_frmMain.moc"

void tst_frmMain::findInTheLog_data()
{
    QTest::addColumn<int>("comPort"); // 1: no port
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key"); // how the search is started
    QTest::addColumn<int>("found");   // the line selected then; -1: not found
    QTest::addColumn<QString>("result");
    // Lines: 0 "alpha", 1 "Beta \x02 \xD2\x16", 2 "alphabet"; line 1 is selected.
    QTest::newRow("Enter: the next line") << 0 << false << "ALPHA"
                                          << "Return" << 2 << "";
    QTest::newRow("Shift+Enter: the previous line") << 0 << false << "alpha"
                                                    << "Shift+Return" << 0 << "";
    QTest::newRow("Ctrl+G") << 0 << false << "alpha"
                            << "Ctrl+G" << 2 << "";
    QTest::newRow("Ctrl+Shift+G") << 0 << false << "alpha"
                                  << "Ctrl+Shift+G" << 0 << "";
    QTest::newRow("Next button") << 0 << false << "alpha"
                                 << "cmdFindNext" << 2 << "";
    QTest::newRow("Previous button") << 0 << false << "alpha"
                                     << "cmdFindPrevious" << 0 << "";
    QTest::newRow("not found") << 0 << false << "gamma"
                               << "Return" << -1 << "nicht gefunden";
    QTest::newRow("the token shown") << 0 << false << "<stx>"
                                     << "Return" << 1 << "";
    QTest::newRow("hex pairs") << 0 << true << "d2 16"
                               << "Return" << 1 << "";
    QTest::newRow("hex wants pairs, fault: the field shrank")
        << 0 << true << "2 1"
        << "Return" << -1 << "Hex-Bytes eingeben, z. B. D2 16";
    QTest::newRow("no port open") << 1 << false << "bet"
                                  << "Return" << 2 << "";
    QTest::newRow("as long as a search takes")
        << 0 << false << "alpha" + QString(32'762, u'x') << "Return" << -1 << "nicht gefunden";
    // Fixed: pasted, it was cut to 32,767 characters and searched for.
    QTest::newRow("longer than a search takes")
        << 0 << false << "alpha" + QString(100'000, u'x') << "Return" << -1
        << "Der Suchtext ist länger als 32.767 Zeichen und wird nicht gesucht.";
}

// Ctrl+F opens the bar below the log; the line found is selected, its match
// highlighted, and the view is held there. The field keeps the focus while
// lines come in; Esc closes the bar and only the bar.
void tst_frmMain::findInTheLog()
{
    QFETCH(int, comPort);
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(int, found);
    QFETCH(QString, result);
    START_PROGRAM(p, QStringLiteral("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\nPeculiar=1\r\n"
                                    "ComPort=%1\r\nHexView=%2\r\n")
                         .arg(comPort)
                         .arg(hex ? 1 : 0)
                         .toLatin1());
    TrafficLog &log = p.log();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("alpha"), now);
    log.AppendTrafficLine(TrafficLog::Direction::Received,
                          QStringLiteral("Beta \u0002 \u00D2\u0016"), now,
                          TrafficLog::TextForm::Tokens);
    log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("alphabet"), now);
    auto *list = p.child<LogView>("lstSendReceive");
    QVERIFY(list->isEnabled()); // also without a port
    QCOMPARE(p.edit("txtSend")->isEnabled(), comPort == 0);
    list->setFocus();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(1).center());
    QCOMPARE(log.selectedIndex(), 1);
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QLineEdit *field = p.edit("txtFind");
    QVERIFY(field->isVisible());
    QCOMPARE(QApplication::focusWidget(), field);
    QVERIFY(list->geometry().bottom() < p.child<QWidget>("fraFind")->geometry().top());
    QVERIFY(!p.button("cmdFindClose")->icon().isNull()); // it has no text
    if (text.size() > 100) {
        field->insert(text); // as a paste does
        p.child<QLabel>("labFindResult")->clear(); // as emptying the log does
    } else
        QTest::keyClicks(field, text);
    if (key.startsWith(QStringLiteral("cmd")))
        p.button(key)->click();
    else
        QTest::keySequence(field, QKeySequence(key));
    auto *told = p.child<QLabel>("labFindResult");
    QCOMPARE(told->text(), result);
    QWidget *bar = p.child<QWidget>("fraFind");
    QTRY_VERIFY(told->width() >= told->sizeHint().width() &&
                QRect(QPoint(), bar->size()).contains(told->geometry()));
    QVERIFY(field->width() >= 150 * p.window->logicalDpiX() / 96);
    QVERIFY(list->geometry().bottom() < bar->geometry().top());
    QVERIFY(bar->height() < 3 * field->height()); // at most two lines
    QWidget *prior = p.child<QWidget>("labFind"); // one line, the field taking the room left
    for (QWidget *w : QWidgetList{field, p.button("cmdFindNext"), p.button("cmdFindPrevious"),
                                  p.button("cmdFindClose")})
        QVERIFY(std::exchange(prior, w)->geometry().right() < w->x() &&
                w->y() < field->geometry().bottom());
    QCOMPARE(p.button("cmdFindNext")->width(), p.button("cmdFindNext")->sizeHint().width());
    QCOMPARE(log.selectedIndex(), found < 0 ? 1 : found);
    QCOMPARE(bool(list->match()), found >= 0);
    QCOMPARE(p.child<QAction>("mnuViewFollow")->isChecked(), found < 0);
    if (found >= 0)
        QCOMPARE(list->shownLine(found).mid(list->match()->column, list->match()->length).toLower(),
                 text.toLower());
    QCOMPARE(QApplication::focusWidget(), field);
    if (comPort == 0) { // a line comes in: the field keeps the focus
        p.peer->write("gamma");
        QTRY_COMPARE(log.count(), 4);
        QCOMPARE(QApplication::focusWidget(), field);
        QCOMPARE(log.selectedIndex(), found < 0 ? 3 : found);
    }
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(p.window->isVisible());
    QVERIFY(!field->isVisible());
    QCOMPARE(QApplication::focusWidget(), list);
    QVERIFY(!list->match());
    QList<QWidget *> tabbed = UiTestSupport::focusableControls(p.window.get());
    QVERIFY(!tabbed.contains(field));
}

void tst_frmMain::holdTheView_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("hold");   // how the view is held
    QTest::addColumn<int>("lines");      // lines coming in then
    QTest::addColumn<QString>("shown");  // in the status bar
    QTest::addColumn<QString>("resume"); // how new lines are followed again
    QTest::newRow("menu item, one line") << 0 << "menu" << 1 << "+1 neue Zeile"
                                         << "menu";
    QTest::newRow("Scroll Lock, thousands") << 0 << "ScrollLock" << 1234 << "+1.234 neue Zeilen"
                                            << "ScrollLock";
    QTest::newRow("English") << 1 << "menu" << 1234 << "+1,234 new lines"
                             << "End";
    QTest::newRow("a range selected") << 0 << "range" << 2 << "+2 neue Zeilen"
                                      << "End";
    QTest::newRow("Scroll Lock in the send box")
        << 0 << "ScrollLock txtSend" << 3 << "+3 neue Zeilen"
        << "ScrollLock txtSend";
}

// Held, new lines leave the view and the selection where they are and are
// counted in a field of their own; following again goes to the newest line.
void tst_frmMain::holdTheView()
{
    QFETCH(int, language);
    QFETCH(QString, hold);
    QFETCH(int, lines);
    QFETCH(QString, shown);
    QFETCH(QString, resume);
    START_PROGRAM(p, Setup().language(language));
    TrafficLog &log = p.log();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 30; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("line %1").arg(i), now);
    auto *list = p.child<LogView>("lstSendReceive");
    QAction *follow = p.child<QAction>("mnuViewFollow");
    auto *info = p.child<QLabel>("lblLineInfo");
    // Following, the field names no lines held back: only the last line's time.
    QTRY_COMPARE(info->text(), QStringLiteral("Δ 0 ms"));
    QTRY_VERIFY(list->framesDone() > 0 && !list->framePending());
    list->setFocus();
    const int selected = hold == QStringLiteral("range") ? 28 : 29;
    if (hold == QStringLiteral("menu"))
        follow->trigger();
    else if (hold.startsWith(QStringLiteral("ScrollLock")))
        QTest::keyClick(hold.endsWith(QStringLiteral("txtSend"))
                            ? static_cast<QWidget *>(p.edit("txtSend"))
                            : list,
                        Qt::Key_ScrollLock);
    else
        QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
    QVERIFY(!follow->isChecked());
    QTRY_VERIFY(!list->framePending());
    const int top = list->firstVisibleRow();
    for (int i = 0; i < lines; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Received, QStringLiteral("new"), now);
    QCOMPARE(log.selectedIndex(), selected);
    // The held lines come first, then the selected line's time.
    const QString told = shown + QStringLiteral(", Δ 0 ms");
    QTRY_COMPARE(info->text(), told);
    QVERIFY(info->isVisible());
    QCOMPARE(info->accessibleDescription(), told);
    QCOMPARE(p.window->statusBar()->findChildren<QLabel *>().indexOf(info) >= 0, true);
    QTRY_VERIFY(!list->framePending());
    QCOMPARE(list->firstVisibleRow(), top);
    if (resume == QStringLiteral("menu"))
        follow->trigger();
    else if (resume.startsWith(QStringLiteral("ScrollLock")))
        QTest::keyClick(resume.endsWith(QStringLiteral("txtSend"))
                            ? static_cast<QWidget *>(p.edit("txtSend"))
                            : list,
                        Qt::Key_ScrollLock);
    else
        QTest::keyClick(list, Qt::Key_End);
    QVERIFY(follow->isChecked());
    QCOMPARE(log.selectedIndex(), 30 + lines - 1);
    QCOMPARE(log.selectedCount(), 1);
    // Following again: no count, only the newest line's times.
    QTRY_VERIFY2(info->text().startsWith(QStringLiteral("Δ 0 ms, ")), qPrintable(info->text()));
    QTRY_VERIFY(list->viewport()->rect().contains(list->rowRect(30 + lines - 1)));
}

// A device printing its values ten times a second, with a quiet time of
// 20 ms: the plot shows two named series in their colours and tells their
// values; its files hold them; holding the log holds it, selecting a line
// marks it, Space in the legend hides a series and "Liste löschen" clears it.
void tst_frmMain::plotOfReceivedNumbers()
{
    START_PROGRAM(p, "[SETTINGS]\r\nBaudrate=5\r\nWaitTime=20\r\n");
    QTimer device;
    int written = 0;
    connect(&device, &QTimer::timeout, [&p, &written] {
        p.peer->write("temp:21.5,hum:40\n");
        ++written;
    });
    device.start(100);
    QTRY_VERIFY(p.log().count() >= 3); // read when the plot shows
    QTest::keyClick(p.edit("txtSend"), Qt::Key_D, Qt::ControlModifier);
    auto *plot = p.child<QWidget>("picPlot");
    QVERIFY(plot->isVisible());
    QTRY_VERIFY(p.log().count() >= 10);
    device.stop();
    QTRY_COMPARE(p.log().count(), written);
    const auto *legend = p.child<QWidget>("fraPlot");
    QStringList series;
    for (const QCheckBox *entry : legend->findChildren<QCheckBox *>())
        series << entry->text();
    QCOMPARE(series, QStringList({"temp", "hum"}));
    const QSet<QRgb> colours = coloursOf(plot);
    QVERIFY(colours.contains(0xE69F00) && colours.contains(0x56B4E9));
    QTRY_COMPARE(plot->accessibleDescription(),
                 "temp: zuletzt 21,5, min 21,5, max 21,5; hum: zuletzt 40, min 40, max 40");
    Paints paints(plot); // a new line is drawn by itself, not only when grabbed
    p.log().AppendTrafficLine(TrafficLog::Direction::Received, QStringLiteral("temp:21.5,hum:40"),
                              QDateTime::currentDateTimeUtc());
    QTRY_VERIFY(paints.count > 0);

    QByteArray csv = "time,temp,hum\r\n";
    for (int i = 0; i < p.log().count(); ++i)
        csv += p.log().utcTime(i).toString(Qt::ISODateWithMs).toLatin1() + ",21.5,40\r\n";
    QStringList offered;
    QString path = p.file("values.csv");
    p.window->setLogFileChooser([&](const QString &suggested) {
        offered << QFileInfo(suggested).suffix();
        return path;
    });
    p.button("cmdPlotValues")->click();
    QCOMPARE(p.read("values.csv"), csv);
    path = p.file("plot.png");
    p.button("cmdPlotSave")->click();
    QCOMPARE(QImage(path),
             legend->findChild<QWidget *>("picPlot")->parentWidget()->grab().toImage());
    path = p.file("missing/values.csv");
    p.button("cmdPlotValues")->click();
    QCOMPARE(offered, QStringList({"csv", "png", "csv"}));
    QCOMPARE(p.messages, QStringList("Werte speichern|Die Werte konnten nicht als " + path +
                                     " gespeichert werden. Die Datei oder der Ordner existiert "
                                     "nicht."));

    // Held, it stands still; the selected line is marked.
    QTest::keyClick(p.edit("txtSend"), Qt::Key_ScrollLock);
    const QImage held = plot->grab().toImage();
    const QRgb highlight = plot->palette().color(QPalette::Highlight).rgb() & 0xFFFFFF;
    QVERIFY(coloursOf(plot, plot->width() * 2 / 3).contains(highlight)); // the newest line
    const int lines = p.log().count();
    device.start(100);
    QTRY_VERIFY(p.log().count() >= lines + 3);
    QCOMPARE(plot->grab().toImage(), held);
    p.log().setSelectedIndex(0); // marked at the left instead of the right
    QVERIFY(plot->grab().toImage() != held);
    QVERIFY(coloursOf(plot, 0, plot->width() / 3).contains(highlight));
    device.stop();

    auto *first = legend->findChild<QCheckBox *>("chkPlotSeries1");
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Space);
    QVERIFY(!coloursOf(plot).contains(0xE69F00));
    QVERIFY(coloursOf(plot).contains(0x56B4E9));
    p.button("cmdDelete")->click();
    QVERIFY(legend->findChildren<QCheckBox *>().isEmpty());
    path = p.file("values.csv");
    p.button("cmdPlotValues")->click();
    QCOMPARE(p.read("values.csv"), "time\r\n");
}

void tst_frmMain::plotTimeRange_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("range"); // its place in the list
    QTest::addColumn<QString>("described");
    QTest::newRow("10 s") << 0 << 0 << "t: zuletzt 3, min 3, max 3";
    QTest::newRow("1 min, the default") << 1 << -1 << "t: last 3, min 2, max 9";
    QTest::newRow("10 min") << 1 << 2 << "t: last 3, min 1, max 9";
    QTest::newRow("All") << 1 << 3 << "t: last 3, min 1, max 9";
}

// Lines of two minutes, half a minute and exactly ten seconds ago and of
// now, through the time ranges (10 s ends with the line of now and begins
// just after the one ten seconds before); the [OUT] line's number is not
// plotted, nor an event line's.
void tst_frmMain::plotTimeRange()
{
    QFETCH(int, language);
    QFETCH(int, range);
    QFETCH(QString, described);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\nPlotView=1\r\n").language(language));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    using Kind = TrafficLog::LineKind;
    for (const auto &[kind, text, secondsAgo] :
         {std::tuple(Kind::Received, "t:1", 120), std::tuple(Kind::Received, "t:2", 30),
          std::tuple(Kind::Received, "t:9", 10), std::tuple(Kind::Sent, "t:100", 5),
          std::tuple(Kind::Event, "t:100", 3), std::tuple(Kind::Received, "t:3", 0)}) {
        const QDateTime time = now.addSecs(-secondsAgo);
        if (kind == Kind::Event)
            p.log().appendEvent(QString::fromLatin1(text), time);
        else
            p.log().AppendTrafficLine(kind == Kind::Sent ? TrafficLog::Direction::Sent
                                                         : TrafficLog::Direction::Received,
                                      QString::fromLatin1(text), time);
    }
    if (range >= 0)
        p.child<QComboBox>("cboPlotRange")->setCurrentIndex(range);
    QTRY_COMPARE(p.child<QWidget>("picPlot")->accessibleDescription(), described);
}

void tst_frmMain::plotKeptWithThePlace_data()
{
    QTest::addColumn<QByteArray>("before"); // the window's keys in Settings.ini
    QTest::addColumn<int>("dragTo");        // the plot's height the splitter is dragged to
    QTest::addColumn<int>("shown");         // the plot's height at the start; 0: a third
    QTest::addColumn<QByteArray>("after");  // the PlotHeight line saved; empty: no window keys
    const QByteArray place = "WindowLeft=0\r\nWindowTop=0\r\nWindowWidth=1\r\nWindowHeight=1\r\n";
    QTest::newRow("shown, nothing moved: no place kept") << QByteArray() << 0 << 0 << QByteArray();
    QTest::newRow("the splitter moved: kept with the place")
        << QByteArray() << 120 << 0 << QByteArray("PlotHeight=1800");
    QTest::newRow("kept from the last run") << place + "PlotHeight=1500\r\n"
                                            << 0 << 100 << QByteArray("PlotHeight=1500");
    QTest::newRow("a place without the plot's height: a third") << place << 0 << 0 << QByteArray();
}

void tst_frmMain::plotKeptWithThePlace()
{
    QFETCH(QByteArray, before);
    QFETCH(int, dragTo);
    QFETCH(int, shown);
    QFETCH(QByteArray, after);
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\nPlotView=1\r\n" + before));
    p.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
    auto *splitter = p.child<QSplitter>("splLog");
    const int room = splitter->sizes().at(0) + splitter->sizes().at(1);
    QCOMPARE(splitter->sizes().at(1), shown > 0 ? shown : room / 3);
    QVERIFY(!p.child<QWidget>("fraPlot")->findChild<QScrollArea *>()->isVisible()); // no legend yet
    if (dragTo > 0) {
        splitter->setSizes({room - dragTo, dragTo});
        QMetaObject::invokeMethod(splitter, "splitterMoved", Q_ARG(int, room - dragTo),
                                  Q_ARG(int, 1));
    }
    QTest::keyClick(p.edit("txtSend"), Qt::Key_Escape);
    QTRY_VERIFY(!p.window->isVisible());
    const QByteArray saved = p.read("Settings.ini");
    QCOMPARE(saved.contains("WindowLeft="), !before.isEmpty() || !after.isEmpty());
    const qsizetype at = saved.indexOf("PlotHeight=");
    QCOMPARE(at < 0 ? QByteArray() : saved.mid(at, saved.indexOf('\r', at) - at), after);
}

// The [OUT] lines of a file's bytes as received blocks are split: at 2,048
// bytes and after each line end.
QStringList outLines(const QByteArray &bytes, const QByteArray &end)
{
    QStringList lines;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype size = std::min<qsizetype>(2048, bytes.size() - at);
        const qsizetype found = end.isEmpty() ? -1 : bytes.indexOf(end, at);
        if (found >= 0)
            size = std::min(size, found + end.size() - at);
        lines << QStringLiteral("[OUT]  ") + Codec::toText(bytes.mid(at, size));
        at += size;
    }
    return lines;
}

void tst_frmMain::sendFile_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("lineEnd");
    QTest::addColumn<int>("pauseMs");     // -1: the pause dialog is cancelled
    QTest::addColumn<int>("charDelay");
    QTest::addColumn<QByteArray>("file"); // null: a folder is chosen
    QTest::addColumn<QString>("ending");  // read, cancel, stall, lose
    QTest::addColumn<QString>("told");    // %1 the bytes sent
    QByteArray mixed = QByteArray(3000, 'x') + '\n';
    for (int i = 0; i < 1024; ++i)
        mixed += char(i);
    mixed += "a\r\nb\r";
    QByteArray big;
    for (int i = 0; i < 300'000; ++i)
        big += char('A' + i % 26);
    const QByteArray crlf = "ab\r\ncd\r\nef\r\n";
    QTest::newRow("LF, every byte") << 0 << 1 << 0 << 0 << mixed << "read"
                                    << "";
    QTest::newRow("CR LF, pause") << 1 << 3 << 150 << 0 << crlf << "read"
                                  << "";
    QTest::newRow("character delay") << 0 << 0 << 0 << 40 << QByteArray("a\nbc") << "read"
                                     << "";
    QTest::newRow("cancelled") << 0 << 0 << 0 << 0 << big << "cancel"
                               << "Datei gesendet: %1 von 300000 Bytes";
    QTest::newRow("nothing taken") << 1 << 2 << 0 << 0 << big << "stall"
                                   << "File sent: %1 of 300000 bytes – The other end took "
                                      "nothing for 0.3 s";
    QTest::newRow("port lost") << 0 << 0 << 0 << 0 << big << "lose"
                               << "Datei gesendet: %1 von 300000 Bytes – ";
    QTest::newRow("pause dialog cancelled") << 0 << 0 << -1 << 0 << crlf << "read"
                                            << "";
    QTest::newRow("a folder")
        << 1 << 0 << 0 << 0 << QByteArray() << "read"
        << "Error occured|The file cannot be read (The name is that of a folder.): ";
}

// File > Send file on a pseudo-terminal: what the device gets, the log and
// what the status bar shows while it runs and after it ended.
void tst_frmMain::sendFile()
{
    QFETCH(int, language);
    QFETCH(int, lineEnd);
    QFETCH(int, pauseMs);
    QFETCH(int, charDelay);
    QFETCH(QByteArray, file);
    QFETCH(QString, ending);
    QFETCH(QString, told);
    START_PROGRAM(p, Setup(QByteArray("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\nPeculiar=0\r\n"
                                      "ShowOptions=1\r\nCharDelay=") +
                           QByteArray::number(charDelay) +
                           "\r\nLineEnd=" + QByteArray::number(lineEnd) + "\r\n")
                         .language(language));
    const QString path = p.data.path() + (file.isNull() ? QString() : QStringLiteral("/big.bin"));
    QVERIFY(file.isNull() || writeFile(path, file));
    p.window->setSendFileChooser([path] { return path; });
    UiTestSupport::whenModalShows<SendFileDialog>([pauseMs](SendFileDialog *dialog) {
        auto *pause = dialog->findChild<QSpinBox *>("txtPause");
        auto *cancel = dialog->findChild<QPushButton *>("cmdCancel");
        cancel->setFocus();
        QTest::keyClick(dialog, Qt::Key_P, Qt::AltModifier); // the label's letter
        if (pause->hasFocus())
            pause->setValue(pauseMs);
        if (pauseMs < 0)
            cancel->click();
        else // Send is the default button
            QTest::keyClick(pause, Qt::Key_Return);
    });
    QAction *item = p.child<QAction>("mnuFileSendFile");
    QCOMPARE(item->text(), language == 0 ? "&Datei senden..." : "Send &file...");
    p.engine().fileSender().setStallLimit(300);
    QElapsedTimer clock;
    clock.start();
    item->trigger();
    QByteArray got;
    if (ending == "read" && !file.isNull() && pauseMs >= 0) {
        // The device reads as the window's events run.
        QTRY_VERIFY((got += p.peer->readPending(1)).size() >= file.size());
        QVERIFY(clock.elapsed() >= 2 * pauseMs + (file.size() - 1) * charDelay);
    } else if (ending != "read") {
        auto *progress = p.child<QWidget>("fraFileProgress");
        QTRY_VERIFY(p.engine().fileSender().sentBytes() > 0);
        QTRY_COMPARE(p.child<QLabel>("lblFileProgress")->text(),
                     QStringLiteral("big.bin: %1 % (%2 %3 300000 %4)")
                         .arg(p.engine().fileSender().sentBytes() / 3000)
                         .arg(p.engine().fileSender().sentBytes())
                         .arg(language == 0 ? "von" : "of", language == 0 ? "Bytes" : "bytes"));
        QVERIFY(progress->isVisible() && !p.button("cmdBefehl1")->isEnabled() &&
                !item->isEnabled() && !p.child<QCheckBox>("chkRepeat")->isEnabled());
        if (ending == "cancel") // Alt+C: Abbre&chen
            QTest::keyClick(p.window.get(), Qt::Key_C, Qt::AltModifier);
        if (ending == "lose")
            p.peer->closeMaster();
        QTRY_VERIFY(!p.engine().sendingFile());
        QVERIFY(!progress->isVisible());
        if (ending != "lose")
            got = p.peer->readPending(100);
    }
    QTRY_VERIFY(!p.engine().sendingFile());
    const qint64 sent = p.engine().fileSender().sentBytes();
    if (ending != "lose")
        QCOMPARE(got, file.left(sent));
    QCOMPARE(p.button("cmdBefehl1")->isEnabled(), ending != "lose");
    QCOMPARE(item->isEnabled(), ending != "lose");
    QStringList lines = p.logContents();
    if (!told.isEmpty() && !file.isNull()) {
        const QString event = QStringLiteral("# ") + told.arg(sent);
        QVERIFY2(lines.value(outLines(file.left(sent), {}).size()).startsWith(event),
                 qPrintable(lines.join(u'\n')));
        QVERIFY(p.window->statusBar()->currentMessage().startsWith(told.arg(sent)) ||
                ending == "lose");
        lines = lines.mid(0, lines.indexOf(QRegularExpression("^# .*")));
    }
    QCOMPARE(lines,
             outLines(file.left(sent), lineEndBytes(lineEndKind(quint8(lineEnd))).toByteArray()));
    QCOMPARE(p.messages.size(), file.isNull() ? 1 : 0);
    if (file.isNull())
        QVERIFY2(p.messages.first().startsWith(told), qPrintable(p.messages.first()));
}

void tst_frmMain::triggerAnswersTheDevice_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>(
        "texts"); // menu items, skipped, field, line field, Accept's fault
    QTest::newRow("de") << 0
                        << QStringList{"Aus&löser...",
                                       "Auslöser a&ktiv",
                                       "Auslöser 2 in Triggers.ini übersprungen: Slot ist keine "
                                       "gültige Zahl",
                                       "Auslöser aktiv",
                                       "durch Auslöser 1",
                                       "Auslöser 3: <XYZ> ist kein gültiges Steuerzeichen"};
    QTest::newRow("en") << 1
                        << QStringList{
                               "&Triggers...",
                               "Triggers a&ctive",
                               "Trigger 2 in Triggers.ini skipped: Slot is not a valid number",
                               "Triggers active",
                               "by trigger 1",
                               "Trigger 3: <XYZ> is not a valid control character"};
}

// The device writes RI, then NG after more than the quiet time, and the rule
// answers at once; the rule named for its [OUT] line, the dialog and the
// switch, both kept in Triggers.ini.
void tst_frmMain::triggerAnswersTheDevice()
{
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    const QByteArray file =
        "[Trigger1]\r\nWhen=RING\r\nSend=ATA<CR>\r\n[Trigger2]\r\nWhen=E\r\nSlot=9\r\n";
    START_PROGRAM(p, Setup("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=30\r\n")
                         .language(language)
                         .files([&](const QString &folder) {
                             QVERIFY(writeFile(folder + QStringLiteral("Triggers.ini"), file));
                         }));
    QAction *edit = p.child<QAction>("mnuEditTriggers");
    QAction *active = p.child<QAction>("mnuEditTriggersActive");
    QCOMPARE((QStringList{edit->text(), active->text(), p.window->statusBar()->currentMessage()}),
             texts.mid(0, 3));
    QLabel *field = p.child<QLabel>("stbTriggers");
    QVERIFY(field->isVisible() && active->isChecked());
    QCOMPARE(field->text(), texts[3]);
    p.peer->write("RI");
    QTest::qWait(120);
    p.peer->write("NG\r\n");
    QByteArray answer; // the window answers while its events run
    QTRY_COMPARE((answer += p.peer->readPending(1)), QByteArray("ATA\r"));
    QTRY_COMPARE(p.logContents().size(), 3);
    const int out = int(p.logContents().indexOf(QStringLiteral("[OUT]  ATA<CR>")));
    QVERIFY2(out >= 0, qPrintable(p.logContents().join(u'|')));
    p.log().setSelectedIndex(out);
    QCOMPARE(p.child<QLabel>("lblLineInfo")->text().section(QStringLiteral(", "), -1), texts[4]);

    UiTestSupport::whenModalShows<frmTriggers>([&](frmTriggers *dialog) {
        const auto closed = qScopeGuard([dialog] { // also when a check fails
            if (dialog->isVisible())
                dialog->reject();
        });
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QCOMPARE(UiTestSupport::namingFaults(dialog), QStringList());
        dialog->findChild<QPushButton *>("cmdAdd")->click();
        QCOMPARE(UiTestSupport::namesOf(UiTestSupport::tabCycle()),
                 UiTestSupport::namesOf(UiTestSupport::focusableControls(dialog)));
        auto *when = dialog->findChild<QLineEdit *>("txtWhen");
        QTest::keyClicks(when, QStringLiteral("<XYZ>"));
        QTest::keyClicks(dialog->findChild<QLineEdit *>("txtSend"), QStringLiteral("<ACK>"));
        auto *kind = dialog->findChild<QComboBox *>("cboSend");
        kind->setCurrentIndex(2);
        for (const int row : {0, 1}) { // rule 1 sends a text, the new one command line 2
            dialog->findChild<QTableWidget *>("grdRules")->setCurrentCell(row, 0);
            QCOMPARE(dialog->findChild<QLineEdit *>("txtSend")->isEnabled(), row == 0);
            QCOMPARE(when->text(), row == 0 ? QStringLiteral("RING") : QStringLiteral("<XYZ>"));
        }
        kind->setCurrentIndex(0);
        UiTestSupport::pressEnterOn(when);
        QCOMPARE(dialog->findChild<QLabel *>("lblFault")->text(), texts[5]);
        QVERIFY(dialog->isVisible() && when->hasFocus());
        when->clear();
        QTest::keyClicks(when, QStringLiteral("OK"));
        UiTestSupport::pressEnterOn(dialog->findChild<QPushButton *>("cmdOk"));
    });
    edit->trigger();
    const QByteArray kept =
        "[Triggers]\r\nActive=%1\r\n[Trigger1]\r\nActive=1\r\nWhen=RING\r\n"
        "Send=ATA<CR>\r\nSlot=0\r\nAfterMs=0\r\n[Trigger2]\r\nWhen=E\r\nSlot=9\r\n"
        "[Trigger3]\r\nActive=1\r\nWhen=OK\r\nSend=<ACK>\r\nSlot=0\r\nAfterMs=0\r\n";
    QCOMPARE(p.read("Triggers.ini"), QByteArray(kept).replace("%1", "1"));
    p.peer->write("OK");
    QTRY_COMPARE((answer += p.peer->readPending(1)), QByteArray("ATA\r\x06"));
    p.window->activateWindow(); // offscreen, the end of a dialog does not
    QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
    QTest::keyClick(p.child<QWidget>("lstSendReceive"), Qt::Key_T, Qt::ControlModifier);
    QVERIFY(!field->isVisible() && !active->isChecked());
    p.peer->write("RING");
    QTest::qWait(100);
    QCOMPARE(p.peer->readPending(1), QByteArray());
    p.window->close();
    QCOMPARE(p.read("Triggers.ini"), QByteArray(kept).replace("%1", "0"));
    QCOMPARE(p.messages, QStringList());
}

// On the loopback every reply comes back as the pattern: the eleventh firing
// within a second switches the rule off, and the end keeps it off.
void tst_frmMain::triggerLoopIsStopped()
{
    START_PROGRAM(p, Setup().language(1).ports("COM1=loop://\r\n").files([](const QString &folder) {
        QVERIFY(writeFile(folder + QStringLiteral("Triggers.ini"),
                          "[Trigger1]\r\nWhen=PING\r\nSend=PING\r\nNote=kept\r\n"));
    }));
    QVERIFY(p.child<QLabel>("stbTriggers")->isVisible());
    p.edit("txtSend")->setText(QStringLiteral("PING"));
    p.button("cmdSend")->click();
    QTRY_COMPARE(p.window->statusBar()->currentMessage(),
                 QStringLiteral("Trigger 1 switched off: more than 10 firings a second"));
    QTest::qWait(100);
    QCOMPARE(p.logContents().count(QStringLiteral("[OUT]  PING")), 11);
    QVERIFY(!p.child<QLabel>("stbTriggers")->isVisible());
    // Another window changed the file meanwhile: the end asks before it writes.
    QVERIFY(p.write(QStringLiteral("Triggers.ini"), "[Trigger1]\r\nWhen=other\r\nSend=x\r\n"));
    p.noteQuestions();
    p.answer = true;
    p.window->close();
    QCOMPARE(p.questions.size(), 1);
    QVERIFY(p.questions[0].startsWith(QStringLiteral("File changed|The file ")));
    QCOMPARE(p.read("Triggers.ini"),
             QByteArray("[Triggers]\r\nActive=1\r\n[Trigger1]\r\nActive=0\r\n"
                        "When=PING\r\nSend=PING\r\nSlot=0\r\nAfterMs=0\r\n"
                        "Note=kept\r\n"));
}
