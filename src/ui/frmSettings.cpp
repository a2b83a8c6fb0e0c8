#include "ui/frmSettings.h"

#include "app/LineEnd.h"
#include "app/modGlobal.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/CharDelayInput.h"
#include "ui/MessageBoxes.h"
#include "ui/NamedComboBox.h"
#include "ui/PortList.h"
#include "ui/InsertSpecialChar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <limits>
#include <utility>

namespace {

// COM ports above this number cannot be configured by the port layer.
constexpr qint64 kHighestComNumber = 16;
// The longest quiet time the receive path can wait (a 16-bit number).
constexpr qint16 kLongestQuietMs = 32767;

template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A value from a hand-edited file may lie outside the list: then nothing is
// selected, and Accept leaves the field as it was.
void selectIndex(QComboBox *list, quint8 value)
{
    list->setCurrentIndex(value < list->count() ? value : -1);
}

void storeIndex(const QComboBox *list, quint8 &field)
{
    if (list->currentIndex() >= 0)
        field = static_cast<quint8>(list->currentIndex());
}

quint8 checkValue(const QCheckBox *box)
{
    return box->isChecked() ? 1 : 0;
}

// Every button of a dialog takes Enter while it has the focus (it is an
// auto-default button); with the focus anywhere else Enter presses Accept.
QPushButton *button(const char *name, QWidget *parent)
{
    return named(new QPushButton(parent), name);
}

} // namespace

