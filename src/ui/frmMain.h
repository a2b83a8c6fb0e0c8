#pragma once

#include "app/SendHistory.h"
#include "app/SettingsStore.h"
#include "engine/NotSentNotice.h"
#include "engine/TerminalView.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "text/Checksums.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class PlotPanel;
class LineIndicators;
class LogRecorder;
class LogView;
class SerialPortControl;
class TerminalEngine;
struct SettingsRecord;

// The program's main window: the text to send, the traffic log, the eight
// command slots, the repetition controls, the status bar and the menus. What
// sending, receiving and repetition do is the engine's business; the window
// routes its controls to it.
class frmMain : public QMainWindow, private TerminalView {
    Q_OBJECT
public:
    // Asks for a command file: save or open; empty when cancelled.
    using FileChooser = std::function<QString(bool save)>;
    // Asks where to save the log, offering a path; empty when cancelled.
    using LogFileChooser = std::function<QString(const QString &suggested)>;
    // Opens a dialog of the program modally.
    using DialogOpener = std::function<void(frmMain &)>;

    // How long a message in the status bar covers the port's status.
    static constexpr int kStatusMessageMs = 5000;

    frmMain(SettingsRecord &settings, SerialPortControl &port, QWidget *parent = nullptr);
    ~frmMain() override;

    // The start sequence: settings and command slots, the port, the captions.
    // A port across the network is opened once the window is shown, so the
    // window never waits for its server to appear.
    void Form_Load();

    // Opens COMn in this run instead of the stored port (--port); the stored
    // ComPort changes only when the settings dialog is accepted. Before
    // Form_Load.
    void setPortForThisRun(int comNumber) { m_portForThisRun = comNumber; }

    // Unloads the window as Esc does, for the system ending the program (a
    // signal, the desktop session's end): no message box is shown, a failed
    // save is written to standard error. Only the first unload saves.
    void unloadForSystem();

    TerminalEngine &engine() { return *m_engine; }
    SettingsRecord &settings() { return m_settings; }
    QLineEdit *ActiveTextBox() const { return m_activeTextBox; }

    void cmdBlockcheck_Click();
    void cmdInsertSpecialChar_Click();
    void lstSendReceive_DblClick();
    void mnuFileLoadConfig_Click();
    void mnuFileSaveConfig_Click();
    void mnuFileSaveLog_Click();
    // Ticked: asks for a file and records the log to it; unticked: stops.
    void mnuFileRecordLog_Click(bool checked);
    void mnuEditSettings_Click();
    // Edit > Triggers...: the rules' dialog; Accept writes Triggers.ini at once.
    void mnuEditTriggers_Click();
    // Edit > Triggers active (Ctrl+T): the switch of all rules.
    void mnuEditTriggersActive_Click(bool checked);
    // File > Open port / Close port: closes the port in use (open,
    // connecting or awaited), otherwise opens the chosen one.
    void mnuFilePort_Click();
    // Appends the check of the active box's bytes to it as a hex token.
    void mnuEditChecksum_Click(Checksum kind);
    // Ticked: the log shows its lines in hex.
    void mnuViewHex_Click(bool checked);
    // View > Check checksum: 0 off, else the algorithm of that number (1-7,
    // in the order of kChecksums) checks every [IN] line.
    void mnuViewCheck_Click(int choice);
    // Ticked: the plot panel shows under the log.
    void mnuViewPlot_Click(bool checked);
    void mnuQuestionProgramInfo_Click();
    // Asks for a file and the pause after each line end, and sends it.
    void mnuFileSendFile_Click();

    void ApplyLanguage();
    void ArrangeControls();
    void UpdateSendButton();

    LogRecorder &recorder() { return *m_recorder; }

