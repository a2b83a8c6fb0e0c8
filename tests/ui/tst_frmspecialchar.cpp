#include "ui/InsertSpecialChar.h"
#include "ui/frmSettings.h"
#include "ui/frmSpecialChar.h"

#include "UiTestSupport.h"
#include "app/modGlobal.h"
#include "ui/MessageBoxes.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

#include <limits>

using UiTestSupport::captionOf;
using UiTestSupport::whenModalShows;

namespace {

const char *const kBoxes[] = {"chkStx", "chkEtx", "chkEot", "chkEnq",
                              "chkLf",  "chkCr",  "chkNak", "chkAck"};

template <typename T>
T *child(QWidget *parent, const QString &name)
{
    auto *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

// What a real double click delivers: press, release, double click, release.
void doubleClick(QPushButton *box)
{
    const QPoint at = box->rect().center();
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, at);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(at), box->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &twice);
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, at);
}

// Steps written as "click:chkStx", "right:chkEtx", "double:chkCr",
// "space:chkLf", "type:65" or "paste:40000" (that many digits with Ctrl+V: zeros, then 7).
void perform(QWidget *dialog, const QStringList &steps)
{
    for (const QString &step : steps) {
        const QString verb = step.section(':', 0, 0);
        const QString arg = step.section(':', 1);
        if (verb == "type") {
            QTest::keyClicks(child<QLineEdit>(dialog, "txtNumeric"), arg);
            continue;
        }
        if (verb == "paste") {
            QGuiApplication::clipboard()->setText(QString(arg.toInt() - 1, u'0') + u'7');
            QTest::keyClick(child<QLineEdit>(dialog, "txtNumeric"), Qt::Key_V, Qt::ControlModifier);
            continue;
        }
        auto *box = child<QPushButton>(dialog, arg);
        if (verb == "click")
            QTest::mouseClick(box, Qt::LeftButton);
        else if (verb == "right")
            QTest::mouseClick(box, Qt::RightButton);
        else if (verb == "double")
            doubleClick(box);
        else if (verb == "space")
            QTest::keyClick(box, Qt::Key_Space);
        else
            qFatal("unknown step %s", qPrintable(step));
    }
}

QStringList checkedBoxes(QWidget *dialog)
{
    QStringList names;
    for (const char *name : kBoxes)
        if (child<QPushButton>(dialog, name)->isChecked())
            names << name;
    return names;
}

// A window with one edit box, as a caller of the dialog would have it.
struct TargetWindow {
    TargetWindow()
    {
        auto *layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        target = new QLineEdit(&window);
        target->setMaxLength(std::numeric_limits<int>::max()); // as the program's boxes
        layout->addWidget(other);
        layout->addWidget(target);
        window.show();
        other->setFocus();
    }
    QWidget window;
    QLineEdit *other;
    QLineEdit *target;
};

// Records the key releases a box sees, as a key filter of the caller would.
class ReleaseCounter : public QObject {
public:
    QStringList texts;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyRelease)
            texts << static_cast<QKeyEvent *>(event)->text();
        return false;
    }
};

} // namespace

class tst_frmSpecialChar : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captions_data();
    void captions();
    void opensCleared();
    void choiceGivesToken_data();
    void choiceGivesToken();
    void acceptRefusesWhatCannotBeSent_data();
    void acceptRefusesWhatCannotBeSent();
    void escapeDoesNotClose();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void typedIntoTarget_data();
    void typedIntoTarget();
    void leavingWithoutAcceptInsertsNothing_data();
    void leavingWithoutAcceptInsertsNothing();
    void acceptWithoutChoiceInsertsNothing();
    void settingsDialogAffixBoxes_data();
    void settingsDialogAffixBoxes();
    void accessibleNames_data();
    void accessibleNames();
    void keyboardReachesEveryControl_data();
    void keyboardReachesEveryControl();
};

void tst_frmSpecialChar::captions_data()
{
    const UiTestSupport::Bilingual rows = {
        {"window", "Sonderzeichen auswählen und einfügen", "Select and insert special character"},
        {"cmdOk", "Übernehmen", "Accept"},
        {"cmdCancel", "Abbrechen", "Cancel"},
        {"fraNumeric", "Benutzerdefiniertes Zeichen", "User defined character"},
        {"fraChar", "Vordefinierte Sonderzeichen", "Predefined character"},
        {"labUserDefinedCharAscii", "(ASCII-Wert 0 - 255)", "(ASCI value 0 - 255)"},
        {"chkStx", "STX", "STX"},
        {"chkEnq", "ENQ", "ENQ"},
        {"chkLf", "LF", "LF"},
        {"chkAck", "ACK", "ACK"},
    };
    UiTestSupport::addBilingualTable("caption", rows);
}