frmSettings::frmSettings(SettingsRecord &settings, std::function<QString()> portListSource,
                         std::function<void()> openPort, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_portListSource(std::move(portListSource)),
      m_openPort(std::move(openPort))
{
    setObjectName(QStringLiteral("frmSettings"));
    setModal(true);
    buildControls();
    SSTab1->setCurrentIndex(0);
    ApplyLanguage();
    LoadSettings();
    UpdateAffixControls();
    // The first control of the first page, rather than the row of page tabs.
    cboPcPort->setFocus();
}

void frmSettings::buildControls()
{
    SSTab1 = named(new QTabWidget(this), "SSTab1");
    // All four page captions stay readable; the dialog grows to fit them.
    SSTab1->setUsesScrollButtons(false);
    SSTab1->addTab(buildInterfacePage(), QString());
    SSTab1->addTab(buildInternationalPage(), QString());
    SSTab1->addTab(buildPresentationPage(), QString());
    SSTab1->addTab(buildTerminalPage(), QString());

    cmdOk = named(new QPushButton(this), "cmdOk");
    cmdOk->setDefault(true);
    cmdCancel = button("cmdCancel", this);
    connect(cmdOk, &QPushButton::clicked, this, &frmSettings::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSettings::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(buttons);
}

QWidget *frmSettings::buildInterfacePage()
{
    auto *page = new QWidget;
    fraInterface = named(new QGroupBox(page), "fraInterface");
    labSpsPcPort = named(new QLabel(fraInterface), "labSpsPcPort");
    cboPcPort = named(new NamedComboBox(fraInterface), "cboPcPort");
    cboPcPortTemp = named(new QComboBox(fraInterface), "cboPcPortTemp");
    cboPcPortTemp->hide();
    labSpsBaudrate = named(new QLabel(fraInterface), "labSpsBaudrate");
    cboBaudrate = named(new NamedComboBox(fraInterface), "cboBaudrate");
    cboBaudrate->addItems({QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"),
                           QStringLiteral("2400"), QStringLiteral("4800"),
                           QStringLiteral("9600 *"), QStringLiteral("19200"),
                           QStringLiteral("38400"), QStringLiteral("56000"),
                           QStringLiteral("57600"), QStringLiteral("115200"),
                           QStringLiteral("230400"), QStringLiteral("460800"),
                           QStringLiteral("921600")});
    // A rate outside the list can be typed (250000 for a printer, say).
    cboBaudrate->setEditable(true);
    cboBaudrate->setInsertPolicy(QComboBox::NoInsert);
    cboBaudrate->setCompleter(nullptr); // a typed 250000 is not completed to 2400
    labHandshake = named(new QLabel(QStringLiteral("Handshake"), fraInterface), "labHandshake");
    cboHandshake = named(new NamedComboBox(fraInterface), "cboHandshake");
    labDataformat = named(new QLabel(fraInterface), "labDataformat");
    cboDataformat = named(new NamedComboBox(fraInterface), "cboDataformat");
    cboDataformat->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    labCharDelay = named(new QLabel(fraInterface), "labCharDelay");
    txtCharDelay = named(new QLineEdit(fraInterface), "txtCharDelay");
    labCharDelayMs = named(new QLabel(QStringLiteral("ms"), fraInterface), "labCharDelayMs");
    // Each control is named by the label above it, and the delay's unit is
    // said after its name.
    labSpsPcPort->setBuddy(cboPcPort);
    labSpsBaudrate->setBuddy(cboBaudrate);
    labHandshake->setBuddy(cboHandshake);
    labDataformat->setBuddy(cboDataformat);
    labCharDelay->setBuddy(txtCharDelay);
    txtCharDelay->setAccessibleDescription(labCharDelayMs->text());

    auto *delay = new QHBoxLayout;
    delay->addWidget(txtCharDelay);
    delay->addWidget(labCharDelayMs);
    auto *grid = new QGridLayout(fraInterface);
    grid->addWidget(labSpsPcPort, 0, 0, 1, 2);
    grid->addWidget(cboPcPort, 1, 0, 1, 2);
    grid->addWidget(labSpsBaudrate, 2, 0);
    grid->addWidget(labHandshake, 2, 1);
    grid->addWidget(cboBaudrate, 3, 0);
    grid->addWidget(cboHandshake, 3, 1);
    grid->addWidget(labDataformat, 4, 0);
    grid->addWidget(labCharDelay, 4, 1);
    grid->addWidget(cboDataformat, 5, 0);
    grid->addLayout(delay, 5, 1);
    grid->setRowStretch(6, 1);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(fraInterface);
    layout->addWidget(buildReceiveFrame(page));
    return page;
}

QGroupBox *frmSettings::buildReceiveFrame(QWidget *page)
{
    fraReceive = named(new QGroupBox(page), "fraReceive");
    labLineEnd = named(new QLabel(fraReceive), "labLineEnd");
    cboLineEnd = named(new NamedComboBox(fraReceive), "cboLineEnd");
    labQuietTime = named(new QLabel(fraReceive), "labQuietTime");
    txtQuietTime = named(new QLineEdit(fraReceive), "txtQuietTime");
    labLineEnd->setBuddy(cboLineEnd);
    labQuietTime->setBuddy(txtQuietTime);

    // Each label before its control: the German labels are too long to
    // stand side by side above them.
    auto *form = new QFormLayout(fraReceive);
    form->addRow(labLineEnd, cboLineEnd);
    form->addRow(labQuietTime, txtQuietTime);
    return fraReceive;
}

QWidget *frmSettings::buildInternationalPage()
{
    auto *page = new QWidget;
    fraInternational = named(new QGroupBox(page), "fraInternational");
    labLanguageProgram = named(new QLabel(fraInternational), "labLanguageProgram");
    cboLanguageProgram = named(new NamedComboBox(fraInternational), "cboLanguageProgram");
    labLanguageProgram->setBuddy(cboLanguageProgram);
    cboLanguageProgram->addItems({QStringLiteral("Deutsch"), QStringLiteral("Englisch")});

    auto *frame = new QVBoxLayout(fraInternational);
    frame->addWidget(labLanguageProgram);
    frame->addWidget(cboLanguageProgram);
    frame->addStretch(1);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(fraInternational);
    return page;
}

QWidget *frmSettings::buildPresentationPage()
{
    auto *page = new QWidget;
    fraPresentation = named(new QGroupBox(page), "fraPresentation");
    chkSpecialChar = named(new QCheckBox(fraPresentation), "chkSpecialChar");

    auto *frame = new QVBoxLayout(fraPresentation);
    frame->addWidget(chkSpecialChar);
    frame->addStretch(1);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(fraPresentation);
    return page;
}

QWidget *frmSettings::buildTerminalPage()
{
    auto *page = new QWidget;
    fraTerminal = named(new QGroupBox(page), "fraTerminal");
    chkDeleteSendText = named(new QCheckBox(fraTerminal), "chkDeleteSendText");
    chkPrefix = named(new QCheckBox(fraTerminal), "chkPrefix");
    txtPrefix = named(new QLineEdit(fraTerminal), "txtPrefix");
    cmdInsertSpecialCharPrefix = button("cmdInsertSpecialCharPrefix", fraTerminal);
    chkReadjust = named(new QCheckBox(fraTerminal), "chkReadjust");
    txtReadjust = named(new QLineEdit(fraTerminal), "txtReadjust");
    cmdInsertSpecialCharReadjust = button("cmdInsertSpecialCharReadjust", fraTerminal);
    // Like the send box, the prefix and suffix have no length limit: a long
    // token inserted into them must not be cut.
    for (QLineEdit *box : {txtPrefix, txtReadjust})
        box->setMaxLength(std::numeric_limits<int>::max());
    // A click on these buttons leaves the caret and any selection in the box,
    // which is where the token will be typed.
    cmdInsertSpecialCharPrefix->setFocusPolicy(Qt::TabFocus);
    cmdInsertSpecialCharReadjust->setFocusPolicy(Qt::TabFocus);

    connect(chkPrefix, &QCheckBox::clicked, this, &frmSettings::UpdateAffixControls);
    connect(chkReadjust, &QCheckBox::clicked, this, &frmSettings::UpdateAffixControls);
    connect(cmdInsertSpecialCharPrefix, &QPushButton::clicked, this,
            &frmSettings::cmdInsertSpecialCharPrefix_Click);
    connect(cmdInsertSpecialCharReadjust, &QPushButton::clicked, this,
            &frmSettings::cmdInsertSpecialCharReadjust_Click);

    auto *grid = new QGridLayout(fraTerminal);
    grid->addWidget(chkDeleteSendText, 0, 0, 1, 2);
    grid->addWidget(chkPrefix, 1, 0, 1, 2);
    grid->addWidget(txtPrefix, 2, 0);
    grid->addWidget(cmdInsertSpecialCharPrefix, 2, 1);
    grid->addWidget(chkReadjust, 3, 0, 1, 2);
    grid->addWidget(txtReadjust, 4, 0);
    grid->addWidget(cmdInsertSpecialCharReadjust, 4, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(5, 1);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(fraTerminal);
    return page;
}

void frmSettings::ApplyLanguage()
{
    const quint8 language = m_settings.Language;
    const auto text = [language](qint32 id) { return fkt_ToolsGetResString(id, language); };
    setWindowTitle(text(1500));
    SSTab1->setTabText(0, text(1501));
    SSTab1->setTabText(1, text(1502));
    SSTab1->setTabText(2, text(1503));
    SSTab1->setTabText(3, text(1629));
    fraInterface->setTitle(text(1504));
    fraInternational->setTitle(text(1504));
    fraPresentation->setTitle(text(1504));
    labSpsPcPort->setText(text(1507));
    labSpsBaudrate->setText(text(1508));
    labDataformat->setText(text(1509));
    labCharDelay->setText(text(1521));
    fraReceive->setTitle(text(2200));
    labLineEnd->setText(text(2201));
    labQuietTime->setText(text(2203));
    cboLineEnd->clear();
    cboLineEnd->addItems({text(2202), QStringLiteral("LF"), QStringLiteral("CR"),
                          QStringLiteral("CR LF")});
    fraTerminal->setTitle(text(1624));
    chkDeleteSendText->setText(text(1625));
    chkPrefix->setText(text(1626));
    cmdInsertSpecialCharPrefix->setText(text(1627));
    cmdInsertSpecialCharReadjust->setText(text(1627));
    chkReadjust->setText(text(1628));
    // Names for assistive technology where no label tells the control apart:
    // the two boxes beside their check boxes and the two alike buttons.
    txtPrefix->setAccessibleName(text(1861));
    txtReadjust->setAccessibleName(text(1862));
    cmdInsertSpecialCharPrefix->setAccessibleName(text(1863));
    cmdInsertSpecialCharReadjust->setAccessibleName(text(1864));
    cboDataformat->clear();
    for (qint32 id = 1514; id <= 1520; ++id)
        cboDataformat->addItem(text(id));
    cboHandshake->clear();
    cboHandshake->addItems({QStringLiteral("None"), QStringLiteral("XOnXOff"),
                            QStringLiteral("RTS"), QStringLiteral("RTSXOnXOff")});
    labLanguageProgram->setText(text(1510));
    chkSpecialChar->setText(text(1511));
    cmdOk->setText(text(1512));
    cmdCancel->setText(text(1513));
}

void frmSettings::LoadSettings()
{
    const QString portList = m_portListSource ? m_portListSource() : QString();
    PortList::FillPortList(portList, cboPcPort, cboPcPortTemp, m_settings.ComPort);
    showBaud();
    selectIndex(cboDataformat, m_settings.Dataformat);
    selectIndex(cboHandshake, m_settings.Handshake);
    selectIndex(cboLanguageProgram, m_settings.Language);
    // Peculiar counts as on for any value but 0 everywhere else, so the box
    // shows what the program does.
    chkSpecialChar->setChecked(m_settings.Peculiar != 0);
    chkDeleteSendText->setChecked(m_settings.DeleteSendChars == 1);
    txtCharDelay->setText(QString::number(m_settings.CharDelay));
    selectIndex(cboLineEnd, quint8(lineEndKind(m_settings.LineEnd)));
    setQuietTimeText(QString::number(m_settings.WaitTime));
    chkPrefix->setChecked(m_settings.PrefixOption == 1);
    chkReadjust->setChecked(m_settings.ReadjustOption == 1);
    txtPrefix->setText(m_settings.PrefixChars);
    txtReadjust->setText(m_settings.ReadjustChars);
}

void frmSettings::StoreSettings()
{
    if (const auto number = PortList::numberAt(cboPcPortTemp, cboPcPort->currentIndex()))
        m_settings.ComPort = static_cast<quint8>(*number);
    storeIndex(cboDataformat, m_settings.Dataformat);
    storeIndex(cboHandshake, m_settings.Handshake);
    storeIndex(cboLanguageProgram, m_settings.Language);
    m_settings.Peculiar = checkValue(chkSpecialChar);
    m_settings.DeleteSendChars = checkValue(chkDeleteSendText);
    m_settings.PrefixOption = checkValue(chkPrefix);
    m_settings.ReadjustOption = checkValue(chkReadjust);
    m_settings.PrefixChars = txtPrefix->text();
    m_settings.ReadjustChars = txtReadjust->text();
    if (const auto delay = CharDelayInput::fromText(txtCharDelay->text()))
        m_settings.CharDelay = *delay;
    // The key comes into the file only once the user has chosen another.
    const int lineEnd = cboLineEnd->currentIndex();
    if (lineEnd >= 0 && lineEnd != int(lineEndKind(m_settings.LineEnd))) {
        m_settings.LineEnd = quint8(lineEnd);
        m_settings.LineEndKey = true;
    }
    if (const auto quiet = CharDelayInput::fromText(txtQuietTime->text(), kLongestQuietMs)) {
        m_settings.WaitTime = *quiet;
        m_quietTimeText = QString::number(*quiet);
    }
}

void frmSettings::setQuietTimeText(const QString &text)
{
    txtQuietTime->setText(text);
    m_quietTimeText = text;
}

void frmSettings::UpdateAffixControls()
{
    const QColor input = cboPcPort->palette().color(QPalette::Active, QPalette::Base);
    const QColor greyed = cmdOk->palette().color(QPalette::Active, QPalette::Button);
    const auto update = [&](const QCheckBox *option, QLineEdit *box, QPushButton *button) {
        const bool on = option->isChecked();
        box->setEnabled(on);
        button->setEnabled(on);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, on ? input : greyed);
        box->setPalette(palette);
    };
    update(chkPrefix, txtPrefix, cmdInsertSpecialCharPrefix);
    update(chkReadjust, txtReadjust, cmdInsertSpecialCharReadjust);
}

void frmSettings::cmdOk_Click()
{
    const auto number = PortList::numberAt(cboPcPortTemp, cboPcPort->currentIndex());
    if (number && *number + 1 > kHighestComNumber) {
        MessageBoxes::show({this, MessageBoxes::Icon::Critical,
                            fkt_ToolsGetResString(1701, m_settings.Language),
                            fkt_ToolsGetResString(1700, m_settings.Language)});
        return;
    }
    const std::optional<qint32> baud = typedBaud();
    if (!baud)
        return;
    StoreSettings();
    storeBaud(*baud);
    if (m_openPort)
        m_openPort();
    accept();
}

// The list's entries are the rates; "9600 *" marks the usual one.
int frmSettings::baudEntry(qint32 baud) const
{
    for (int i = 0; i < cboBaudrate->count(); ++i) {
        if (cboBaudrate->itemText(i).section(u' ', 0, 0) == QString::number(baud))
            return i;
    }
    return -1;
}

void frmSettings::showBaud()
{
    const qint32 value = m_settings.BaudrateValue;
    const int entry = value != 0 ? baudEntry(value) : -1;
    if (value == 0 || entry >= 0) {
        selectIndex(cboBaudrate, value == 0 ? m_settings.Baudrate : quint8(entry));
        if (cboBaudrate->currentIndex() < 0)
            cboBaudrate->setEditText(QString());
    } else {
        cboBaudrate->setCurrentIndex(-1);
        cboBaudrate->setEditText(QString::number(value));
    }
}

std::optional<qint32> frmSettings::typedBaud()
{
    QString typed = cboBaudrate->currentText().trimmed();
    if (typed.endsWith(QLatin1String(" *")))
        typed.chop(2);
    if (typed.isEmpty() && cboBaudrate->currentIndex() < 0)
        return 0; // a hand-edited index outside the list stays as it was
    bool digits = !typed.isEmpty();
    for (const QChar ch : std::as_const(typed))
        digits = digits && ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    const qint64 baud = digits ? typed.toLongLong() : 0; // 0 also when too long for a number
    if (baud >= kLowestBaud && baud <= kHighestBaud)
        return qint32(baud);
    const quint8 lang = m_settings.Language;
    MessageBoxes::show(
        {this, MessageBoxes::Icon::Critical, fkt_ToolsGetResString(2309, lang),
         fkt_FormatInsertParam(fkt_ToolsGetResString(2308, lang), {cboBaudrate->currentText()})});
    cboBaudrate->setFocus();
    return std::nullopt;
}

// A rate of the list is kept as its index; any other as BaudrateValue, so
// that older files, which know only the index, keep working.
void frmSettings::storeBaud(qint32 baud)
{
    if (baud == 0)
        return;
    const int entry = baudEntry(baud);
    const bool listed = entry >= 0;
    if (listed)
        m_settings.Baudrate = quint8(entry);
    m_settings.BaudrateValue = listed ? 0 : baud;
    m_settings.BaudrateValueKey = m_settings.BaudrateValueKey || !listed;
}

void frmSettings::cmdInsertSpecialCharPrefix_Click()
{
    fkt_ToolsShowSpecialCharDialog(0, m_settings, txtPrefix, this);
}

void frmSettings::cmdInsertSpecialCharReadjust_Click()
{
    fkt_ToolsShowSpecialCharDialog(1, m_settings, txtReadjust, this);
}
