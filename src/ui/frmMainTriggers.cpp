// The trigger rules in the main window: their menu items, their dialog, the
// status field while they run, and Triggers.ini.

#include "ui/frmMain.h"

#include "app/TriggerFile.h"
#include "app/WholeFile.h"
#include "app/IniProfile.h"
#include "engine/TerminalEngine.h"
#include "engine/TriggerCheck.h"
#include "text/FileErrorText.h"
#include "text/QuotedValue.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/MessageBoxes.h"
#include "ui/frmTriggers.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>

#include <cstdio>

namespace {

constexpr qint32 kTriggersItem = 2350;
constexpr qint32 kActiveItem = 2351;
constexpr qint32 kActiveField = 2352;
constexpr qint32 kFileChanged = 1920;
constexpr qint32 kFileChangedTitle = 1921;
constexpr qint32 kFileKept = 1922;
constexpr qint32 kNotSaved = 2383;
constexpr qint32 kNotSavedTitle = 2384;

} // namespace

void frmMain::buildTriggerMenu()
{
    mnuEditTriggers = mnuEdit->addAction(QString());
    mnuEditTriggers->setObjectName(QStringLiteral("mnuEditTriggers"));
    mnuEditTriggersActive = mnuEdit->addAction(QString());
    mnuEditTriggersActive->setObjectName(QStringLiteral("mnuEditTriggersActive"));
    mnuEditTriggersActive->setCheckable(true);
    mnuEditTriggersActive->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(mnuEditTriggers, &QAction::triggered, this, &frmMain::mnuEditTriggers_Click);
    connect(mnuEditTriggersActive, &QAction::triggered, this,
            &frmMain::mnuEditTriggersActive_Click);
    connect(&m_engine->triggers(), &TriggerRunner::ruleSwitchedOff, this,
            &frmMain::showTriggerState);
}

// A rule the program cannot use is skipped, its section kept as it stands,
// and the status bar says so.
void frmMain::loadTriggers()
{
    const QString path = TriggerFile::path(m_settings.DataFolder);
    TriggerSet set = TriggerFile::read(path);
    TriggerCheck::skipUnusable(set, m_settings.Language);
    m_engine->triggers().setRules(set);
    m_triggersStamp = FileStamp::of(path);
}

// Once the port's opening has said what it says.
void frmMain::tellSkippedTriggers()
{
    const TriggerSet &set = m_engine->triggers().rules();
    if (!set.skipped.isEmpty())
        showStatusMessage(TriggerCheck::skippedText(set, m_settings.Language));
}

// The field shows while a rule can fire; with no rule on there is nothing
// to tell, though the switch stays as the user set it.
void frmMain::showTriggerState()
{
    const quint8 lang = m_settings.Language;
    const TriggerRunner &triggers = m_engine->triggers();
    mnuEditTriggers->setText(fkt_ToolsGetResString(kTriggersItem, lang));
    mnuEditTriggersActive->setText(fkt_ToolsGetResString(kActiveItem, lang));
    mnuEditTriggersActive->setChecked(triggers.allActive());
    const QString text = fkt_ToolsGetResString(kActiveField, lang);
    stbTriggers->setText(text);
    stbTriggers->setAccessibleName(text);
    stbTriggers->setVisible(triggers.running());
}

void frmMain::mnuEditTriggersActive_Click(bool checked)
{
    m_engine->triggers().setAllActive(checked);
    showTriggerState();
}

void frmMain::mnuEditTriggers_Click()
{
    const quint8 lang = m_settings.Language;
    TriggerRunner &triggers = m_engine->triggers();
    frmTriggers dialog(triggers.rules(), lang, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TriggerSet set = dialog.rules();
    set.active = triggers.allActive(); // the switch may have changed meanwhile
    triggers.setRules(set);
    showTriggerState();
    const QString path = TriggerFile::path(m_settings.DataFolder);
    if (const int error = TriggerFile::write(set, path)) {
        MessageBoxes::show({this, MessageBoxes::Icon::Critical,
                            fkt_ToolsGetResString(kNotSavedTitle, lang),
                            fkt_FormatInsertParam(fkt_ToolsGetResString(kNotSaved, lang),
                                                  {quotedValue(QDir::toNativeSeparators(path)),
                                                   fileErrorReason(error, lang)})});
        return;
    }
    m_triggersStamp = FileStamp::of(path);
}

// The switch, and rules the loop guard switched off, are written at the
// end; as with Settings.ini, a file another window changed meanwhile is
// overwritten only when the user says so. Nothing is written when the file
// holds this already, nor a file the defaults alone would fill.
void frmMain::saveTriggersAtEnd(QList<SaveFailure> &failures)
{
    const quint8 lang = m_settings.Language;
    const TriggerSet &set = m_engine->triggers().rules();
    const QString path = TriggerFile::path(m_settings.DataFolder);
    const FileStamp now = FileStamp::of(path);
    const QByteArray bytes = TriggerFile::bytes(set);
    if (!now.readable() && set.active && set.rules.isEmpty() && set.skipped.isEmpty())
        return;
    if (now.readable() && WholeFile::read(path, IniProfile::kMaxFileSize) == bytes)
        return;
    if (now.readable() && now != m_triggersStamp) {
        const QString shown = quotedValue(QDir::toNativeSeparators(path));
        if (m_unloadForSystem) {
            const QString line = fkt_FormatInsertParam(fkt_ToolsGetResString(kFileKept, lang),
                                                       {shown});
            std::fprintf(stderr, "Lintrova: %s\n", line.toLocal8Bit().constData());
            std::fflush(stderr);
            return;
        }
        if (!MessageBoxes::ask(
                {this, MessageBoxes::Icon::None, fkt_ToolsGetResString(kFileChangedTitle, lang),
                 fkt_FormatInsertParam(fkt_ToolsGetResString(kFileChanged, lang), {shown})}))
            return;
    }
    if (const int error = TriggerFile::write(set, path))
        failures.append({path, error});
}
