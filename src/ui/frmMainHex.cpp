// Binary telegrams in the main window: the log's hex view and the check of
// received checksums (View menu), and the checks appended to a telegram
// (Edit > Append checksum).

#include "ui/frmMain.h"

#include "app/LineEnd.h"
#include "app/modGlobal.h"
#include "engine/NotSentNotice.h"
#include "text/BlockCheck.h"
#include "text/StringTable.h"
#include "text/Tokens.h"
#include "ui/LogView.h"
#include "ui/PlotPanel.h"

#include <QAction>
#include <QActionGroup>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

namespace {

// Names of the checksum items, in the order of kChecksums; their captions
// are the texts from 2123 on.
constexpr std::array<const char *, kChecksums.size()> kChecksumItemNames = {
    "mnuEditChecksumCrc16Modbus", "mnuEditChecksumCrc16CcittFalse",
    "mnuEditChecksumCrc16Xmodem", "mnuEditChecksumCrc8",
    "mnuEditChecksumLrc",         "mnuEditChecksumSum8",
    "mnuEditChecksumXor8",
};
constexpr qint32 kFirstChecksumCaption = 2123;
// Where the check menu's marker goes in each caption (the algorithm's name
// begins every caption, alike in both languages): CRC-16/&MODBUS,
// CRC-16/&CCITT-FALSE, CRC-16/&XMODEM, CRC-&8, &LRC, &SUM-8, XO&R-8.
constexpr std::array<int, kChecksums.size()> kCheckMnemonicAt = {7, 7, 7, 4, 0, 0, 2};
constexpr qint32 kCheckTitle = 2237;
constexpr qint32 kCheckOff = 2238;

constexpr NotSentNotice::FaultTexts kChecksumFaults{2106, 2107, 2229, 2230, 2231};
constexpr NotSentNotice::FaultTexts kBlockCheckFaults{2232, 2233, 2234, 2235, 2236};
constexpr qint32 kChecksumEmptyBox = 2108;

QAction *namedAction(QMenu *menu, const char *name)
{
    QAction *a = menu->addAction(QString());
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

void frmMain::buildChecksumMenu()
{
    mnuEdit->addSeparator();
    mnuEditChecksum = mnuEdit->addMenu(QString());
    mnuEditChecksum->setObjectName(QStringLiteral("mnuEditChecksum"));
    mnuEditChecksum->menuAction()->setObjectName(QStringLiteral("mnuEditChecksumItem"));
    for (std::size_t i = 0; i < kChecksums.size(); ++i) {
        QAction *item = namedAction(mnuEditChecksum, kChecksumItemNames[i]);
        const Checksum kind = kChecksums[i];
        connect(item, &QAction::triggered, this, [this, kind] { mnuEditChecksum_Click(kind); });
        mnuEditChecksumItems[i] = item;
    }
}

// The menus of the log's views; more views and the search belong here.
void frmMain::buildViewMenu()
{
    mnuView = menuBar()->addMenu(QString());
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuViewHex = namedAction(mnuView, "mnuViewHex");
    mnuViewHex->setCheckable(true);
    mnuViewHex->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(mnuViewHex, &QAction::triggered, this, &frmMain::mnuViewHex_Click);
    mnuViewCheck = mnuView->addMenu(QString());
    mnuViewCheck->setObjectName(QStringLiteral("mnuViewCheck"));
    mnuViewCheck->menuAction()->setObjectName(QStringLiteral("mnuViewCheckItem"));
    auto *choices = new QActionGroup(mnuViewCheck); // exclusive
    for (std::size_t i = 0; i < mnuViewCheckItems.size(); ++i) {
        QAction *item = mnuViewCheck->addAction(QString());
        item->setObjectName(i == 0 ? QStringLiteral("mnuViewCheckOff")
                                   : QString::fromLatin1(kChecksumItemNames[i - 1])
                                         .replace(QStringLiteral("mnuEditChecksum"),
                                                  QStringLiteral("mnuViewCheck")));
        item->setCheckable(true);
        choices->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { mnuViewCheck_Click(int(i)); });
        mnuViewCheckItems[i] = item;
    }
    mnuViewPlot = namedAction(mnuView, "mnuViewPlot");
    mnuViewPlot->setCheckable(true);
    mnuViewPlot->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(mnuViewPlot, &QAction::triggered, this, &frmMain::mnuViewPlot_Click);
}

void frmMain::applyViewLanguage()
{
    const quint8 lang = m_settings.Language;
    mnuView->setTitle(fkt_ToolsGetResString(2120, lang));
    mnuViewHex->setText(fkt_ToolsGetResString(2121, lang));
    mnuViewPlot->setText(fkt_ToolsGetResString(2400, lang));
    fraPlot->applyLanguage(lang);
    mnuEditChecksum->setTitle(fkt_ToolsGetResString(2122, lang));
    mnuViewCheck->setTitle(fkt_ToolsGetResString(kCheckTitle, lang));
    mnuViewCheckItems[0]->setText(fkt_ToolsGetResString(kCheckOff, lang));
    for (std::size_t i = 0; i < kChecksums.size(); ++i) {
        const QString caption = fkt_ToolsGetResString(kFirstChecksumCaption + qint32(i), lang);
        mnuEditChecksumItems[i]->setText(caption);
        // A caption that brings a marker of its own keeps it.
        mnuViewCheckItems[i + 1]->setText(
            caption.contains(u'&') ? caption : QString(caption).insert(kCheckMnemonicAt[i], u'&'));
    }
    applyChecksumMarks();
}

// The log checks its [IN] lines as the settings say, before the line end
// chosen now, and reads the marks out in the language of now.
void frmMain::applyChecksumMarks()
{
    const int choice = m_settings.CheckSum <= kChecksums.size() ? m_settings.CheckSum : 0;
    mnuViewCheckItems[std::size_t(choice)]->setChecked(true);
    if (choice == 0) {
        lstSendReceive->setChecksumMarks(std::nullopt);
        return;
    }
    lstSendReceive->setChecksumMarks(LogView::ChecksumMarks{
        kChecksums[std::size_t(choice - 1)],
        lineEndBytes(lineEndKind(m_settings.LineEnd)).toByteArray(), m_settings.Language});
}

void frmMain::mnuViewCheck_Click(int choice)
{
    m_settings.CheckSum = quint8(choice);
    m_settings.CheckSumKey = true; // from now on the choice is kept
    applyChecksumMarks();
    updateLineInfo();
}

// The view the settings chose at start.
void frmMain::showHexViewSetting()
{
    const bool hex = m_settings.HexView == 1;
    mnuViewHex->setChecked(hex);
    lstSendReceive->setForm(hex ? TrafficLog::Form::Hex : TrafficLog::Form::Text);
}

void frmMain::mnuViewHex_Click(bool checked)
{
    lstSendReceive->setForm(checked ? TrafficLog::Form::Hex : TrafficLog::Form::Text);
    m_settings.HexView = checked ? 1 : 0;
    m_settings.HexViewKey = true; // from now on the choice is kept
}

void frmMain::updateChecksumItems()
{
    if (!mnuEditChecksum)
        return; // the menus are not built yet
    const bool enabled = m_activeTextBox && m_activeTextBox->isEnabled();
    mnuEditChecksum->menuAction()->setEnabled(enabled);
    for (QAction *item : mnuEditChecksumItems)
        item->setEnabled(enabled);
}

// The bytes of a box's text for a check; when it cannot be decoded, the
// status bar says why and the fault is selected in the box.
std::optional<QByteArray> frmMain::checkedBytes(QLineEdit *box,
                                                const NotSentNotice::FaultTexts &texts)
{
    const QString text = box->text();
    DecodeFault fault;
    const auto bytes = DecodeToBytes(text, &fault);
    if (!bytes) {
        showStatusMessage(NotSentNotice::text(texts, text, fault, NotSentNotice::Where::Box,
                                              m_settings.Language));
        box->setFocus(Qt::OtherFocusReason);
        box->setSelection(int(fault.start), int(fault.length));
    }
    return bytes;
}

void frmMain::cmdBlockcheck_Click()
{
    if (checkedBytes(txtSend, kBlockCheckFaults))
        txtSend->setText(AppendBlockCheck(txtSend->text()));
}

void frmMain::mnuEditChecksum_Click(Checksum kind)
{
    QLineEdit *box = m_activeTextBox;
    if (!box || !box->isEnabled())
        return;
    const QString text = box->text();
    if (text.isEmpty()) {
        showStatusMessage(fkt_ToolsGetResString(kChecksumEmptyBox, m_settings.Language));
        return;
    }
    const auto bytes = checkedBytes(box, kChecksumFaults);
    if (!bytes)
        return;
    // Typed in at the end, so Undo takes it back.
    box->setCursorPosition(int(text.size()));
    box->insert(hexToken(checksumBytes(kind, *bytes)));
    if (box != txtSend)
        box->setToolTip(box->text()); // a slot box shows its command
}
