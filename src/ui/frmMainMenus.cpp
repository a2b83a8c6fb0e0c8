// The menus, the log line box and the command file dialogs of the main window.

#include "ui/frmMain.h"

#include "app/CommandFile.h"
#include "app/modGlobal.h"
#include "engine/TerminalEngine.h"
#include "text/StringTable.h"
#include "ui/CommandFileDialog.h"
#include "engine/LogFile.h"
#include "text/FileErrorText.h"
#include "text/QuotedValue.h"
#include "text/modFormat.h"
#include "ui/InputBox.h"
#include "ui/LogFileDialog.h"
#include "ui/LogView.h"
#include "ui/MessageBoxes.h"
#include "ui/InsertSpecialChar.h"
#include "ui/frmProgramInfo.h"
#include "ui/frmSettings.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>

void frmMain::lstSendReceive_DblClick()
{
    const TrafficLog &log = m_engine->log();
    const int selected = log.selectedIndex();
    const bool valid = selected >= 0 && selected < log.count();
    const QString prompt = fkt_ToolsGetResString(1050, m_settings.Language) + u' ' +
                           QString::number(valid ? selected + 1 : 0);
    InputBox::show({this, prompt, QStringLiteral("Lintrova"),
                    valid ? lstSendReceive->shownLine(selected) : QString()});
}

QString frmMain::chooseCommandFile(bool save)
{
    if (m_fileChooser)
        return m_fileChooser(save);
    return CommandFileDialog::choose(this, save, m_settings);
}

void frmMain::mnuFileLoadConfig_Click()
{
    QString chosen;
    const auto texts = fkt_MainLoadCommandFile(
        QString(), [this, &chosen] { return chosen = chooseCommandFile(false); });
    if (texts)
        setSlotTexts(*texts);
    restampCommandFile(chosen);
}

void frmMain::mnuFileSaveConfig_Click()
{
    QString chosen;
    fkt_MainSaveCommandFile(QString(), slotTexts(),
                            [this, &chosen] { return chosen = chooseCommandFile(true); });
    restampCommandFile(chosen);
}

void frmMain::mnuFileSaveLog_Click()
{
    const quint8 lang = m_settings.Language;
    const QString suggested =
        LogFileDialog::suggestedPath(m_logFolder, QDateTime::currentDateTimeUtc());
    const QString path = m_logFileChooser ? m_logFileChooser(suggested)
                                          : LogFileDialog::choose(this, suggested, lang);
    if (path.isEmpty())
        return;
    m_logFolder = QFileInfo(path).absolutePath();
    const int error = LogFile::save(m_engine->log(), path, m_engine->connection().portDescription(),
                                    QDateTime::currentDateTimeUtc());
    if (error == 0)
        return;
    const QString text = fkt_FormatInsertParam(fkt_ToolsGetResString(1805, lang),
                                               {quotedValue(path), fileErrorReason(error, lang)});
    MessageBoxes::show({this, MessageBoxes::Icon::Critical, fkt_ToolsGetResString(1806, lang), text});
}

void frmMain::showLogMenu(const QPoint &viewportPoint)
{
    m_logMenuRow = lstSendReceive->rowAt(viewportPoint);
    const bool range = m_engine->log().selectedCount() > 1;
    mnuLogCopyLine->setText(fkt_ToolsGetResString(range ? 2160 : 1801, m_settings.Language));
    mnuLogCopyLine->setEnabled(range || m_logMenuRow >= 0);
    mnuLogCopyAll->setEnabled(m_engine->log().count() > 0);
    mnuLog->popup(lstSendReceive->viewport()->mapToGlobal(viewportPoint));
}

void frmMain::mnuEditSettings_Click()
{
    bool accepted = false;
    if (m_settingsDialog) {
        m_settingsDialog(*this);
    } else {
        const auto portList = m_portListSource ? m_portListSource
                                               : [] { return QStringLiteral("0"); };
        frmSettings dialog(
            m_settings, portList, [&accepted] { accepted = true; }, this);
        dialog.setQuietTimeText(txtWaitTime->text());
        if (dialog.exec() == QDialog::Accepted)
            txtWaitTime->setText(dialog.quietTimeText());
    }
    ApplyLanguage();
    // The port opens once the dialog has gone, as at the start: a server
    // across the network may keep it waiting, and a box about the opening
    // belongs over the main window. Accepting stores the port shown, also one
    // given for this run only.
    if (accepted) {
        m_storedComPort.reset();
        m_engine->connection().fkt_MainOpenPort();
    }
}

void frmMain::mnuQuestionProgramInfo_Click()
{
    if (m_programInfoDialog) {
        m_programInfoDialog(*this);
        return;
    }
    frmProgramInfo dialog(m_settings.Language, this);
    dialog.exec();
}

void frmMain::cmdInsertSpecialChar_Click()
{
    fkt_ToolsShowSpecialCharDialog(2, m_settings, m_activeTextBox, this);
}