    // Test seams: the file dialog and the three dialogs.
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    void setLogFileChooser(LogFileChooser chooser) { m_logFileChooser = std::move(chooser); }
    void setSendFileChooser(std::function<QString()> chooser)
    {
        m_sendFileChooser = std::move(chooser);
    }
    void setSettingsDialog(DialogOpener opener) { m_settingsDialog = std::move(opener); }
    void setProgramInfoDialog(DialogOpener opener) { m_programInfoDialog = std::move(opener); }
    // The port list text the settings dialog offers; without one, no port is found.
    void setPortListSource(std::function<QString()> source) { m_portListSource = std::move(source); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void buildMenus();
    void buildChecksumMenu();
    void buildViewMenu();
    void buildLineControls();
    void applyLinesLanguage();
    void applyViewLanguage();
    void buildFindBar();
    void buildSendFile();
    void applySendFileLanguage();
    void buildFindMenu();
    void connectFindBar();
    void applyFindLanguage();
    void showFindBar();
    void closeFindBar();
    bool inFindBar(const QObject *watched) const;
    int placeFindResult(int width);
    // Finds the next (previous) line with the find bar's text.
    void findInLog(bool backwards);
    QString findTextRefusal() const;
    void mnuViewFollow_Click(bool checked);
    void selectionMoved();
    // Writes the status bar's field about the log's lines: the count held
    // back and the selected line's time figures.
    void updateLineInfo();
    void showHexViewSetting();
    void applyChecksumMarks();
    void buildPlot();
    void connectPlot();
    void showPlot(bool shown);
    void placePlot();
    bool inPlot(const QObject *watched) const;
    void savePlot();
    void saveValues();
    // Asks for a file for the plot's picture (or its values) and writes
    // bytes to it; a failure is told in a box.
    void savePlotFile(bool picture, const QByteArray &bytes);
    void updateChecksumItems();
    std::optional<QByteArray> checkedBytes(QLineEdit *box, const NotSentNotice::FaultTexts &texts);
    void connectControls();
    void placeControls();
    void applyTabOrder();
    void fitLabels();
    void Form_Unload();
    void saveLastLog(QList<SaveFailure> &failures);
    void restorePlace();
    WindowPlace currentPlace() const;
    void rememberPlace();
    void reportSaveFailures(const QList<SaveFailure> &failures);
    SaveSelection keepOtherWindowsFiles();
    void restampCommandFile(const QString &path);
    void showPortState();
    void buildTriggerMenu();
    void loadTriggers();
    void tellSkippedTriggers();
    void showTriggerState();
    void saveTriggersAtEnd(QList<SaveFailure> &failures);
    void setSlotTexts(const std::array<QString, 8> &texts);
    std::array<QString, 8> slotTexts() const;
    QString chooseCommandFile(bool save);
    void showLogMenu(const QPoint &viewportPoint);
    bool startRecording(const QString &path);
    void stopRecording();
    void showRecordingState();
    void resumeRecording();
    void rememberRecording();
    void recordingFailed(const QString &path, int errorNumber);
    void tellRecordingProblem(const QString &text);
    void statusMessageChanged(const QString &message);
    bool handleKeyPress(QObject *watched, QKeyEvent *event);
    bool walkHistory(int key);
    bool handleKeyRelease(QObject *watched, QKeyEvent *event);
    int slotOf(const QObject *watched) const;
    void focusEntered(QWidget *control, Qt::FocusReason reason);
    void rememberFocusOfPortControls();
    void returnFocusToPortControls();

    // TerminalView
    QString sendText() const override;
    void setSendText(const QString &text) override;
    QString slotText(int slot) const override;
    QString waitTimeText() const override;
    bool repeatChecked() const override;
    bool repeatCommandConfigChecked() const override;
    void pressSendButton() override;
    void pressSlotButton(int slot) override;
    void enablePortControls(bool enabled) override;
    void setStatusText(const QString &text) override;
    void setWaitingText(const QString &text) override;
    void setPortInUse(bool inUse) override;
    void showCriticalMessage(const QString &title, const QString &text) override;
    void showPlainMessage(const QString &text) override;
    bool modalDialogOpen() const override;
    void showStatusMessage(const QString &text) override;
    void clearStatusMessage() override;
    void selectInSendBox(qsizetype start, qsizetype length) override;
    void showFileProgress(const QString &text) override;
    void showLines(const LineState &state) override;

    SettingsRecord &m_settings;
    SerialPortControl &m_port;
    std::unique_ptr<TerminalEngine> m_engine;
    std::unique_ptr<LogRecorder> m_recorder; // reads the engine's log, so goes first
    double m_dpi = 96.0;
    bool m_unloaded = false;
    bool m_settingsLoaded = false;  // an unload before this saves nothing
    bool m_unloadForSystem = false; // failures go to standard error
    bool m_openWhenShown = false;   // the start's opening waits for the window to show
    bool m_portInUse = false;       // the File menu offers to close the port
    int m_portForThisRun = 0;       // --port's COM number; 0: the stored one
    std::optional<quint8> m_storedComPort; // ComPort to save while --port's stands
    std::optional<WindowPlace> m_placeShown; // where the window stood when first active
    ProfileStamps m_stamps;                // the window's own files as it read or last wrote them
    FileStamp m_triggersStamp;             // Triggers.ini as the window read or last wrote it
    SendHistory m_history;                 // the texts sent from the send box
    FileChooser m_fileChooser;
    LogFileChooser m_logFileChooser;
    QString m_logFolder; // where the log was last saved or recorded
    std::function<QString()> m_sendFileChooser;
    QString m_sendFolder;          // where the file last sent lies
    bool m_fileSending = false;    // a file goes out
    bool m_portControlsOn = false; // as enablePortControls had it last
    DialogOpener m_settingsDialog;
    DialogOpener m_programInfoDialog;
    std::function<QString()> m_portListSource;

    QWidget *m_client = nullptr;
    QLabel *labSendText = nullptr;
    QLineEdit *txtSend = nullptr;
    QPushButton *cmdInsertSpecialChar = nullptr;
    QPushButton *cmdSend = nullptr;
    QPushButton *cmdBlockcheck = nullptr;
    QLabel *labSendReceiveText = nullptr;
    QSplitter *splLog = nullptr; // the log above, the plot below
    LogView *lstSendReceive = nullptr;
    PlotPanel *fraPlot = nullptr;
    bool m_plotPlaced = false; // the splitter was given the plot's first share
    int m_plotHeight = 0;      // pixels: the plot's last height shown, or the stored one
    bool m_plotMoved = false;  // the user moved the splitter
    QPushButton *cmdDelete = nullptr;
    QCheckBox *chkRepeat = nullptr;
    QCheckBox *chkRepeatCommandConfig = nullptr;
    QLineEdit *txtWaitTime = nullptr;
    QLabel *labDelay = nullptr;
    QGroupBox *fraCommands = nullptr;
    std::array<QPushButton *, 8> cmdBefehl{};
    std::array<QLineEdit *, 8> txtBefehl{};
    QPushButton *cmdQuit = nullptr;
    QLabel *stbStatus = nullptr;
    QLabel *lblLineInfo = nullptr;  // lines held back, the selected line's times
    QLabel *stbRecording = nullptr; // shown while the log is recorded
    QLabel *stbWaiting = nullptr;   // shown while a port is awaited
    LineIndicators *fraLines = nullptr; // the DTR and RTS switches, the modem lines
    QLabel *stbTriggers = nullptr;  // shown while trigger rules run
    QAction *mnuEditTriggers = nullptr;
    QAction *mnuEditTriggersActive = nullptr;
    QTimer m_lineInfoTimer;         // gathers the count of lines streaming in
    QWidget *fraFind = nullptr;     // the find bar below the log
    QLabel *labFind = nullptr;
    QLineEdit *txtFind = nullptr;
    QPushButton *cmdFindNext = nullptr;
    QPushButton *cmdFindPrevious = nullptr;
    QLabel *labFindResult = nullptr;
    QPushButton *cmdFindClose = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuFilePort = nullptr; // Open port / Close port
    QAction *mnuFileLoadConfig = nullptr;
    QAction *mnuFileSaveConfig = nullptr;
    QAction *mnuFileSaveLog = nullptr;
    QAction *mnuFileRecordLog = nullptr;
    QAction *mnuFileSendFile = nullptr;
    QWidget *fraFileProgress = nullptr; // in the line field's place while a file goes out
    QLabel *lblFileProgress = nullptr;
    QPushButton *cmdFileCancel = nullptr;
    QMenu *mnuLog = nullptr; // the log's context menu
    QAction *mnuLogCopyLine = nullptr;
    QAction *mnuLogCopyAll = nullptr;
    int m_logMenuRow = -1;
    QAction *mnuFileQuit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuEditSettings = nullptr;
    QMenu *mnuEditChecksum = nullptr;
    std::array<QAction *, kChecksums.size()> mnuEditChecksumItems{};
    QAction *mnuEditBreak = nullptr;
    QAction *mnuEditDtr = nullptr;
    QAction *mnuEditRts = nullptr;
    QMenu *mnuView = nullptr;
    QAction *mnuViewHex = nullptr;
    QMenu *mnuViewCheck = nullptr;
    std::array<QAction *, kChecksums.size() + 1> mnuViewCheckItems{}; // off, then kChecksums
    QAction *mnuViewPlot = nullptr;
    QAction *mnuViewFind = nullptr;
    QAction *mnuViewFollow = nullptr;
    QAction *mnuViewFindNext = nullptr;
    QAction *mnuViewFindPrevious = nullptr;
    QMenu *mnuQuestion = nullptr;
    QAction *mnuQuestionProgramInfo = nullptr;
    QLineEdit *m_activeTextBox = nullptr;
    // Switching the port controls off hands the focus to the log; the control
    // the user had left it in gets it back when they are switched on again,
    // unless the user has moved it meanwhile.
    QPointer<QWidget> m_focusToReturn;
    bool m_switchingPortControls = false;
};