void tst_frmSpecialChar::captions()
{
    QFETCH(int, language);
    QFETCH(QString, control);
    QFETCH(QString, caption);

    frmSpecialChar dialog(static_cast<quint8>(language));
    const QString shown = control == "window" ? dialog.windowTitle()
                                              : captionOf(child<QWidget>(&dialog, control));
    QCOMPARE(shown, caption);
}

void tst_frmSpecialChar::opensCleared()
{
    frmSpecialChar dialog(0);
    dialog.show();
    QVERIFY(!child<QPushButton>(&dialog, "cmdOk")->isEnabled());
    QVERIFY(child<QPushButton>(&dialog, "cmdOk")->isDefault());
    QVERIFY(checkedBoxes(&dialog).isEmpty());
    QVERIFY(child<QLineEdit>(&dialog, "txtNumeric")->text().isEmpty());
    for (const char *name : kBoxes)
        QVERIFY2(child<QPushButton>(&dialog, name)->isCheckable(), name);
    // Two rows of four boxes of the same size.
    const auto *stx = child<QPushButton>(&dialog, "chkStx");
    const auto *enq = child<QPushButton>(&dialog, "chkEnq");
    const auto *lf = child<QPushButton>(&dialog, "chkLf");
    const auto *ack = child<QPushButton>(&dialog, "chkAck");
    QCOMPARE(stx->y(), enq->y());
    QCOMPARE(lf->y(), ack->y());
    QVERIFY(lf->y() > stx->y());
    QCOMPARE(stx->x(), lf->x());
    QVERIFY(enq->x() > stx->x());
    QCOMPARE(stx->size(), ack->size());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
}

void tst_frmSpecialChar::choiceGivesToken_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("acceptEnabled");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QString>("token");

    QTest::newRow("numeric 65") << QStringList{"type:65"} << true << QStringList{} << "<65>";
    const QList<std::pair<const char *, const char *>> boxes = {
        {"chkStx", "<STX>"}, {"chkEtx", "<ETX>"}, {"chkEot", "<EOT>"}, {"chkEnq", "<ENQ>"},
        {"chkLf", "<LF>"},   {"chkCr", "<CR>"},   {"chkNak", "<NAK>"}, {"chkAck", "<ACK>"}};
    for (const auto &[box, token] : boxes)
        QTest::addRow("click %s", box)
            << QStringList{QStringLiteral("click:") + box} << true << QStringList{box} << token;
    QTest::newRow("ETX clicked twice stays checked")
        << QStringList{"click:chkEtx", "click:chkEtx"} << true << QStringList{"chkEtx"}
        << "<ETX>";
    QTest::newRow("double click checks")
        << QStringList{"double:chkCr"} << true << QStringList{"chkCr"} << "<CR>";
    QTest::newRow("clicks are exclusive")
        << QStringList{"click:chkStx", "click:chkNak"} << true << QStringList{"chkNak"}
        << "<NAK>";
    QTest::newRow("numeric wins over a checked box")
        << QStringList{"type:2", "click:chkEtx"} << true << QStringList{"chkEtx"} << "<2>";
    QTest::newRow("typing unchecks the boxes")
        << QStringList{"click:chkStx", "type:7"} << true << QStringList{} << "<7>";
    QTest::newRow("right button enables without a choice")
        << QStringList{"right:chkEtx"} << true << QStringList{} << "";
    QTest::newRow("right button clears a checked box")
        << QStringList{"click:chkStx", "right:chkEtx"} << true << QStringList{} << "";
    QTest::newRow("space bar alone does not enable")
        << QStringList{"space:chkStx"} << false << QStringList{"chkStx"} << "";
    QTest::newRow("space bar does not clear")
        << QStringList{"click:chkEtx", "space:chkStx"} << true << QStringList{"chkStx", "chkEtx"}
        << "<STX>";
    QTest::newRow("ACK comes before LF")
        << QStringList{"right:chkStx", "space:chkLf", "space:chkAck"} << true
        << QStringList{"chkLf", "chkAck"} << "<ACK>";
    QTest::newRow("NAK comes last")
        << QStringList{"right:chkStx", "space:chkNak", "space:chkCr"} << true
        << QStringList{"chkCr", "chkNak"} << "<CR>";
    QTest::newRow("blanks and sign kept")
        << QStringList{"type: +065 "} << true << QStringList{} << "< +065 >";
    QTest::newRow("255") << QStringList{"type:255"} << true << QStringList{} << "<255>";
    QTest::newRow("hex bytes as typed")
        << QStringList{"type:0x1B 0d"} << true << QStringList{} << "<0x1B 0d>";
}

