// Recording the traffic log to a file as it happens: the File menu's tick,
// the field in the status bar, the file remembered from one run to the next.

#include "ui/frmMain.h"

#include "app/SettingsStore.h"
#include "app/modGlobal.h"
#include "engine/LogRecorder.h"
#include "engine/TerminalEngine.h"
#include "text/FileErrorText.h"
#include "text/QuotedValue.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/LogFileDialog.h"
#include "ui/MessageBoxes.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <cerrno>
#include <cstdio>

void frmMain::mnuFileRecordLog_Click(bool checked)
{
    if (!checked) {
        stopRecording();
        return;
    }
    const QString suggested =
        LogFileDialog::suggestedPath(m_logFolder, QDateTime::currentDateTimeUtc());
    const QString path =
        m_logFileChooser ? m_logFileChooser(suggested)
                         : LogFileDialog::choose(this, suggested, m_settings.Language,
                                                 LogFileDialog::Purpose::Record);
    if (path.isEmpty()) {
        showRecordingState(); // unticks
        return;
    }
    m_logFolder = QFileInfo(path).absolutePath();
    startRecording(path);
}

bool frmMain::startRecording(const QString &path)
{
    const int error = m_recorder->start(path, m_engine->connection().portDescription());
    showRecordingState();
    if (error == 0) {
        m_settings.RecordLogKeys = true;
        return true;
    }
    const quint8 lang = m_settings.Language;
    const QString shown = quotedValue(QDir::toNativeSeparators(path));
    tellRecordingProblem(error == EWOULDBLOCK
                             ? fkt_FormatInsertParam(fkt_ToolsGetResString(1873, lang), {shown})
                             : fkt_FormatInsertParam(fkt_ToolsGetResString(1874, lang),
                                                     {shown, fileErrorReason(error, lang)}));
    return false;
}

void frmMain::stopRecording()
{
    m_recorder->stop();
    showRecordingState();
}

// The menu's tick and the status field follow the recorder, whatever stopped it.
void frmMain::showRecordingState()
{
    const quint8 lang = m_settings.Language;
    const bool on = m_recorder->recording();
    mnuFileRecordLog->setChecked(on);
    stbRecording->setText(fkt_ToolsGetResString(1877, lang));
    stbRecording->setAccessibleName(fkt_ToolsGetResString(1879, lang));
    const QString file = on ? QDir::toNativeSeparators(m_recorder->path()) : QString();
    stbRecording->setToolTip(on ? fkt_FormatInsertParam(fkt_ToolsGetResString(1878, lang), {file})
                                : QString());
    stbRecording->setAccessibleDescription(file);
    stbRecording->setVisible(on);
}

// A recording running at the last end goes on, appending to its file.
void frmMain::resumeRecording()
{
    if (!m_settings.RecordLogFile.isEmpty() && m_logFolder.isEmpty())
        m_logFolder = QFileInfo(m_settings.RecordLogFile).absolutePath();
    if (m_settings.RecordLog != 1 || m_settings.RecordLogFile.isEmpty() || m_unloaded)
        return;
    if (!startRecording(m_settings.RecordLogFile))
        m_settings.RecordLog = 0;
}

// A path the settings file cannot give back unchanged (no valid text) is not
// kept: the next start would record somewhere else.
void frmMain::rememberRecording()
{
    if (!m_settings.RecordLogKeys || m_recorder->path().isEmpty())
        return;
    const QString path = m_recorder->path();
    const bool keepable = isKeepableRecordLogFile(path);
    m_settings.RecordLog = m_recorder->recording() && keepable ? 1 : 0;
    if (keepable)
        m_settings.RecordLogFile = path;
}

void frmMain::recordingFailed(const QString &path, int errorNumber)
{
    showRecordingState();
    const quint8 lang = m_settings.Language;
    const QString reason = errorNumber == LogRecorder::kFileGone
                               ? fkt_ToolsGetResString(1876, lang)
                               : fileErrorReason(errorNumber, lang);
    tellRecordingProblem(fkt_FormatInsertParam(
        fkt_ToolsGetResString(1875, lang), {quotedValue(QDir::toNativeSeparators(path)), reason}));
}

void frmMain::tellRecordingProblem(const QString &text)
{
    if (m_unloaded) {
        // The window is gone or the session is ending; nobody may close a box.
        std::fprintf(stderr, "Lintrova: %s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    MessageBoxes::show({this, MessageBoxes::Icon::Critical,
                        fkt_ToolsGetResString(1872, m_settings.Language), text});
}
