// The menus, the log line box and the command file dialogs of the main window.

#include "ui/frmMain.h"

#include "app/CommandFile.h"
#include "app/modGlobal.h"
#include "engine/TerminalEngine.h"
#include "text/StringTable.h"
#include "ui/CommandFileDialog.h"
#include "ui/InputBox.h"
#include "ui/InsertSpecialChar.h"
#include "ui/frmProgramInfo.h"
#include "ui/frmSettings.h"

#include <QLineEdit>

void frmMain::lstSendReceive_DblClick()
{
    const TrafficLog &log = m_engine->log();
    const int selected = log.selectedIndex();
    const bool valid = selected >= 0 && selected < log.count();
    const QString prompt = fkt_ToolsGetResString(1050, m_settings.Language) + u' ' +
                           QString::number(valid ? selected + 1 : 0);
    InputBox::show({this, prompt, QStringLiteral("Lintrova"), valid ? log.line(selected) : QString()});
}

QString frmMain::chooseCommandFile(bool save)
{
    if (m_fileChooser)
        return m_fileChooser(save);
    return CommandFileDialog::choose(this, save, m_settings);
}

void frmMain::mnuFileLoadConfig_Click()
{
    const auto texts = fkt_MainLoadCommandFile(QString(), [this] { return chooseCommandFile(false); });
    if (texts)
        setSlotTexts(*texts);
}

void frmMain::mnuFileSaveConfig_Click()
{
    fkt_MainSaveCommandFile(QString(), slotTexts(), [this] { return chooseCommandFile(true); });
}

void frmMain::mnuEditSettings_Click()
{
    if (m_settingsDialog) {
        m_settingsDialog(*this);
    } else {
        const auto portList = m_portListSource ? m_portListSource
                                               : [] { return QStringLiteral("0"); };
        frmSettings dialog(m_settings, portList,
                           [this] { m_engine->connection().fkt_MainOpenPort(); }, this);
        dialog.exec();
    }
    ApplyLanguage();
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