void tst_frmSpecialChar::acceptRefusesWhatCannotBeSent_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("message");
    QTest::newRow("256") << "256" << 0 << "„256“ ist kein Zeichencode von 0 bis 255.";
    QTest::newRow("-1") << "-1" << 1 << "\"-1\" is not a character code from 0 to 255.";
    QTest::newRow("number with a letter, was typed")
        << "999x" << 1 << "\"999x\" is not a character code from 0 to 255.";
    QTest::newRow("literal characters, were typed")
        << "+^%~{}[]()" << 0 << "„+^%~{}[]()“ ist kein Zeichencode von 0 bis 255.";
    QTest::newRow("hex with an odd digit")
        << "0x1B0" << 1 << "\"0x1B0\" is not a character code from 0 to 255.";
    QTest::newRow("a long text is quoted by its beginning")
        << QString(50, u'9') << 1
        << "\"" + QString(40, u'9') + "\" is not a character code from 0 to 255.";
}

// Refused with the dialog's own message instead of typing a token that can
// never be sent; the dialog stays open with the text selected for mending.
void tst_frmSpecialChar::acceptRefusesWhatCannotBeSent()
{
    QFETCH(QString, typed);
    QFETCH(int, language);
    QFETCH(QString, message);
    QStringList shown;
    MessageBoxes::setPresenter(
        [&shown](const MessageBoxes::Message &m) { shown << m.title + u'|' + m.text; });
    frmSpecialChar dialog{quint8(language)};
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    perform(&dialog, {"click:chkStx", "type:" + typed});
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
    MessageBoxes::setPresenter({});
    QCOMPARE(shown, QStringList{dialog.windowTitle() + u'|' + message});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.token(), QString());
    auto *numeric = child<QLineEdit>(&dialog, "txtNumeric");
    QCOMPARE(dialog.focusWidget(), numeric);
    QCOMPARE(numeric->selectedText(), typed);
    // Mended, it goes.
    QTest::keyClicks(numeric, "13");
    QTest::keyClick(numeric, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.token(), QStringLiteral("<13>"));
}

void tst_frmSpecialChar::choiceGivesToken()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, acceptEnabled);
    QFETCH(QStringList, checked);
    QFETCH(QString, token);

    frmSpecialChar dialog(1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    perform(&dialog, steps);
    auto *cmdOk = child<QPushButton>(&dialog, "cmdOk");
    QCOMPARE(cmdOk->isEnabled(), acceptEnabled);
    QCOMPARE(checkedBoxes(&dialog), checked);
    if (!acceptEnabled)
        return;
    QTest::mouseClick(cmdOk, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.token(), token);
}

void tst_frmSpecialChar::escapeDoesNotClose()
{
    frmSpecialChar dialog(0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(child<QPushButton>(&dialog, "chkStx"), Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
}

void tst_frmSpecialChar::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("token");
    const int accepted = QDialog::Accepted;
    QTest::newRow("Cancel, fault: it accepted")
        << QStringList{"type:65"} << "cmdCancel" << int(QDialog::Rejected) << "";
    QTest::newRow("Accept") << QStringList{"type:65"} << "cmdOk" << accepted << "<65>";
    QTest::newRow("number box") << QStringList{"type:65"} << "txtNumeric" << accepted << "<65>";
    // The boxes are check boxes: Enter presses Accept and leaves them as they are.
    QTest::newRow("checked box") << QStringList{"click:chkEtx"} << "chkEtx" << accepted << "<ETX>";
    QTest::newRow("unchecked box")
        << QStringList{"click:chkEtx"} << "chkStx" << accepted << "<ETX>";
}

void tst_frmSpecialChar::enterPressesTheFocusedButton()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, focus);
    QFETCH(int, result);
    QFETCH(QString, token);

    frmSpecialChar dialog(0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    perform(&dialog, steps);
    UiTestSupport::pressEnterOn(child<QWidget>(&dialog, focus));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
    QCOMPARE(dialog.token(), token);
}

