// The main window's control lines: Edit > Send break, Edit > DTR and
// Edit > RTS, and their group in the status bar.
#include "ui/frmMain.h"

#include "app/modGlobal.h"
#include "engine/TerminalEngine.h"
#include "text/StringTable.h"
#include "ui/LineIndicators.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

namespace {
constexpr qint32 kSendBreak = 2300;
constexpr qint32 kDtrItem = 2303;
constexpr qint32 kRtsItem = 2304;
} // namespace

void frmMain::buildLineControls()
{
    mnuEdit->addSeparator();
    const auto item = [this](const char *name) {
        QAction *a = mnuEdit->addAction(QString());
        a->setObjectName(QLatin1String(name));
        a->setEnabled(false);
        return a;
    };
    mnuEditBreak = item("mnuEditBreak");
    mnuEditBreak->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    mnuEditDtr = item("mnuEditDtr");
    mnuEditRts = item("mnuEditRts");
    for (QAction *a : {mnuEditDtr, mnuEditRts})
        a->setCheckable(true);
    fraLines = new LineIndicators(this);
    statusBar()->addPermanentWidget(fraLines);

    connect(mnuEditBreak, &QAction::triggered, this, [this] { m_engine->sendBreak(); });
    connect(mnuEditDtr, &QAction::triggered, this, [this](bool on) { m_engine->switchDtr(on); });
    connect(mnuEditRts, &QAction::triggered, this, [this](bool on) { m_engine->switchRts(on); });
    connect(fraLines, &LineIndicators::dtrClicked, this,
            [this](bool on) { m_engine->switchDtr(on); });
    connect(fraLines, &LineIndicators::rtsClicked, this,
            [this](bool on) { m_engine->switchRts(on); });
    // A transmission under way refuses a break: the menu says so when it opens.
    connect(mnuEdit, &QMenu::aboutToShow, this,
            [this] { mnuEditBreak->setEnabled(m_engine->breakAllowed()); });
}

void frmMain::applyLinesLanguage()
{
    const quint8 lang = m_settings.Language;
    mnuEditBreak->setText(fkt_ToolsGetResString(kSendBreak, lang));
    mnuEditDtr->setText(fkt_ToolsGetResString(kDtrItem, lang));
    mnuEditRts->setText(fkt_ToolsGetResString(kRtsItem, lang));
    fraLines->applyLanguage(lang);
}

void frmMain::showLines(const LineState &state)
{
    mnuEditBreak->setEnabled(state.breakAllowed);
    mnuEditDtr->setEnabled(state.switchable);
    mnuEditDtr->setChecked(state.dtr);
    mnuEditRts->setEnabled(state.switchable && !state.rtsOwned);
    mnuEditRts->setChecked(state.rts);
    fraLines->showState(state);
}
