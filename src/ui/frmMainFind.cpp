// Working with the log in the main window: the find bar below the log, the
// View menu's Find and Follow new lines, and the status bar's field that
// tells of the lines held back.

#include "ui/frmMain.h"

#include "app/modGlobal.h"
#include "engine/LogSearch.h"
#include "engine/TerminalEngine.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/LogView.h"
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>

namespace {

constexpr qint32 kFindCaption = 2150;
constexpr qint32 kFindNext = 2151;
constexpr qint32 kFindPrevious = 2152;
constexpr qint32 kFindClose = 2153;
constexpr qint32 kFindLabel = 2154;
constexpr qint32 kNotFound = 2155;
constexpr qint32 kHexPairsWanted = 2156;
constexpr qint32 kFollowCaption = 2157;
constexpr qint32 kFindTextTooLong = 2461;

// The longest text a search takes. The field holds one character more, so a
// longer text (pasted) is refused with a message instead of being cut to one
// that would be searched.
constexpr int kMostFindCharacters = 32767;

// The held lines' count is shown at most this often while lines stream in.
constexpr int kLineInfoIntervalMs = 100;

// In twips: the find field's least width (150 pixels at 96 dots per inch),
// the gap between the bar's controls, the height of one of its lines.
constexpr int kFindFieldLeast = 2250;
constexpr int kFindBarSpacing = 90;
constexpr int kFindBarLine = 345;

} // namespace

void frmMain::buildFindBar()
{
    fraFind = new QWidget(m_client);
    fraFind->setObjectName(QStringLiteral("fraFind"));
    auto *row = new QGridLayout(fraFind);
    row->setContentsMargins(0, 0, 0, 0);
    row->setHorizontalSpacing(Twips::toPixels(kFindBarSpacing, m_dpi));
    labFind = new QLabel(fraFind);
    labFind->setObjectName(QStringLiteral("labFind"));
    txtFind = new QLineEdit(fraFind);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setMaxLength(kMostFindCharacters + 1);
    labFind->setBuddy(txtFind);
    cmdFindNext = new QPushButton(fraFind);
    cmdFindNext->setObjectName(QStringLiteral("cmdFindNext"));
    cmdFindPrevious = new QPushButton(fraFind);
    cmdFindPrevious->setObjectName(QStringLiteral("cmdFindPrevious"));
    labFindResult = new QLabel(fraFind);
    labFindResult->setObjectName(QStringLiteral("labFindResult"));
    cmdFindClose = new QPushButton(fraFind);
    cmdFindClose->setObjectName(QStringLiteral("cmdFindClose"));
    cmdFindClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    cmdFindClose->setFlat(true);
    // A hint in the result line must not squeeze the field until it cannot
    // be read: the field keeps its least width, the line goes below it.
    txtFind->setMinimumWidth(Twips::toPixels(kFindFieldLeast, m_dpi));
    row->addWidget(labFind, 0, 0);
    row->addWidget(txtFind, 0, 1);
    row->addWidget(cmdFindNext, 0, 2);
    row->addWidget(cmdFindPrevious, 0, 3);
    row->addWidget(labFindResult, 0, 4);
    row->addWidget(cmdFindClose, 0, 5);
    row->setColumnStretch(1, 1);
    fraFind->setVisible(false);

    m_lineInfoTimer.setSingleShot(true);
    m_lineInfoTimer.setInterval(kLineInfoIntervalMs);
}

void frmMain::buildFindMenu()
{
    mnuView->addSeparator();
    mnuViewFind = mnuView->addAction(QString());
    mnuViewFind->setObjectName(QStringLiteral("mnuViewFind"));
    mnuViewFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuViewFollow = mnuView->addAction(QString());
    mnuViewFollow->setObjectName(QStringLiteral("mnuViewFollow"));
    mnuViewFollow->setCheckable(true);
    mnuViewFollow->setChecked(true);
    // Scroll Lock toggles it too, from the key filter: Qt's shortcuts ignore
    // the lock keys.
    // Finding again works with the bar closed too; these keys have no item.
    mnuViewFindNext = new QAction(this);
    mnuViewFindNext->setObjectName(QStringLiteral("mnuViewFindNext"));
    mnuViewFindNext->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuViewFindPrevious = new QAction(this);
    mnuViewFindPrevious->setObjectName(QStringLiteral("mnuViewFindPrevious"));
    mnuViewFindPrevious->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    addAction(mnuViewFindNext);
    addAction(mnuViewFindPrevious);
}

void frmMain::connectFindBar()
{
    connect(mnuViewFind, &QAction::triggered, this, &frmMain::showFindBar);
    connect(mnuViewFindNext, &QAction::triggered, this, [this] { findInLog(false); });
    connect(mnuViewFindPrevious, &QAction::triggered, this, [this] { findInLog(true); });
    connect(cmdFindNext, &QPushButton::clicked, this, [this] { findInLog(false); });
    connect(cmdFindPrevious, &QPushButton::clicked, this, [this] { findInLog(true); });
    connect(cmdFindClose, &QPushButton::clicked, this, &frmMain::closeFindBar);
    connect(txtFind, &QLineEdit::textChanged, this,
            [this] { labFindResult->setText(findTextRefusal()); });
    connect(mnuViewFollow, &QAction::triggered, this, &frmMain::mnuViewFollow_Click);
    TrafficLog &log = m_engine->log();
    connect(&log, &TrafficLog::followNewLinesChanged, this, [this](bool follow) {
        mnuViewFollow->setChecked(follow);
        updateLineInfo();
    });
    // Emptied: the find starts over at the first line.
    connect(&log, &TrafficLog::modelReset, this, [this] {
        labFindResult->clear();
        updateLineInfo();
    });
    connect(&log, &TrafficLog::rowsInserted, this, [this] {
        if (!m_engine->log().followNewLines() && !m_lineInfoTimer.isActive())
            m_lineInfoTimer.start();
    });
    connect(&m_lineInfoTimer, &QTimer::timeout, this, &frmMain::updateLineInfo);
}