void tst_frmSpecialChar::typedIntoTarget_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selectionStart"); // -1: caret only
    QTest::addColumn<int>("position");       // caret, or selection length
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");

    QTest::newRow("65 at the caret") << "abcd" << -1 << 2 << QStringList{"type:65"}
                                     << "ab<65>cd";
    // Typed as one key event per character, 8,000 took seconds: in one step now.
    QTest::newRow("40,000 pasted digits, no length limit")
        << "ab" << -1 << 1 << QStringList{"paste:40000"}
        << QStringLiteral("a<") + QString(39999, u'0') + QStringLiteral("7>b");
    QTest::newRow("into an empty box") << "" << -1 << 0 << QStringList{"click:chkStx"}
                                       << "<STX>";
    QTest::newRow("at the end") << "M01" << -1 << 3 << QStringList{"click:chkEtx"}
                                << "M01<ETX>";
    QTest::newRow("selection replaced") << "abcdef" << 1 << 3 << QStringList{"click:chkCr"}
                                        << "a<CR>ef";
    QTest::newRow("blanks and sign as typed")
        << "x" << -1 << 1 << QStringList{"type: +007 "} << "x< +007 >";
}

void tst_frmSpecialChar::typedIntoTarget()
{
    QFETCH(QString, text);
    QFETCH(int, selectionStart);
    QFETCH(int, position);
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    TargetWindow w;
    w.target->setText(text);
    if (selectionStart >= 0) {
        // A selection lasts only in the box that has the focus: Qt drops it
        // from other boxes when the window is activated again.
        w.target->setFocus();
        w.target->setSelection(selectionStart, position);
    } else {
        w.target->setCursorPosition(position);
    }
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QSignalSpy changed(w.target, &QLineEdit::textChanged);
    QSignalSpy edited(w.target, &QLineEdit::textEdited);
    ReleaseCounter releases;
    w.target->installEventFilter(&releases);
    SettingsRecord settings;
    settings.SpecialCharTarget = 7;

    whenModalShows<frmSpecialChar>([steps](frmSpecialChar *dialog) {
        perform(dialog, steps);
        QTest::mouseClick(child<QPushButton>(dialog, "cmdOk"), Qt::LeftButton);
    });
    fkt_ToolsShowSpecialCharDialog(2, settings, w.target, &w.window);

    // Nothing arrives before the dialog has gone and events are processed.
    QCOMPARE(w.target->text(), text);
    QCOMPARE(settings.SpecialCharTarget, 2);
    QTRY_COMPARE(w.target->text(), expected);
    // In one step: one change, and one key release carrying the token, which
    // ends at the caret.
    const qsizetype tokenLength = expected.size() - text.size() + (selectionStart >= 0 ? position : 0);
    const QString token = expected.mid(w.target->cursorPosition() - tokenLength, tokenLength);
    QCOMPARE(edited.size(), 1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(releases.texts, QStringList{token});
    QCOMPARE(w.window.focusWidget(), w.target);
    QVERIFY(w.other->text().isEmpty());
}

void tst_frmSpecialChar::leavingWithoutAcceptInsertsNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Esc, then the close box") << "escape";
    QTest::newRow("close box") << "close";
}

void tst_frmSpecialChar::leavingWithoutAcceptInsertsNothing()
{
    QFETCH(QString, how);

    TargetWindow w;
    w.target->setText("keep");
    SettingsRecord settings;
    whenModalShows<frmSpecialChar>([how](frmSpecialChar *dialog) {
        perform(dialog, {"type:65"});
        if (how == "cancel") {
            QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
            return;
        }
        if (how == "escape") {
            QTest::keyClick(dialog, Qt::Key_Escape);
            if (!dialog->isVisible())
                return; // the check below then fails on the result
        }
        dialog->close();
    });
    fkt_ToolsShowSpecialCharDialog(1, settings, w.target, &w.window);
    QTest::qWait(20);
    QCOMPARE(w.target->text(), QStringLiteral("keep"));
    QCOMPARE(settings.SpecialCharTarget, 1);
}

void tst_frmSpecialChar::acceptWithoutChoiceInsertsNothing()
{
    TargetWindow w;
    w.target->setText("keep");
    QSignalSpy changed(w.target, &QLineEdit::textChanged);
    SettingsRecord settings;
    bool wasDisabled = false;
    whenModalShows<frmSpecialChar>([&wasDisabled](frmSpecialChar *dialog) {
        wasDisabled = !child<QPushButton>(dialog, "cmdOk")->isEnabled();
        perform(dialog, {"right:chkEot"});
        QTest::mouseClick(child<QPushButton>(dialog, "cmdOk"), Qt::LeftButton);
    });
    fkt_ToolsShowSpecialCharDialog(2, settings, w.target, &w.window);
    QVERIFY(wasDisabled);
    QTest::qWait(20);
    QCOMPARE(w.target->text(), QStringLiteral("keep"));
    QCOMPARE(changed.size(), 0);
    // Accept still hands the focus to the target.
    QCOMPARE(w.window.focusWidget(), w.target);
}

