#include "ui/frmMain.h"

#include "app/ReplacingFile.h"
#include "app/SettingsStore.h"
#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "engine/LogFile.h"
#include "engine/LogRecorder.h"
#include "engine/NumberText.h"
#include "engine/TerminalEngine.h"
#include "host/PortsIniFile.h"
#include "ports/SerialPortControl.h"
#include "text/FileErrorText.h"
#include "text/QuotedValue.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/LogView.h"
#include "ui/MainLayout.h"
#include "ui/MessageBoxes.h"
#include "ui/QtTranslations.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>

#include <cstdio>
#include <limits>

namespace {

// A line edit keeps at most 32767 characters unless told otherwise; commands
// and the text to send have no limit of their own.
constexpr int kUnlimitedText = std::numeric_limits<int>::max();

constexpr std::array<int, 8> kSlotButtonTops = {240, 990, 1740, 2490, 3240, 3990, 4770, 5490};
constexpr std::array<int, 8> kSlotBoxTops = {570, 1320, 2070, 2820, 3570, 4320, 5070, 5820};

template <typename W>
W *named(QWidget *parent, const char *name)
{
    auto *w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// Saves killed halfway (a crash, a kill -9) leave their temporary files
// behind in the folder of the file saved; another instance saving right now
// has a younger one.
void removeLeftoversOfSaves(const QString &folder)
{
    ReplacingFile::removeLeftovers(folder, std::chrono::minutes(1));
}

} // namespace

frmMain::frmMain(SettingsRecord &settings, SerialPortControl &port, QWidget *parent)
    : QMainWindow(parent), m_settings(settings), m_port(port)
{
    setObjectName(QStringLiteral("frmMain"));
    if (const QScreen *s = screen())
        m_dpi = s->logicalDotsPerInchY();
    TerminalView &view = *this;
    m_engine = std::make_unique<TerminalEngine>(settings, port, view);
    m_recorder = std::make_unique<LogRecorder>(m_engine->log());
    buildControls();
    buildMenus();
    connectControls();
    applyTabOrder();
    placeControls();
}

frmMain::~frmMain()
{
    m_engine->stopTimers();
}

void frmMain::buildControls()
{
    QFont form = font();
    form.setPointSize(8); // the design sizes were made for an 8-point face
    setFont(form);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(9);

    m_client = new QWidget(this);
    setCentralWidget(m_client);
    labSendText = named<QLabel>(m_client, "labSendText");
    txtSend = named<QLineEdit>(m_client, "txtSend");
    labSendText->setBuddy(txtSend); // names the box for assistive technology
    txtSend->setFont(fixed);
    txtSend->setMaxLength(kUnlimitedText);
    cmdInsertSpecialChar = named<QPushButton>(m_client, "cmdInsertSpecialChar");
    // A click leaves the focus, caret and selection in the box the token goes to.
    cmdInsertSpecialChar->setFocusPolicy(Qt::TabFocus);
    cmdSend = named<QPushButton>(m_client, "cmdSend");
    cmdBlockcheck = named<QPushButton>(m_client, "cmdBlockcheck");
    labSendReceiveText = named<QLabel>(m_client, "labSendReceiveText");
    lstSendReceive = named<LogView>(m_client, "lstSendReceive");
    lstSendReceive->setFont(fixed);
    lstSendReceive->setLog(&m_engine->log());
    lstSendReceive->setContextMenuPolicy(Qt::CustomContextMenu);
    labSendReceiveText->setBuddy(lstSendReceive);
    buildPlot();
    cmdDelete = named<QPushButton>(m_client, "cmdDelete");
    chkRepeat = named<QCheckBox>(m_client, "chkRepeat");
    chkRepeat->setText(QStringLiteral("Zu sendende Zeichen wiederholen..."));
    chkRepeatCommandConfig = named<QCheckBox>(m_client, "chkRepeatCommandConfig");
    chkRepeatCommandConfig->setText(QStringLiteral("Befehls-Konfigurationen wiederholen..."));
    txtWaitTime = named<QLineEdit>(m_client, "txtWaitTime");
    txtWaitTime->setText(QStringLiteral("500"));
    labDelay = named<QLabel>(m_client, "labDelay");
    labDelay->setText(QStringLiteral("Delay [ms]"));
    labDelay->setBuddy(txtWaitTime);
    fraCommands = named<QGroupBox>(m_client, "fraCommands");
    for (int i = 0; i < 8; ++i) {
        cmdBefehl[i] = new QPushButton(fraCommands);
        cmdBefehl[i]->setObjectName(QStringLiteral("cmdBefehl%1").arg(i + 1));
        txtBefehl[i] = new QLineEdit(fraCommands);
        txtBefehl[i]->setObjectName(QStringLiteral("txtBefehl%1").arg(i + 1));
        txtBefehl[i]->setMaxLength(kUnlimitedText);
    }
    cmdQuit = named<QPushButton>(m_client, "cmdQuit");
    buildFindBar();

    stbStatus = new QLabel(this);
    stbStatus->setObjectName(QStringLiteral("stbStatus"));
    // The port's status gives way first when the bar is short of room, then
    // the line field; its tool tip and name keep all of it.
    stbStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->setObjectName(QStringLiteral("stbStatusBar"));
    statusBar()->addWidget(stbStatus, 1);
    lblLineInfo = new QLabel(this);
    lblLineInfo->setObjectName(QStringLiteral("lblLineInfo"));
    lblLineInfo->setVisible(false);
    // Its text changes with every selection: it may be cut, but it never
    // widens the window (the tool tip holds all of it).
    lblLineInfo->setMinimumWidth(1);
    statusBar()->addPermanentWidget(lblLineInfo);
    stbRecording = new QLabel(this);
    stbRecording->setObjectName(QStringLiteral("stbRecording"));
    stbRecording->setVisible(false);
    statusBar()->addPermanentWidget(stbRecording);
    stbTriggers = new QLabel(this);
    stbTriggers->setObjectName(QStringLiteral("stbTriggers"));
    stbTriggers->setVisible(false);
    statusBar()->addPermanentWidget(stbTriggers);
    stbWaiting = new QLabel(this);
    stbWaiting->setObjectName(QStringLiteral("stbWaiting"));
    stbWaiting->setVisible(false);
    statusBar()->addPermanentWidget(stbWaiting);
    statusBar()->setSizeGripEnabled(true);

    for (QWidget *w :
         {static_cast<QWidget *>(txtSend), static_cast<QWidget *>(cmdInsertSpecialChar),
          static_cast<QWidget *>(cmdSend), static_cast<QWidget *>(cmdDelete)})
        w->setEnabled(false);
    for (QWidget *w : {static_cast<QWidget *>(chkRepeat), static_cast<QWidget *>(chkRepeatCommandConfig),
                       static_cast<QWidget *>(txtWaitTime), static_cast<QWidget *>(labDelay)})
        w->setVisible(false);
    for (QPushButton *b : cmdBefehl)
        b->setEnabled(false);
    // Buttons react to Enter only through the key filter, never as defaults.
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);
    for (QObject *o : m_client->findChildren<QWidget *>())
        o->installEventFilter(this);
}