void frmMain::applyFindLanguage()
{
    const quint8 lang = m_settings.Language;
    auto res = [lang](qint32 id) { return fkt_ToolsGetResString(id, lang); };
    mnuViewFind->setText(res(kFindCaption));
    mnuViewFollow->setText(res(kFollowCaption));
    labFind->setText(res(kFindLabel));
    cmdFindNext->setText(res(kFindNext));
    cmdFindPrevious->setText(res(kFindPrevious));
    cmdFindClose->setAccessibleName(res(kFindClose));
    cmdFindClose->setToolTip(res(kFindClose) + QStringLiteral(" (Esc)"));
    labFindResult->clear();
    updateLineInfo();
}

void frmMain::showFindBar()
{
    if (!fraFind->isVisible()) {
        fraFind->setVisible(true);
        ArrangeControls();
    }
    txtFind->setFocus(Qt::ShortcutFocusReason);
    txtFind->selectAll();
}

void frmMain::closeFindBar()
{
    const bool hadFocus = fraFind->isAncestorOf(QApplication::focusWidget());
    fraFind->setVisible(false);
    lstSendReceive->setMatch(std::nullopt);
    labFindResult->clear();
    ArrangeControls();
    if (hadFocus)
        lstSendReceive->setFocus(Qt::OtherFocusReason);
}

// The find bar's height in twips for a bar width pixels wide. The result
// line stands beside the buttons while the field keeps its least width
// there; else it takes a line of its own below the field.
int frmMain::placeFindResult(int width)
{
    auto *grid = static_cast<QGridLayout *>(fraFind->layout());
    int beside = txtFind->minimumWidth() + 5 * grid->horizontalSpacing();
    for (const QWidget *w :
         {static_cast<QWidget *>(labFind), static_cast<QWidget *>(cmdFindNext),
          static_cast<QWidget *>(cmdFindPrevious), static_cast<QWidget *>(labFindResult),
          static_cast<QWidget *>(cmdFindClose)})
        beside += w->sizeHint().width();
    const bool below = !labFindResult->text().isEmpty() && beside > width;
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(grid->indexOf(labFindResult), &row, &column, &rows, &columns);
    if (below != (row == 1)) { // moved only when it changes, or the bar is laid out forever
        grid->removeWidget(labFindResult);
        if (below)
            grid->addWidget(labFindResult, 1, 1, 1, 4);
        else
            grid->addWidget(labFindResult, 0, 4);
    }
    return below ? 2 * kFindBarLine : kFindBarLine;
}

bool frmMain::inFindBar(const QObject *watched) const
{
    return watched == fraFind ||
           (watched && fraFind->isAncestorOf(qobject_cast<const QWidget *>(watched)));
}

// Searches from the line after (or before) the selected one, around the end
// of the log; the line found is selected and the view held there, so the
// next line to come does not take the selection away.
void frmMain::findInLog(bool backwards)
{
    if (!fraFind->isVisible())
        showFindBar();
    const quint8 lang = m_settings.Language;
    TrafficLog &log = m_engine->log();
    const TrafficLog::Form form = lstSendReceive->form();
    if (!findTextRefusal().isEmpty()) {
        labFindResult->setText(findTextRefusal());
        lstSendReceive->setMatch(std::nullopt);
        return;
    }
    const LogSearch search(txtFind->text(), form);
    if (!search.valid()) {
        const bool hexWanted = form == TrafficLog::Form::Hex &&
                               !txtFind->text().trimmed().isEmpty();
        labFindResult->setText(hexWanted ? fkt_ToolsGetResString(kHexPairsWanted, lang)
                                         : QString());
        lstSendReceive->setMatch(std::nullopt);
        return;
    }
    const int selected = log.selectedIndex();
    const int from = selected < 0 ? (backwards ? log.count() - 1 : 0)
                                  : selected + (backwards ? -1 : 1);
    const std::optional<LogSearch::Match> match = search.find(log, from, backwards);
    if (!match) {
        labFindResult->setText(fkt_ToolsGetResString(kNotFound, lang));
        lstSendReceive->setMatch(std::nullopt);
        return;
    }
    labFindResult->clear();
    log.setFollowNewLines(false);
    log.setSelectedIndex(match->row);
    lstSendReceive->setMatch(match);
}

// Why the find field's text is not searched; empty when it is.
QString frmMain::findTextRefusal() const
{
    if (txtFind->text().size() <= kMostFindCharacters)
        return {};
    const quint8 lang = m_settings.Language;
    const QLocale numbers(lang == 0 ? QLocale::German : QLocale::English);
    return fkt_FormatInsertParam(fkt_ToolsGetResString(kFindTextTooLong, lang),
                                 {numbers.toString(kMostFindCharacters)});
}

void frmMain::mnuViewFollow_Click(bool checked)
{
    TrafficLog &log = m_engine->log();
    log.setFollowNewLines(checked);
    if (checked && log.count() > 0)
        log.setSelectedIndex(log.count() - 1);
}