void tst_frmSpecialChar::settingsDialogAffixBoxes_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("otherBox");
    QTest::addColumn<int>("target");

    QTest::newRow("prefix") << "cmdInsertSpecialCharPrefix" << "txtPrefix" << "txtReadjust" << 0;
    QTest::newRow("suffix") << "cmdInsertSpecialCharReadjust" << "txtReadjust" << "txtPrefix"
                            << 1;
}

void tst_frmSpecialChar::settingsDialogAffixBoxes()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, otherBox);
    QFETCH(int, target);

    SettingsRecord settings;
    settings.PrefixOption = 1;
    settings.ReadjustOption = 1;
    settings.PrefixChars = "AB";
    settings.ReadjustChars = "AB";
    settings.SpecialCharTarget = 2;
    frmSettings dialog(settings, [] { return QStringLiteral("0"); }, [] {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    child<QTabWidget>(&dialog, "SSTab1")->setCurrentIndex(3);
    auto *into = child<QLineEdit>(&dialog, box);
    into->setFocus();
    into->setCursorPosition(1);

    whenModalShows<frmSpecialChar>([](frmSpecialChar *special) {
        perform(special, {"click:chkEnq"});
        QTest::mouseClick(child<QPushButton>(special, "cmdOk"), Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>(&dialog, button), Qt::LeftButton);

    QCOMPARE(settings.SpecialCharTarget, target);
    QTRY_COMPARE(into->text(), QStringLiteral("A<ENQ>B"));
    QCOMPARE(child<QLineEdit>(&dialog, otherBox)->text(), QStringLiteral("AB"));
    QVERIFY(dialog.isVisible());
    // The record itself only changes on Accept.
    QCOMPARE(settings.PrefixChars, QStringLiteral("AB"));
}

void tst_frmSpecialChar::accessibleNames_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::newRow("de number box") << 0 << "txtNumeric" << "Benutzerdefiniertes Zeichen"
                                   << "(ASCII-Wert 0 - 255)";
    QTest::newRow("en number box") << 1 << "txtNumeric" << "User defined character"
                                   << "(ASCI value 0 - 255)";
    QTest::newRow("de STX") << 0 << "chkStx" << "STX" << "";
    QTest::newRow("en Cancel") << 1 << "cmdCancel" << "Cancel" << "";
}

// The hint beside the number box describes it (fault: tied to nothing).
void tst_frmSpecialChar::accessibleNames()
{
    QFETCH(int, language);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, description);
    frmSpecialChar dialog(static_cast<quint8>(language));
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(child<QWidget>(&dialog, control));
    QCOMPARE(face->text(QAccessible::Name), name);
    QCOMPARE(face->text(QAccessible::Description), description);
}

void tst_frmSpecialChar::keyboardReachesEveryControl_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("steps"); // Accept is reached once it is enabled
    QTest::newRow("de") << 0 << QStringList();
    QTest::newRow("en") << 1 << QStringList();
    QTest::newRow("de, Accept enabled") << 0 << QStringList{"type:1"};
}

// Every control that takes the focus has a name of its own, Tab reaches each,
// and the dialog opens with the focus on a named control.
void tst_frmSpecialChar::keyboardReachesEveryControl()
{
    QFETCH(int, language);
    QFETCH(QStringList, steps);
    frmSpecialChar dialog(static_cast<quint8>(language));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QWidget *first = QApplication::focusWidget();
    QVERIFY(first);
    QVERIFY(!UiTestSupport::accessibleName(first).isEmpty());
    perform(&dialog, steps);
    QCOMPARE(UiTestSupport::namingFaults(&dialog), QStringList());
    const QList<QWidget *> reachable = UiTestSupport::focusableControls(&dialog);
    QCOMPARE(reachable.size(), steps.isEmpty() ? 10 : 11); // eight boxes, the number, Cancel (, Accept)
    QCOMPARE(UiTestSupport::namesOf(UiTestSupport::tabCycle()), UiTestSupport::namesOf(reachable));
}

QTEST_MAIN(tst_frmSpecialChar)
#include "tst_frmspecialchar.moc"