void frmMain::buildMenus()
{
    auto action = [](QMenu *menu, const char *name) {
        QAction *a = menu->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mnuFile = menuBar()->addMenu(QString());
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFilePort = action(mnuFile, "mnuFilePort");
    mnuFilePort->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuSpacePort"));
    mnuFileLoadConfig = action(mnuFile, "mnuFileLoadConfig");
    mnuFileSaveConfig = action(mnuFile, "mnuFileSaveConfig");
    mnuFileSaveLog = action(mnuFile, "mnuFileSaveLog");
    mnuFileRecordLog = action(mnuFile, "mnuFileRecordLog");
    mnuFileRecordLog->setCheckable(true);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuSpace1"));
    mnuFileQuit = action(mnuFile, "mnuFileQuit");
    mnuEdit = menuBar()->addMenu(QString());
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditSettings = action(mnuEdit, "mnuEditSettings");
    buildTriggerMenu();
    buildChecksumMenu();
    buildLineControls();
    buildViewMenu();
    buildFindMenu();
    buildSendFile();
    mnuQuestion = menuBar()->addMenu(QString());
    mnuQuestion->setObjectName(QStringLiteral("mnuQuestion"));
    mnuQuestionProgramInfo = action(mnuQuestion, "mnuQuestionProgramInfo");

    mnuLog = new QMenu(this);
    mnuLog->setObjectName(QStringLiteral("mnuLog"));
    mnuLogCopyLine = action(mnuLog, "mnuLogCopyLine");
    mnuLogCopyAll = action(mnuLog, "mnuLogCopyAll");
    mnuLog->addSeparator();
    mnuLog->addAction(mnuFileSaveLog);
}

void frmMain::placeControls()
{
    auto place = [this](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(Twips::toPixels(QRect(left, top, width, height), m_dpi));
    };
    place(labSendText, 60, 120, 1620, 195);
    place(labSendReceiveText, 60, 690, 2700, 195);
    for (int i = 0; i < 8; ++i) {
        place(cmdBefehl[i], 120, kSlotButtonTops[i], 3300, 315);
        place(txtBefehl[i], 120, kSlotBoxTops[i], 3300, 315);
    }
    const int clientWidth = Twips::toPixels(MainLayout::kClientWidth, m_dpi);
    const int clientHeight = Twips::toPixels(MainLayout::kStatusTop, m_dpi);
    const int statusHeight = Twips::toPixels(MainLayout::kStatusHeight, m_dpi);
    m_client->setMinimumSize(clientWidth, clientHeight);
    statusBar()->setFixedHeight(statusHeight);
    resize(clientWidth, clientHeight + statusHeight + menuBar()->sizeHint().height());
    ArrangeControls();
}

void frmMain::Form_Load()
{
    CommandTexts slots;
    fkt_MainLoadSettings(m_settings, slots);
    if (m_unloaded)
        return; // the system ended the program while the settings were read
    removeLeftoversOfSaves(m_settings.DataFolder);
    m_stamps = stampProfileFiles(m_settings.DataFolder);
    loadTriggers();
    m_history.load(SendHistory::filePath(m_settings.DataFolder));
    setSlotTexts(slots);
    restorePlace();
    if (m_portForThisRun > 0) {
        m_storedComPort = m_settings.ComPort;
        m_settings.ComPort = quint8(m_portForThisRun - 1);
    }
    // From here on an unload saves what was loaded, also when the system ends
    // the program while the port's error box is open.
    txtWaitTime->setText(QString::number(m_settings.WaitTime));
    m_settingsLoaded = true;
    // A server across the network may take seconds to answer, or never: the
    // window shows first (see showEvent).
    m_openWhenShown = m_port.mayWaitToOpen(qint16(m_settings.ComPort + 1));
    if (m_openWhenShown) {
        setStatusText(fkt_ToolsGetResString(1600, m_settings.Language));
        m_engine->connection().fkt_MainEnableControls(false);
    } else {
        m_engine->connection().fkt_MainOpenPort();
    }
    ApplyLanguage();
    resumeRecording();
    for (QLineEdit *box : txtBefehl)
        box->setToolTip(box->text());
    txtSend->setText(QString());
    UpdateSendButton();
    m_activeTextBox = txtSend;
    updateChecksumItems();
    showHexViewSetting();
    if (m_history.tooLarge()) // after the port's status, which would clear it
        showStatusMessage(fkt_ToolsGetResString(2275, m_settings.Language));
    mnuViewPlot->setChecked(m_settings.PlotView == 1);
    showPlot(m_settings.PlotView == 1);
    tellSkippedTriggers();
    if (!m_unloaded)
        m_engine->startTimers();
}

void frmMain::unloadForSystem()
{
    m_unloadForSystem = true;
    Form_Unload();
    hide();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Saving may let events run; nothing is sent or polled from here on.
    m_engine->shutDown();
    // The last lines reach the file before the program can end.
    rememberRecording();
    m_recorder->finish();
    QList<SaveFailure> failures;
    rememberPlace();
    // The port given for this run only is not stored.
    if (m_storedComPort)
        m_settings.ComPort = *m_storedComPort;
    // The box is read as the quiet time reads it; a text that does not begin
    // with a 16-bit number keeps the stored value.
    if (m_settingsLoaded)
        failures = fkt_MainSaveSettings(m_settings, NumberText::startingInt16(txtWaitTime->text()),
                                        slotTexts(), keepOtherWindowsFiles());
    if (m_settingsLoaded)
        saveTriggersAtEnd(failures);
    // Only a window that sent something replaces the history.
    if (m_settingsLoaded && m_history.changed()) {
        const QString historyFile = SendHistory::filePath(m_settings.DataFolder);
        if (const int error = m_history.save(historyFile))
            failures.append({historyFile, error});
    }
    saveLastLog(failures);
    try {
        if (m_port.PortOpen())
            m_port.setPortOpen(false);
    } catch (const PortError &) {
        // The program ends either way.
    }
    reportSaveFailures(failures);
}

// A stray Esc must not lose the run's log: it is kept as LastLog.txt, in the
// form a saved log has, until the next run that logged something ends. An
// empty log leaves the file of the run before.
void frmMain::saveLastLog(QList<SaveFailure> &failures)
{
    const TrafficLog &log = m_engine->log();
    if (!m_settingsLoaded || log.count() == 0)
        return;
    const QString path = LogFile::lastLogPath(m_settings.DataFolder);
    if (const int error = LogFile::save(log, path, m_engine->connection().portDescription(),
                                        QDateTime::currentDateTimeUtc()))
        failures.append({path, error});
}

// The old files are still there, but the user must not believe the changes
// were kept.
void frmMain::reportSaveFailures(const QList<SaveFailure> &failures)
{
    if (failures.isEmpty())
        return;
    const quint8 lang = m_settings.Language;
    QStringList lines;
    for (const SaveFailure &failure : failures)
        lines << fkt_FormatInsertParam(fkt_ToolsGetResString(1840, lang),
                                       {quotedValue(QDir::toNativeSeparators(failure.path)),
                                        fileErrorReason(failure.error, lang)});
    if (m_unloadForSystem) {
        // Nobody may be there to close a box: the session is ending.
        for (const QString &line : std::as_const(lines))
            std::fprintf(stderr, "Lintrova: %s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    MessageBoxes::show({this, MessageBoxes::Icon::Critical, fkt_ToolsGetResString(1841, lang),
                        lines.join(u'\n')});
}

// Another window on the same data folder (without a profile, or with the
// same one) may have saved a file since this one read it: it is overwritten
// only when the user says so. Nobody may be there to answer when the system
// ends the program, so the other's file stays then.
SaveSelection frmMain::keepOtherWindowsFiles()
{
    SaveSelection which;
    if (!m_settingsLoaded)
        return which;
    const quint8 lang = m_settings.Language;
    const ProfileStamps now = stampProfileFiles(m_settings.DataFolder);
    const std::optional<qint16> waitTime = NumberText::startingInt16(txtWaitTime->text());
    const bool settingsHeld = settingsFileHolds(m_settings, waitTime);
    const bool commandsHeld = commandFileHolds(m_settings.DataFolder, slotTexts());
    const auto mayWrite = [this, lang](const FileStamp &seen, const FileStamp &current, bool held,
                                       const QString &path) {
        // A file removed meanwhile is simply written again; one that holds
        // this window's values already loses nothing.
        if (seen == current || !current.readable() || held)
            return true;
        const QString shown = quotedValue(QDir::toNativeSeparators(path));
        if (m_unloadForSystem) {
            const QString line = fkt_FormatInsertParam(fkt_ToolsGetResString(1922, lang), {shown});
            std::fprintf(stderr, "Lintrova: %s\n", line.toLocal8Bit().constData());
            std::fflush(stderr);
            return false;
        }
        return MessageBoxes::ask(
            {this, MessageBoxes::Icon::None, fkt_ToolsGetResString(1921, lang),
             fkt_FormatInsertParam(fkt_ToolsGetResString(1920, lang), {shown})});
    };
    which.settingsFile = mayWrite(m_stamps.settingsFile, now.settingsFile, settingsHeld,
                                  SettingsFilePath(m_settings.DataFolder));
    which.commandFile = mayWrite(m_stamps.commandFile, now.commandFile, commandsHeld,
                                 DefaultCommandFilePath(m_settings.DataFolder));
    return which;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmMain::ApplyLanguage()
{
    const quint8 lang = m_settings.Language;
    auto res = [lang](qint32 id) { return fkt_ToolsGetResString(id, lang); };
    QtTranslations::apply(lang);
    const QString profile = SystemFolders::Profile();
    setWindowTitle(profile.isEmpty() ? res(1000) : res(1000) + QStringLiteral(" – ") + profile);
    mnuFile->setTitle(res(1001));
    showPortState();
    mnuFileQuit->setText(res(1002));
    mnuFileLoadConfig->setText(res(2250)); // 1007 and 1008 without the mnemonic
    mnuFileSaveConfig->setText(res(2251));
    mnuFileSaveLog->setText(res(1800));
    mnuFileRecordLog->setText(res(1870));
    mnuLogCopyLine->setText(res(1801));
    mnuLogCopyAll->setText(res(1802));
    cmdBlockcheck->setText(res(1010));
    fraCommands->setTitle(res(1009));
    mnuEdit->setTitle(res(1003));
    mnuEditSettings->setText(res(1004));
    showTriggerState();
    mnuQuestion->setTitle(res(1005));
    mnuQuestionProgramInfo->setText(res(1006));
    applyViewLanguage();
    applyFindLanguage();
    applySendFileLanguage();
    applyLinesLanguage();
    labSendText->setText(res(1030));
    labSendReceiveText->setText(res(1031));
    // Qt names a control by its label only beside it; the log lies in the
    // splitter it shares with the plot.
    lstSendReceive->setAccessibleName(QString(res(1031)).remove(QRegularExpression("&(?!&)")));
    cmdInsertSpecialChar->setText(res(1032));
    cmdSend->setText(res(1033));
    cmdDelete->setText(res(1034));
    for (int n = 1; n <= 8; ++n) {
        const QString number = QString::number(n);
        cmdBefehl[n - 1]->setText(fkt_FormatInsertParam(res(1035), {number, number}));
        // The frame's title would name all eight boxes alike.
        txtBefehl[n - 1]->setAccessibleName(fkt_FormatInsertParam(res(1860), {number}));
    }
    cmdQuit->setText(res(1036));
    showRecordingState();
    updateLineInfo();

    const bool showOptions = m_settings.ShowOptions == 1;
    for (QWidget *w : {static_cast<QWidget *>(chkRepeat), static_cast<QWidget *>(chkRepeatCommandConfig),
                       static_cast<QWidget *>(txtWaitTime), static_cast<QWidget *>(labDelay)})
        w->setVisible(showOptions);
    if (!showOptions) { // hidden repetition cannot stay switched on
        chkRepeat->setChecked(false);
        chkRepeatCommandConfig->setChecked(false);
    }
    fitLabels();
    ArrangeControls();
}

void frmMain::fitLabels()
{
    // The design widths were made for a narrower face; a caption that does
    // not fit is given the room it needs rather than being cut off.
    for (QLabel *label : {labSendText, labSendReceiveText}) {
        const int needed = label->sizeHint().width();
        if (label->width() < needed)
            label->resize(needed, label->height());
    }
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    ArrangeControls();
}

void frmMain::ArrangeControls()
{
    if (isMinimized())
        return;
    // The window's minimum size keeps it at least at the design size in its
    // normal state; a maximized window on a small screen is laid out as it is.
    const int dx = qRound(Twips::fromPixels(m_client->width(), m_dpi)) - MainLayout::kClientWidth;
    const int dy = qRound(Twips::fromPixels(m_client->height(), m_dpi)) - MainLayout::kStatusTop;
    const MainLayout::Geometry g = MainLayout::arrange(dx, dy, chkRepeat->isVisibleTo(this));
    auto put = [this](QWidget *w, const QRect &twips) {
        w->setGeometry(Twips::toPixels(twips, m_dpi));
    };
    // The find bar takes the bottom of the log's room.
    QRect list = g.lstSendReceive;
    if (fraFind->isVisibleTo(this)) {
        constexpr int kGap = 45;
        const int barHeight = placeFindResult(Twips::toPixels(list.width(), m_dpi));
        put(fraFind, QRect(list.left(), list.bottom() + 1 - barHeight, list.width(), barHeight));
        list.setHeight(list.height() - barHeight - kGap);
    }
    put(splLog, list);
    put(cmdDelete, g.cmdDelete);
    put(txtSend, g.txtSend);
    put(cmdQuit, g.cmdQuit);
    put(cmdSend, g.cmdSend);
    put(fraCommands, g.fraCommands);
    put(cmdBlockcheck, g.cmdBlockcheck);
    put(cmdInsertSpecialChar, g.cmdInsertSpecialChar);
    put(chkRepeat, g.chkRepeat);
    put(chkRepeatCommandConfig, g.chkRepeatCommandConfig);
    put(txtWaitTime, g.txtWaitTime);
    put(labDelay, g.labDelay);
}

void frmMain::UpdateSendButton()
{
    cmdSend->setEnabled(!txtSend->text().isEmpty() && cmdBefehl[0]->isEnabled());
}

void frmMain::setSlotTexts(const std::array<QString, 8> &texts)
{
    for (int i = 0; i < 8; ++i)
        txtBefehl[i]->setText(texts[i]);
}

std::array<QString, 8> frmMain::slotTexts() const
{
    std::array<QString, 8> texts;
    for (int i = 0; i < 8; ++i)
        texts[i] = txtBefehl[i]->text();
    return texts;
}
