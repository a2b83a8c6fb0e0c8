// The plot in the main window: View > Plot, the splitter it shares with the
// log, and the saving of its picture and its values.

#include "ui/frmMain.h"

#include "app/WholeFile.h"
#include "app/modGlobal.h"
#include "engine/TerminalEngine.h"
#include "text/FileErrorText.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/LogFileDialog.h"
#include "ui/LogView.h"
#include "ui/MessageBoxes.h"
#include "ui/PlotPanel.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QSplitter>

#include <algorithm>
#include <cerrno>

namespace {

constexpr qint32 kPlotNotSaved = 2413;
constexpr qint32 kValuesNotSaved = 2414;
constexpr qint32 kSavePlotTitle = 2409;
constexpr qint32 kSaveValuesTitle = 2410;

} // namespace

// The log and the plot share the log's room; the plot is hidden until the
// View menu shows it.
void frmMain::buildPlot()
{
    splLog = new QSplitter(Qt::Vertical, m_client);
    splLog->setObjectName(QStringLiteral("splLog"));
    splLog->setChildrenCollapsible(false);
    splLog->addWidget(lstSendReceive);
    fraPlot = new PlotPanel;
    fraPlot->setObjectName(QStringLiteral("fraPlot"));
    fraPlot->setLog(&m_engine->log());
    splLog->addWidget(fraPlot);
    fraPlot->setVisible(false);
}

void frmMain::connectPlot()
{
    connect(fraPlot, &PlotPanel::savePlotClicked, this, &frmMain::savePlot);
    connect(fraPlot, &PlotPanel::saveValuesClicked, this, &frmMain::saveValues);
    connect(splLog, &QSplitter::splitterMoved, this, [this] { m_plotMoved = true; });
}

void frmMain::mnuViewPlot_Click(bool checked)
{
    showPlot(checked);
    m_settings.PlotView = checked ? 1 : 0;
    m_settings.PlotViewKey = true; // from now on the choice is kept
}

// Shown, the plot reads the lines the log holds and then each new one;
// hidden, it reads nothing.
void frmMain::showPlot(bool shown)
{
    const bool hadFocus = fraPlot->isAncestorOf(QApplication::focusWidget());
    if (!shown && fraPlot->isVisible())
        m_plotHeight = fraPlot->height();
    fraPlot->setVisible(shown);
    fraPlot->setActive(shown);
    placePlot();
    if (hadFocus && !shown)
        lstSendReceive->setFocus(Qt::OtherFocusReason);
}

// The plot takes a third of the log's room at first, or the height it had
// when the window's place was kept; once the window shows, when that room
// is the window's own.
void frmMain::placePlot()
{
    if (m_plotPlaced || !fraPlot->isVisibleTo(this) || !isVisible())
        return;
    const int room = splLog->height() - splLog->handleWidth();
    const int least = fraPlot->minimumSizeHint().height();
    const int plot = m_plotHeight > 0
                         ? std::clamp(m_plotHeight, least, std::max(least, room - least))
                         : room / 3;
    splLog->setSizes({room - plot, plot});
    m_plotPlaced = true;
}

bool frmMain::inPlot(const QObject *watched) const
{
    const auto *widget = qobject_cast<const QWidget *>(watched);
    return widget && fraPlot->isAncestorOf(widget);
}

void frmMain::savePlot()
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!fraPlot->image().save(&buffer, "PNG"))
        png.clear();
    savePlotFile(true, png);
}

void frmMain::saveValues()
{
    savePlotFile(false, fraPlot->values());
}

void frmMain::savePlotFile(bool picture, const QByteArray &bytes)
{
    const quint8 lang = m_settings.Language;
    const auto purpose = picture ? LogFileDialog::Purpose::Plot : LogFileDialog::Purpose::Values;
    const QString suggested = LogFileDialog::suggestedPath(
        m_logFolder, QDateTime::currentDateTimeUtc(), LogFileDialog::suffix(purpose));
    const QString path = m_logFileChooser ? m_logFileChooser(suggested)
                                          : LogFileDialog::choose(this, suggested, lang, purpose);
    if (path.isEmpty())
        return;
    m_logFolder = QFileInfo(path).absolutePath();
    int error = bytes.isEmpty() ? EIO : 0; // a picture that could not be made
    if (error == 0 && WholeFile::replace(path, bytes, &error))
        return;
    const QString text = fkt_FormatInsertParam(
        fkt_ToolsGetResString(picture ? kPlotNotSaved : kValuesNotSaved, lang),
        {path, fileErrorReason(error, lang)});
    MessageBoxes::show({this, MessageBoxes::Icon::Critical,
                        fkt_ToolsGetResString(picture ? kSavePlotTitle : kSaveValuesTitle, lang),
                        text});
}
